#include "ui/win32/image_kit.h"

#include "platform/win32/windows_api.h"

#include <commctrl.h>

#include "platform/platform.h"
#include "ui/picture_fit.h"
#include "ui/win32/comctl_binding.h"

namespace image_kit {
namespace {

constexpr wchar_t kWndProc[] = L"PngControl_WndProc";
constexpr wchar_t kType[] = L"PngControl_Type";
constexpr wchar_t kNormalImage[] = L"PngControl_NormalImage";
constexpr wchar_t kHoverImage[] = L"PngControl_OverlImage";
constexpr wchar_t kDownImage[] = L"PngControl_DownImage";
constexpr wchar_t kDisableImage[] = L"PngControl_DisableImage";
constexpr wchar_t kDrawState[] = L"Comet_DrawState";
constexpr wchar_t kBackImage[] = L"PngControl_BackImage";
constexpr wchar_t kBackType[] = L"PngControl_BackType";
constexpr wchar_t kCacheBitmap[] = L"PngControl_CacheBitmap";
constexpr wchar_t kTextColor[] = L"PngControl_TextColor";
constexpr wchar_t kToolTips[] = L"Comet_ToolTips";
constexpr char kPictureBoxText[] = "彗星真彩控件.图片框";

HWND H(intptr_t h) { return reinterpret_cast<HWND>(h); }
intptr_t Prop(HWND hwnd, const wchar_t* name) {
  return reinterpret_cast<intptr_t>(GetPropW(hwnd, name));
}
void SetProp(HWND hwnd, const wchar_t* name, intptr_t value) {
  SetPropW(hwnd, name, reinterpret_cast<HANDLE>(value));
}
const GdiPicture* Image(HWND hwnd, const wchar_t* name) {
  return reinterpret_cast<const GdiPicture*>(Prop(hwnd, name));
}
WNDPROC OldProc(HWND hwnd) { return reinterpret_cast<WNDPROC>(Prop(hwnd, kWndProc)); }

// The control's window rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Refresh(HWND control) {
  RECT r = PlaceInParent(control);
  InvalidateRect(GetParent(control), &r, FALSE);
  InvalidateRect(control, nullptr, FALSE);
}

// Paints a managed control into `target`: what lies behind it, then its image.
void Paint(HWND hwnd, HDC target) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  // The control is transparent: when it paints, the parent has painted what lies behind it.
  if (HGDIOBJ old = reinterpret_cast<HGDIOBJ>(Prop(hwnd, kCacheBitmap))) DeleteObject(old);
  HDC cacheDc = CreateCompatibleDC(target);
  HBITMAP cache = CreateCompatibleBitmap(target, width, height);
  HGDIOBJ cacheOld = SelectObject(cacheDc, cache);
  BitBlt(cacheDc, 0, 0, width, height, target, 0, 0, SRCCOPY);
  SetProp(hwnd, kCacheBitmap, reinterpret_cast<intptr_t>(cache));

  HDC composeDc = CreateCompatibleDC(target);
  HBITMAP compose = CreateCompatibleBitmap(target, width, height);
  HGDIOBJ composeOld = SelectObject(composeDc, compose);
  BitBlt(composeDc, 0, 0, width, height, cacheDc, 0, 0, SRCCOPY);
  SelectObject(cacheDc, cacheOld);
  DeleteDC(cacheDc);

  static const wchar_t* const kStateImages[] = {kNormalImage, kHoverImage, kDownImage,
                                                kDisableImage};
  const GdiPicture* image = nullptr;
  const intptr_t state = Prop(hwnd, kDrawState);
  if (state > 0 && state < 4) image = Image(hwnd, kStateImages[state]);
  if (!image) image = Image(hwnd, kNormalImage);
  if (!image) image = Image(hwnd, kBackImage);
  if (image && image->Valid()) {
    const intptr_t type = Prop(hwnd, kBackType);
    const PictureFit fit = type == kStretch ? PictureFit::kStretch
                           : type == kFit   ? PictureFit::kFit
                                            : PictureFit::kNatural;
    const Bounds at = PlacePicture(fit, image->Width(), image->Height(), width, height);
    image->DrawScaled(reinterpret_cast<intptr_t>(composeDc), at.left, at.top, at.width, at.height);
  }
  BitBlt(target, 0, 0, width, height, composeDc, 0, 0, SRCCOPY);
  SelectObject(composeDc, composeOld);
  DeleteObject(compose);
  DeleteDC(composeDc);
}

LRESULT CALLBACK PictureBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      if (HGDIOBJ cache = reinterpret_cast<HGDIOBJ>(Prop(hwnd, kCacheBitmap))) DeleteObject(cache);
      RemovePropW(hwnd, kCacheBitmap);
      break;
  }
  WNDPROC old = OldProc(hwnd);
  return old ? CallWindowProcW(old, hwnd, message, wParam, lParam)
             : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header && TypeOf(reinterpret_cast<intptr_t>(header->hwndFrom)) == kCustomDraw &&
          header->code == UINT(NM_CUSTOMDRAW)) {
        HDC dc = GetDC(header->hwndFrom);
        Paint(header->hwndFrom, dc);
        ReleaseDC(header->hwndFrom, dc);
      }
      break;
    }
    case WM_COMMAND: {
      HWND child = reinterpret_cast<HWND>(lParam);
      const UINT code = HIWORD(wParam);
      if (child && TypeOf(lParam) == kTransparentEdit &&
          (code == EN_VSCROLL || code == EN_HSCROLL || code == EN_CHANGE))
        InvalidateRect(child, nullptr, TRUE);
      break;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
      HWND child = reinterpret_cast<HWND>(lParam);
      const int type = child ? TypeOf(lParam) : 0;
      if (type == 0) break;  // not ours: the parent's own procedure answers
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (type == kTransparentEdit) SetTextColor(dc, COLORREF(Prop(child, kTextColor)));
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
  }
  WNDPROC old = OldProc(hwnd);
  return old ? CallWindowProcW(old, hwnd, message, wParam, lParam)
             : DefWindowProcW(hwnd, message, wParam, lParam);
}

