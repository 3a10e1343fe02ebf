// What the form needs to know about picture and icon bytes before any decoder sees them: the
// kind of a picture by its signature, and the directory of an .ico file. Both forms use these,
// so the headless form answers SetPicture and SetWindowIcon as the Win32 one does. The bytes
// come from the package: every read is bounds-checked.
#pragma once

#include <cstdint>
#include <vector>

#include "common/bytes.h"

enum class PictureKind { kNone, kJpeg, kBmp, kGif, kPng };

// By the first bytes: FF D8 FF (JPEG), "BM" (BMP), "GIF87a"/"GIF89a", 89 "PNG" 0D 0A 1A 0A.
PictureKind PictureKindOf(BytesView bytes);

// One image of an .ico file, as its directory entry describes it.
struct IconImage {
  int width = 0;   // 256 where the directory stores 0
  int height = 0;
  int bitCount = 0;
  uint32_t offset = 0;  // of the image data within the file
  uint32_t size = 0;
};

// The images of an .ico file (reserved word 0, type 1, at least one entry). Entries whose data
// lies outside the file are dropped; empty when the bytes are no icon file or none is left.
std::vector<IconImage> ReadIconDirectory(BytesView file);

// The image to show at `size` pixels: the smallest one at least that large (the system scales
// down well), else the largest; among equal sizes the most colours. -1 when `images` is empty.
int PickIconImage(const std::vector<IconImage>& images, int size);
