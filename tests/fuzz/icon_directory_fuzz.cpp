// The .ico directory reader and the picture signature check: arbitrary bytes, every image the
// reader reports must lie inside the input, and the chosen one must be one of them.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_check.h"
#include "ui/image_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BytesView input(reinterpret_cast<const char*>(data), size);
  (void)PictureKindOf(input);
  const std::vector<IconImage> images = ReadIconDirectory(input);
  for (const IconImage& image : images) {
    FUZZ_CHECK(image.size > 0);
    FUZZ_CHECK(uint64_t(image.offset) + image.size <= size);
    FUZZ_CHECK(image.width >= 1 && image.width <= 256);
  }
  for (int wanted : {16, 32, 48}) {
    int pick = PickIconImage(images, wanted);
    FUZZ_CHECK(images.empty() ? pick == -1 : pick >= 0 && size_t(pick) < images.size());
  }
  return 0;
}
