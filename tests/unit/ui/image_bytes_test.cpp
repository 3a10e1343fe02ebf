// The .ico directory reader and the image choice, over well-formed and damaged files.
#include "ui/image_bytes.h"

#include <gtest/gtest.h>

#include "tests/unit/ui/ui_test_samples.h"

namespace {

TEST(IconDirectory, ReadsEveryImageWhoseDataLiesInTheFile) {
  const Bytes file = ui_samples::IconFile({16, 32, 256}, 0x0000FF);
  std::vector<IconImage> images = ReadIconDirectory(file);
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images[0].width, 16);
  EXPECT_EQ(images[1].height, 32);
  EXPECT_EQ(images[2].width, 256);  // stored as 0
  EXPECT_EQ(images[0].bitCount, 32);
  EXPECT_EQ(images[0].offset, 6u + 3 * 16);
  EXPECT_EQ(uint64_t(images[2].offset) + images[2].size, file.size());
}

TEST(IconDirectory, DamagedFilesGiveNoImages) {
  const Bytes good = ui_samples::IconFile({16, 32}, 0x0000FF);
  Bytes cursor = good;
  cursor[2] = 2;  // type 2 is a cursor file
  Bytes noImages = good.substr(0, 6);
  noImages[4] = 0;
  Bytes shortDirectory = good.substr(0, 6 + 16);  // announces two entries, holds one
  Bytes cut = good.substr(0, good.size() - 1);    // the last image runs past the end
  Bytes huge = good;
  huge[6 + 16 + 12] = char(0xFF);  // the second entry's offset near 4 GB: must not wrap
  huge[6 + 16 + 13] = char(0xFF);
  huge[6 + 16 + 14] = char(0xFF);
  huge[6 + 16 + 15] = char(0xFF);
  const struct {
    const char* what;
    Bytes file;
    size_t images;
  } cases[] = {
      {"empty", "", 0},         {"png", ui_samples::AsBytes(ui_samples::kPngGreenClear), 0},
      {"cursor", cursor, 0},    {"no images", noImages, 0},
      {"short directory", shortDirectory, 0},
      {"last image cut", cut, 1}, {"offset wraps", huge, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadIconDirectory(c.file).size(), c.images);
  }
}

TEST(IconDirectory, PicksTheSmallestImageAtLeastThatLargeAndTheMostColours) {
  auto image = [](int size, int bits) {
    IconImage i;
    i.width = i.height = size;
    i.bitCount = bits;
    return i;
  };
  const std::vector<IconImage> images = {image(48, 32), image(16, 8), image(32, 4),
                                         image(16, 32), image(32, 32)};
  const struct {
    int size;
    int expected;
  } cases[] = {{16, 3}, {20, 4}, {32, 4}, {40, 0}, {64, 0}, {8, 3}};
  for (const auto& c : cases) EXPECT_EQ(PickIconImage(images, c.size), c.expected) << c.size;
  EXPECT_EQ(PickIconImage({}, 16), -1);
}

TEST(PictureKind, IsToldByTheFirstBytes) {
  EXPECT_EQ(PictureKindOf(ui_samples::AsBytes(ui_samples::kJpegRedBlue)), PictureKind::kJpeg);
  EXPECT_EQ(PictureKindOf(ui_samples::AsBytes(ui_samples::kGifRedBlue)), PictureKind::kGif);
  EXPECT_EQ(PictureKindOf(ui_samples::AsBytes(ui_samples::kPngGreenClear)), PictureKind::kPng);
  EXPECT_EQ(PictureKindOf(ui_samples::BmpHalves(0, 0)), PictureKind::kBmp);
  EXPECT_EQ(PictureKindOf(Bytes("\x89PNG", 4)), PictureKind::kNone);  // the signature is 8 bytes
  EXPECT_EQ(PictureKindOf("GIF90a"), PictureKind::kNone);
  EXPECT_EQ(PictureKindOf(""), PictureKind::kNone);
}

}  // namespace
