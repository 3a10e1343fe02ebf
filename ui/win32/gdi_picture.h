// Pictures decoded from bytes through GDI+, for the Win32 form's picture controls and the image
// controls beside it. gdiplus.dll is loaded and started at run time on first use, so setup.exe
// imports nothing from it and runs on where it is missing (every picture is then empty).
// GDI+ is started once per process and stays started until the process ends.
#pragma once

#include <cstdint>

#include "common/bytes.h"

// Loads and starts GDI+ once; false when that failed (later calls give the same answer).
bool StartGdiPlus();

// Owner of one decoded GDI+ bitmap (32-bit premultiplied ARGB). It holds the pixels itself:
// the bytes it came from may go away.
class GdiPicture {
 public:
  GdiPicture() = default;
  ~GdiPicture();
  GdiPicture(GdiPicture&& other) noexcept;
  GdiPicture& operator=(GdiPicture&& other) noexcept;
  GdiPicture(const GdiPicture&) = delete;
  GdiPicture& operator=(const GdiPicture&) = delete;

  // Any image GDI+ reads (the form checks the kind first); empty when it cannot be decoded.
  static GdiPicture Decode(BytesView bytes);

  bool Valid() const { return bitmap_ != nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Draws at (x, y) at its natural size in pixels, alpha-blended over what `hdc` holds.
  void Draw(intptr_t hdc, int x, int y) const;
  // Draws scaled into the rectangle (x, y, width, height), alpha-blended likewise.
  void DrawScaled(intptr_t hdc, int x, int y, int width, int height) const;
  // The GpBitmap, lent for other GDI+ calls; the picture keeps it.
  void* LendBitmap() const { return bitmap_; }

 private:
  void Reset();

  void* bitmap_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};
