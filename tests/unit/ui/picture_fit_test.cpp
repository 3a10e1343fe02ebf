// Where a picture control draws its image, by placement.
#include <gtest/gtest.h>

#include "ui/picture_fit.h"

namespace {

TEST(PlacePicture, StretchFitAndNatural) {
  struct Case {
    PictureFit fit;
    int imageWidth, imageHeight, width, height;
    Bounds at;
  } cases[] = {
      {PictureFit::kStretch, 10, 10, 450, 158, {0, 0, 450, 158}},
      {PictureFit::kNatural, 600, 20, 450, 158, {0, 0, 600, 20}},
      {PictureFit::kFit, 40, 20, 450, 158, {205, 69, 40, 20}},     // never enlarged, centred
      {PictureFit::kFit, 900, 158, 450, 158, {0, 39, 450, 79}},    // too wide: width first
      {PictureFit::kFit, 100, 316, 450, 158, {200, 0, 50, 158}},   // too high
      {PictureFit::kFit, 900, 632, 450, 158, {112, 0, 225, 158}},  // both, height decides
      {PictureFit::kFit, 0, 0, 450, 158, {225, 79, 0, 0}},         // nothing to draw
  };
  for (const Case& c : cases) {
    const Bounds b = PlacePicture(c.fit, c.imageWidth, c.imageHeight, c.width, c.height);
    EXPECT_EQ(b.left, c.at.left) << c.imageWidth << "x" << c.imageHeight;
    EXPECT_EQ(b.top, c.at.top) << c.imageWidth << "x" << c.imageHeight;
    EXPECT_EQ(b.width, c.at.width) << c.imageWidth << "x" << c.imageHeight;
    EXPECT_EQ(b.height, c.at.height) << c.imageWidth << "x" << c.imageHeight;
  }
}

}  // namespace
