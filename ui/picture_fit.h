// Where a picture control draws its image, for each PictureFit (form.h): the rule both forms
// share, kept apart so that it is tested natively.
#pragma once

#include "ui/form.h"

// The rectangle, within a control of `width` x `height`, that an image of `imageWidth` x
// `imageHeight` is drawn into. kStretch fills the control; kFit shrinks a larger image to fit
// (keeping its aspect ratio) and centres the result, never enlarging a smaller one; kNatural is
// the image's own size at the top-left corner.
Bounds PlacePicture(PictureFit fit, int imageWidth, int imageHeight, int width, int height);
