#pragma once
// The picture a camera view shows while it has no live picture: black, with "NO SIGNAL" centred
// on one line in yellow, 16-pixel bold gothic. The web server sends the same picture for a camera
// that is lost, so a viewer never takes a frozen frame for a live one.
#include "config/ImageSettings.h"
#include "imaging/DibImage.h"

namespace ocv {

// The text style of the "NO SIGNAL" line.
TextStyle NoSignalTextStyle();

// Makes `image` a width × height "NO SIGNAL" picture. A size below 16 × 16 (or none) becomes
// 320 × 240. False only when the picture cannot be made; a picture without a usable font is
// still black.
bool MakeNoSignalPicture(CDibImage& image, int width, int height);

}  // namespace ocv
