#pragma once
// Drawing one line of text on a 24-bit picture with FreeType, using the text-style record the way
// the platform's logical font is meant: height (positive = cell height, negative = character
// height), width, weight, italic, underline, strike-out, face by name through fontconfig (with a
// Japanese fallback face for the Shift-JIS character set and for characters the face lacks),
// text and background colours, transparent or opaque background.
#include <string>

#include "config/ImageSettings.h"
#include "imaging/DibImage.h"

namespace ocv {

// Measured size of a line of text in a style (pixels): the sum of the advances and the cell
// height (ascent + descent).
struct TextExtent {
    int width = 0;
    int height = 0;
};

// Draws `text` (UTF-8) into the rectangle (0, 0, width, height) of the picture at the given
// positions, with no margin. False (with `error` set) when no usable font exists.
bool DrawTextLine(CDibImage& image, const TextStyle& style, const std::string& text,
                  int vertPosition, int horzPosition, std::string& error);

// Size the text would take; false when no usable font exists.
bool MeasureTextLine(const TextStyle& style, const std::string& text, TextExtent& extent);

}  // namespace ocv
