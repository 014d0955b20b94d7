#pragma once
// The difference measure of motion detection: the share of pixels whose brightness changed by
// more than the reception between two pictures, inside the watched rectangle. A pure function of
// the two pictures and the settings, so the level meter of the motion dialog can call it too.
#include <cstdint>

#include "config/OcvParam.h"
#include "foundation/FrameSample.h"

namespace ocv {

// The percentage of changed pixels of `a` against `b` (both 24-bit bottom-up frames of `format`),
// counted over the rectangle's inclusive ends and divided by (x1 - x0) x (y1 - y0); so it can
// slightly exceed 100. 0 when a picture is missing, the rectangle is empty or the format is not
// a 24-bit one.
float MotionLevel(const BITMAPINFOHEADER& format, const uint8_t* a, const uint8_t* b,
                  const MotionCapSetting& settings);

// The brightness of one colour: 0.3 R + 0.59 G + 0.11 B in double precision, truncated, low 8
// bits. Computed the integer way, with the colours whose double result falls just below a whole
// number corrected from a table; bit-exact with the double arithmetic.
uint8_t Brightness(uint8_t r, uint8_t g, uint8_t b);

}  // namespace ocv
