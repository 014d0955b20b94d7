// BMP files: uncompressed 1, 4, 8, 16, 24 and 32-bit pictures with a 40-byte or later info
// header, bottom-up or top-down, handed to the sample conversion of the picture object.
#include <cstring>
#include <vector>

#include "imaging/ImageCodecs.h"

namespace ocv {
namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, CDibImage& image) {
    if (size < kBmpPixelOffset || data[0] != 'B' || data[1] != 'M') return false;
    const uint32_t pixelOffset = U32(data + 10);
    const uint8_t* ih = data + kBmpFileHeaderSize;
    const uint32_t infoSize = U32(ih);
    if (infoSize < 40 || infoSize > size - kBmpFileHeaderSize) return false;

    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = static_cast<int32_t>(U32(ih + 4));
    h.biHeight = static_cast<int32_t>(U32(ih + 8));
    h.biPlanes = U16(ih + 12);
    h.biBitCount = U16(ih + 14);
    h.biCompression = U32(ih + 16);
    h.biSizeImage = U32(ih + 20);
    h.biXPelsPerMeter = static_cast<int32_t>(U32(ih + 24));
    h.biYPelsPerMeter = static_cast<int32_t>(U32(ih + 28));
    h.biClrUsed = U32(ih + 32);
    if (h.biHeight == INT32_MIN) return false;
    const int64_t width = h.biWidth;
    const int64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    if (!ImageSizeAllowed(width, height)) return false;

    // What follows the info header: channel masks (BI_BITFIELDS with a 40-byte header, or the
    // masks inside a later header) or the colour table of the indexed depths.
    size_t tableOffset = kBmpFileHeaderSize + infoSize;
    std::vector<RGBQUAD> table;
    if (h.biCompression == 3) {
        const size_t maskOffset = infoSize >= 52 ? kBmpFileHeaderSize + 40 : tableOffset;
        if (maskOffset + 12 > size) return false;
        table.resize(3);
        std::memcpy(table.data(), data + maskOffset, 12);
    } else if (h.biBitCount <= 8) {
        uint32_t colors = h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount);
        if (colors > 256 || tableOffset + colors * 4 > size) return false;
        table.resize(colors);
        std::memcpy(table.data(), data + tableOffset, colors * 4);
        h.biClrUsed = colors;
    }
    if (pixelOffset < kBmpPixelOffset || pixelOffset >= size) return false;
    // The sample conversion checks that the rows fit in what the file holds.
    if (!image.CreateFromSample(h, data + pixelOffset, table.empty() ? nullptr : table.data(),
                                size - pixelOffset)) {
        return false;
    }
    return true;
}

}  // namespace ocv
