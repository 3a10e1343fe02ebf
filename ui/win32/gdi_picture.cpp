#include "ui/win32/gdi_picture.h"

#include "platform/win32/windows_api.h"

#include <objidl.h>

#include <cstring>
#include <utility>

namespace {

// The flat API, as gdiplus.dll exports it (undecorated names, stdcall).
using Status = int;
constexpr Status kOk = 0;
constexpr int kPixelFormat32bppPARGB = 0x000E200B;

struct StartupInput {
  UINT32 version = 1;
  void* debugCallback = nullptr;
  BOOL suppressBackgroundThread = FALSE;
  BOOL suppressExternalCodecs = FALSE;
};

struct GdiPlusApi {
  Status(WINAPI* startup)(ULONG_PTR*, const StartupInput*, void*) = nullptr;
  Status(WINAPI* loadImageFromStream)(IStream*, void**) = nullptr;
  Status(WINAPI* disposeImage)(void*) = nullptr;
  Status(WINAPI* getImageWidth)(void*, UINT*) = nullptr;
  Status(WINAPI* getImageHeight)(void*, UINT*) = nullptr;
  Status(WINAPI* createBitmapFromScan0)(INT, INT, INT, INT, BYTE*, void**) = nullptr;
  Status(WINAPI* getImageGraphicsContext)(void*, void**) = nullptr;
  Status(WINAPI* createFromHdc)(HDC, void**) = nullptr;
  Status(WINAPI* deleteGraphics)(void*) = nullptr;
  Status(WINAPI* drawImageRectI)(void*, void*, INT, INT, INT, INT) = nullptr;
  bool started = false;
};

template <typename F>
bool Bind(HMODULE module, const char* name, F& slot) {
  slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return slot != nullptr;
}

const GdiPlusApi& Api() {
  static const GdiPlusApi api = [] {
    GdiPlusApi a;
    // By its full system path: a gdiplus.dll beside setup.exe (a download folder) is not ours.
    // Its own imports come from the system folder as well.
    HMODULE module = plat::win::LoadSystemLibrary(L"gdiplus.dll");
    if (!module) return a;
    bool bound = Bind(module, "GdiplusStartup", a.startup) &&
                 Bind(module, "GdipLoadImageFromStream", a.loadImageFromStream) &&
                 Bind(module, "GdipDisposeImage", a.disposeImage) &&
                 Bind(module, "GdipGetImageWidth", a.getImageWidth) &&
                 Bind(module, "GdipGetImageHeight", a.getImageHeight) &&
                 Bind(module, "GdipCreateBitmapFromScan0", a.createBitmapFromScan0) &&
                 Bind(module, "GdipGetImageGraphicsContext", a.getImageGraphicsContext) &&
                 Bind(module, "GdipCreateFromHDC", a.createFromHdc) &&
                 Bind(module, "GdipDeleteGraphics", a.deleteGraphics) &&
                 Bind(module, "GdipDrawImageRectI", a.drawImageRectI);
    if (!bound) return a;
    ULONG_PTR token = 0;
    StartupInput input;
    a.started = a.startup(&token, &input, nullptr) == kOk;
    return a;  // the module and the token stay for the process's lifetime
  }();
  return api;
}

// A stream over a private copy of the bytes; GDI+ may read it lazily while it decodes.
IStream* StreamOver(BytesView bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) return nullptr;
  void* at = GlobalLock(memory);
  if (!at) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(at, bytes.data(), bytes.size());
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return nullptr;
  }
  return stream;
}

}  // namespace

bool StartGdiPlus() { return Api().started; }

GdiPicture::~GdiPicture() { Reset(); }

GdiPicture::GdiPicture(GdiPicture&& other) noexcept
    : bitmap_(std::exchange(other.bitmap_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

GdiPicture& GdiPicture::operator=(GdiPicture&& other) noexcept {
  if (this != &other) {
    Reset();
    bitmap_ = std::exchange(other.bitmap_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
  }
  return *this;
}

void GdiPicture::Reset() {
  if (bitmap_) Api().disposeImage(bitmap_);
  bitmap_ = nullptr;
  width_ = height_ = 0;
}

GdiPicture GdiPicture::Decode(BytesView bytes) {
  GdiPicture picture;
  const GdiPlusApi& api = Api();
  if (!api.started || bytes.empty()) return picture;
  IStream* stream = StreamOver(bytes);
  if (!stream) return picture;
  void* image = nullptr;
  if (api.loadImageFromStream(stream, &image) == kOk && image) {
    UINT width = 0, height = 0;
    api.getImageWidth(image, &width);
    api.getImageHeight(image, &height);
    // Drawn once into a bitmap of our own: decoded for good, detached from the stream, and in
    // the pixel format that GDI+ draws fastest.
    void* bitmap = nullptr;
    // A forged header may announce any size: more than 16 million pixels is no skin picture.
    if (width > 0 && height > 0 && uint64_t(width) * height <= (uint64_t(1) << 24) &&
        api.createBitmapFromScan0(INT(width), INT(height), 0, kPixelFormat32bppPARGB, nullptr,
                                  &bitmap) == kOk) {
      void* graphics = nullptr;
      bool drawn = api.getImageGraphicsContext(bitmap, &graphics) == kOk &&
                   api.drawImageRectI(graphics, image, 0, 0, INT(width), INT(height)) == kOk;
      if (graphics) api.deleteGraphics(graphics);
      if (drawn) {
        picture.bitmap_ = bitmap;
        picture.width_ = int(width);
        picture.height_ = int(height);
      } else {
        api.disposeImage(bitmap);
      }
    }
    api.disposeImage(image);
  }
  stream->Release();
  return picture;
}

void GdiPicture::Draw(intptr_t hdc, int x, int y) const {
  DrawScaled(hdc, x, y, width_, height_);
}

void GdiPicture::DrawScaled(intptr_t hdc, int x, int y, int width, int height) const {
  if (!bitmap_ || !hdc || width <= 0 || height <= 0) return;
  const GdiPlusApi& api = Api();
  void* graphics = nullptr;
  if (api.createFromHdc(reinterpret_cast<HDC>(hdc), &graphics) != kOk) return;
  api.drawImageRectI(graphics, bitmap_, x, y, width, height);
  api.deleteGraphics(graphics);
}
