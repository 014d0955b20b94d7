#include "imaging/NoSignal.h"

#include "imaging/TextRenderer.h"

namespace ocv {

TextStyle NoSignalTextStyle() {
    TextStyle style;
    style.height = 16;
    style.weight = 700;
    style.faceName = "ＭＳ ゴシック";
    style.textColor = 0x00FFFF;  // COLORREF: red 255, green 255, blue 0
    style.transparentText = 1;
    style.vertPosition = 1;
    style.horzPosition = 1;
    return style;
}

bool MakeNoSignalPicture(CDibImage& image, int width, int height) {
    if (width < 16 || height < 16 || width > kMaxImageSide || height > kMaxImageSide) {
        width = 320;
        height = 240;
    }
    if (!image.CreateBlank(width, height)) return false;
    std::string error;
    DrawTextLine(image, NoSignalTextStyle(), "NO SIGNAL", 1, 1, error);
    return true;
}

}  // namespace ocv
