#pragma once
// The frame sample's format header with the platform's field order and sizes, and the row
// arithmetic of bottom-up BGR pictures whose rows are padded to 4 bytes.
#include <cstdint>

namespace ocv {

struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER must be 40 bytes");

constexpr uint32_t BI_RGB = 0;

// Bytes of one row of `width` pixels at `bitCount` bits, padded to a multiple of 4.
constexpr uint32_t DibStride(int32_t width, int bitCount) {
    return static_cast<uint32_t>(((static_cast<int64_t>(width) * bitCount + 31) / 32) * 4);
}

// The header of an uncompressed 24-bit bottom-up picture of the given size.
constexpr BITMAPINFOHEADER MakeRgb24Header(int32_t width, int32_t height) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    h.biSizeImage = DibStride(width, 24) * static_cast<uint32_t>(height < 0 ? -height : height);
    return h;
}

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

}  // namespace ocv