// Style bits changed only when they differ: every write makes the window re-read its frame.
void SetStyleBits(HWND hwnd, int index, LONG_PTR add, LONG_PTR remove) {
  const LONG_PTR before = GetWindowLongPtrW(hwnd, index);
  const LONG_PTR after = (before | add) & ~remove;
  if (after != before) SetWindowLongPtrW(hwnd, index, after);
}

HWND g_toolTip = nullptr;

}  // namespace

int TypeOf(intptr_t control) { return int(Prop(H(control), kType)); }

bool Attach(intptr_t control, int type) {
  HWND hwnd = H(control);
  if (!IsWindow(hwnd)) return false;
  HWND parent = GetParent(hwnd);
  if (!parent) return false;
  if (!GetPropW(parent, kWndProc)) {
    const LONG_PTR old = SetWindowLongPtrW(parent, GWLP_WNDPROC,
                                           reinterpret_cast<LONG_PTR>(ParentProc));
    SetProp(parent, kWndProc, intptr_t(old));
  }
  SetStyleBits(hwnd, GWL_STYLE, 0, WS_CLIPSIBLINGS);
  SetStyleBits(hwnd, GWL_EXSTYLE, WS_EX_TRANSPARENT, 0);
  SetStyleBits(parent, GWL_STYLE, 0, WS_CLIPCHILDREN);
  SetProp(hwnd, kType, type);
  if (type == kPictureBox && !GetPropW(hwnd, kWndProc)) {
    const std::u16string text = plat::GbkToUtf16(kPictureBoxText);
    SetWindowTextW(hwnd, reinterpret_cast<const wchar_t*>(text.c_str()));
    const LONG_PTR old = SetWindowLongPtrW(hwnd, GWLP_WNDPROC,
                                           reinterpret_cast<LONG_PTR>(PictureBoxProc));
    SetProp(hwnd, kWndProc, intptr_t(old));
  }
  return true;
}

intptr_t CreatePictureBox(intptr_t parent, int x, int y, int width, int height) {
  const std::u16string text = plat::GbkToUtf16(kPictureBoxText);
  HWND box = CreateWindowExW(WS_EX_TRANSPARENT, L"Static",
                             reinterpret_cast<const wchar_t*>(text.c_str()),
                             WS_CHILD | WS_VISIBLE | SS_NOTIFY, x, y, width, height, H(parent),
                             nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!box) return 0;
  Attach(reinterpret_cast<intptr_t>(box), kPictureBox);
  return reinterpret_cast<intptr_t>(box);
}

void SetBackImage(intptr_t control, const GdiPicture* image) {
  SetProp(H(control), kBackImage, reinterpret_cast<intptr_t>(image));
  Refresh(H(control));
}

void SetBackType(intptr_t control, int backType) {
  SetProp(H(control), kBackType, backType);
  Refresh(H(control));
}

void SetStateImages(intptr_t control, const GdiPicture* normal, const GdiPicture* hover,
                    const GdiPicture* pressed, const GdiPicture* disabled) {
  SetProp(H(control), kNormalImage, reinterpret_cast<intptr_t>(normal));
  SetProp(H(control), kHoverImage, reinterpret_cast<intptr_t>(hover));
  SetProp(H(control), kDownImage, reinterpret_cast<intptr_t>(pressed));
  SetProp(H(control), kDisableImage, reinterpret_cast<intptr_t>(disabled));
  Refresh(H(control));
}

void SetDrawState(intptr_t control, int state) {
  SetProp(H(control), kDrawState, state);
  Refresh(H(control));
}

void SetTextColour(intptr_t control, Rgb colour) {
  SetProp(H(control), kTextColor, intptr_t(colour));
  Refresh(H(control));
}

void SetToolTip(intptr_t control, const std::string& text, bool centred) {
  HWND hwnd = H(control);
  if (!g_toolTip || !IsWindow(g_toolTip)) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES};  // the tooltip class
    Comctl().InitCommonControlsEx(&icc);
    g_toolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!g_toolTip) return;
    SendMessageW(g_toolTip, TTM_SETMAXTIPWIDTH, 0, 1024);
  }
  const std::u16string wide = plat::GbkToUtf16(text);
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = hwnd;
  info.uId = 0;
  info.lpszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(wide.c_str()));
  if (GetPropW(hwnd, kToolTips)) {
    SendMessageW(g_toolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    return;
  }
  SetProp(hwnd, kToolTips, 1);
  info.uFlags = TTF_SUBCLASS | (centred ? TTF_CENTERTIP : 0);
  GetClientRect(hwnd, &info.rect);
  SendMessageW(g_toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace image_kit
