// The held-library rule, the same on every platform: the file is opened for reading (which
// shares reading only, so no writer, rename or delete gets in), compared with the image the
// caller wrote, and only then loaded by the same path while the handle stays open.
#include <algorithm>
#include <cstring>

#include "platform/platform.h"

namespace plat {

bool HoldsExactly(File& file, BytesView image) {
  if (!file.IsOpen() || file.Size() != uint64_t(image.size()) || !file.Seek(0)) return false;
  constexpr size_t kPiece = 1 << 20;
  Bytes piece(std::min(kPiece, image.size()), '\0');
  for (size_t at = 0; at < image.size(); at += piece.size()) {
    const size_t size = std::min(piece.size(), image.size() - at);
    if (!file.ReadExact(piece.data(), size) ||
        std::memcmp(piece.data(), image.data() + at, size) != 0)
      return false;
  }
  return true;
}

HeldLibrary LoadLibraryHeld(const std::string& path, BytesView image) {
  HeldLibrary held;
  held.file = File::Open(path, OpenMode::kRead);
  if (!held.file.IsOpen()) return held;
  if (!image.empty() && !HoldsExactly(held.file, image)) {
    held.file.Close();
    return held;
  }
  held.library = Library::Load(path);
  return held;
}

}  // namespace plat
