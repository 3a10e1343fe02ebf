#include "ui/picture_fit.h"

#include <cstdint>

Bounds PlacePicture(PictureFit fit, int imageWidth, int imageHeight, int width, int height) {
  switch (fit) {
    case PictureFit::kStretch:
      return {0, 0, width, height};
    case PictureFit::kFit: {
      int w = imageWidth, h = imageHeight;
      // 64-bit products: a picture may be up to 16 million pixels on one side.
      if (width < w && w > 0) {
        h = int(int64_t(h) * width / w);
        w = width;
      }
      if (height < h && h > 0) {
        w = int(int64_t(w) * height / h);
        h = height;
      }
      return {(width - w) / 2, (height - h) / 2, w, h};
    }
    case PictureFit::kNatural:
      break;
  }
  return {0, 0, imageWidth, imageHeight};
}
