#include "ui/image_bytes.h"

#include <cstring>

namespace {

uint32_t Le16(BytesView b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}

uint32_t Le32(BytesView b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

bool StartsWith(BytesView bytes, const char* signature, size_t size) {
  return bytes.size() >= size && std::memcmp(bytes.data(), signature, size) == 0;
}

}  // namespace

PictureKind PictureKindOf(BytesView bytes) {
  if (StartsWith(bytes, "\xFF\xD8\xFF", 3)) return PictureKind::kJpeg;
  if (StartsWith(bytes, "\x89PNG\r\n\x1A\n", 8)) return PictureKind::kPng;
  if (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6)) return PictureKind::kGif;
  // "BM" alone is too weak for a file that may be anything: the header's 14 bytes must follow.
  if (StartsWith(bytes, "BM", 2) && bytes.size() >= 26) return PictureKind::kBmp;
  return PictureKind::kNone;
}

std::vector<IconImage> ReadIconDirectory(BytesView file) {
  constexpr size_t kHeader = 6, kEntry = 16;
  std::vector<IconImage> images;
  if (file.size() < kHeader || Le16(file, 0) != 0 || Le16(file, 2) != 1) return images;
  const size_t count = Le16(file, 4);
  if (count == 0 || file.size() < kHeader + count * kEntry) return images;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kHeader + i * kEntry;
    IconImage image;
    image.width = uint8_t(file[at]) ? uint8_t(file[at]) : 256;
    image.height = uint8_t(file[at + 1]) ? uint8_t(file[at + 1]) : 256;
    image.bitCount = int(Le16(file, at + 6));
    image.size = Le32(file, at + 8);
    image.offset = Le32(file, at + 12);
    // Compared in 64 bits: offset + size may pass 4 GB in a forged entry.
    if (image.size == 0 || uint64_t(image.offset) + image.size > file.size()) continue;
    images.push_back(image);
  }
  return images;
}

int PickIconImage(const std::vector<IconImage>& images, int size) {
  int best = -1;
  auto better = [size](const IconImage& a, const IconImage& b) {
    const bool aFits = a.width >= size, bFits = b.width >= size;
    if (aFits != bFits) return aFits;
    if (a.width != b.width) return aFits ? a.width < b.width : a.width > b.width;
    return a.bitCount > b.bitCount;
  };
  for (size_t i = 0; i < images.size(); ++i)
    if (best < 0 || better(images[i], images[size_t(best)])) best = int(i);
  return best;
}
