#include "ui/MotionPreview.h"

#include <cstring>
#include <utility>

#include "controller/MotionLevel.h"
#include "imaging/DibImage.h"

namespace ocv {

namespace {
bool SameFormat(const BITMAPINFOHEADER& a, const BITMAPINFOHEADER& b) {
    return a.biWidth == b.biWidth && a.biHeight == b.biHeight && a.biBitCount == b.biBitCount &&
           a.biSizeImage == b.biSizeImage;
}
}  // namespace

bool CMotionPreview::Take(CCamInterface& source) {
    const uint64_t number = source.PictureNumber();
    if (number != 0 && number == number_ && !current_.empty()) return true;
    BITMAPINFOHEADER format{};
    std::vector<uint8_t> pixels;
    if (!source.CopySample(format, pixels)) return false;
    // A picture stored while copying may or may not be the one copied; taking the later number
    // skips that picture rather than taking the same picture twice (which would read as "no
    // motion").
    Take(format, std::move(pixels), source.PictureNumber());
    return true;
}

void CMotionPreview::Take(const BITMAPINFOHEADER& format, std::vector<uint8_t> pixels,
                          uint64_t number) {
    previous_ = std::move(current_);
    previousFormat_ = format_;
    current_ = std::move(pixels);
    format_ = format;
    number_ = number;
}

float CMotionPreview::Level(const MotionCapSetting& settings) const {
    if (previous_.empty() || current_.empty() || !SameFormat(format_, previousFormat_)) return 0;
    if (previous_.size() < format_.biSizeImage || current_.size() < format_.biSizeImage) return 0;
    if (settings.enableOutline) {
        const std::vector<uint8_t> a = OutlinePixels(format_, previous_, settings.outlineLevel);
        const std::vector<uint8_t> b = OutlinePixels(format_, current_, settings.outlineLevel);
        return MotionLevel(format_, a.data(), b.data(), settings);
    }
    return MotionLevel(format_, previous_.data(), current_.data(), settings);
}

QImage CMotionPreview::Shown(const MotionCapSetting& settings) const {
    if (current_.empty()) return {};
    if (settings.enableOutline) {
        const std::vector<uint8_t> outline =
            OutlinePixels(format_, current_, settings.outlineLevel);
        return FrameToImage(format_, outline.data(), outline.size());
    }
    return FrameToImage(format_, current_.data(), current_.size());
}

QImage FrameToImage(const BITMAPINFOHEADER& format, const uint8_t* pixels, size_t size) {
    const int w = format.biWidth;
    const int h = format.biHeight;
    if (format.biBitCount != 24 || w <= 0 || h <= 0 || !pixels) return {};
    const size_t stride = DibStride(w, 24);
    if (size < stride * static_cast<size_t>(h)) return {};
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = pixels + stride * static_cast<size_t>(h - 1 - y);
        uint8_t* dst = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return image;
}

std::vector<uint8_t> OutlinePixels(const BITMAPINFOHEADER& format,
                                   const std::vector<uint8_t>& pixels, int outlineLevel) {
    CDibImage picture;
    if (!picture.CreateFromSample(format, pixels.data(), nullptr, pixels.size()) ||
        !picture.Outline(255 - outlineLevel))
        return pixels;
    const uint8_t* bits = picture.GetBits();
    const size_t size = static_cast<size_t>(picture.Stride()) * picture.Height();
    if (!bits || size != pixels.size()) return pixels;
    return std::vector<uint8_t>(bits, bits + size);
}

}  // namespace ocv
