// The image-control kit: true-colour images (PNG with alpha and the like, through GDI+) and
// transparent edit boxes over a window's own background, on ordinary child windows. All state
// lives in window properties ("PngControl_*", "Comet_*"), so any child of any window can take
// part; the parent is subclassed once, however many of its children are attached, and answers
// the WM_CTLCOLOR* messages of managed children only (the others reach its own procedure).
// Images are GdiPicture objects owned by the caller and must outlive their controls.
#pragma once

#include <cstdint>
#include <string>

#include "ui/form.h"
#include "ui/win32/gdi_picture.h"

namespace image_kit {

enum ControlType : int {
  kPictureBox = 2,        // painted by the kit: captured background, then the image
  kCustomDraw = 3,        // a common control redrawn on NM_CUSTOMDRAW
  kTransparentEdit = 4,   // an edit box on its parent's background, in its own text colour
};

// How a picture box places its background image.
enum BackType : int { kNatural = 0, kStretch = 1, kFit = 2 };

// Draw states; a state without an image shows the normal one.
enum DrawState : int { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

// A transparent static of the kit ("彗星真彩控件.图片框"), attached as a picture box. 0 when the
// window cannot be made.
intptr_t CreatePictureBox(intptr_t parent, int x, int y, int width, int height);

// Makes `control` one of the kit's (ControlType): the parent subclassed unless it already is,
// WS_CLIPSIBLINGS off the control and WS_EX_TRANSPARENT on, WS_CLIPCHILDREN off the parent (a
// style word is written only when it changes); a picture box also gets its text and its own
// procedure. False when `control` is no window or has no parent.
bool Attach(intptr_t control, int type);

// Property setters; each refreshes the control (its place in the parent first, so the parent
// paints the background the control captures).
void SetBackImage(intptr_t control, const GdiPicture* image);
void SetBackType(intptr_t control, int backType);
void SetStateImages(intptr_t control, const GdiPicture* normal, const GdiPicture* hover,
                    const GdiPicture* pressed, const GdiPicture* disabled);
void SetDrawState(intptr_t control, int state);
void SetTextColour(intptr_t control, Rgb colour);

// The shared tooltip window (made on first use) shows `text` for `control`.
void SetToolTip(intptr_t control, const std::string& text, bool centred);

// The kind the kit gave `control` (0: not managed).
int TypeOf(intptr_t control);

}  // namespace image_kit
