// The picture object's editing operations: rotation, bicubic scaling, grey conversion, frame
// blending, the outline picture and the 3 x 3 panorama.
extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/DibImage.h"
#include "imaging/ImageCodecs.h"

namespace ocv {
namespace {

// Grey level of one colour: 0.3 red + 0.59 green + 0.11 blue in double precision, truncated.
// The sum is S / 100 with S = 30 red + 59 green + 11 blue; when S is not a multiple of 100 the
// double sum is far enough from an integer that its truncation is S / 100. Only the multiples
// of 100 need the double arithmetic itself.
inline uint8_t GreyLevel(int red, int green, int blue) {
    const int s = 30 * red + 59 * green + 11 * blue;
    if (s % 100 != 0) return static_cast<uint8_t>(s / 100);
    const double grey = 0.3 * red + 0.59 * green + 0.11 * blue;
    return static_cast<uint8_t>(static_cast<int>(grey));
}

}  // namespace

bool CDibImage::Rotate(int degrees) {
    if (!block_) return false;
    errorText_.clear();
    if (degrees == 0) return true;
    if (degrees != 90 && degrees != 180 && degrees != 270) {
        errorText_ = "Rotate image failed! [angle=" + std::to_string(degrees) + "]";
        return false;
    }
    const int w = Width();
    const int h = Height();
    const int nw = degrees == 180 ? w : h;
    const int nh = degrees == 180 ? h : w;
    CDibImage rotated;
    if (!rotated.AllocateBlock(nw, nh)) {
        errorText_ = "Rotate image failed! [CreateStreamObject() Failed!]";
        return false;
    }
    const uint32_t ss = Stride();
    const uint32_t ds = rotated.Stride();
    const uint8_t* src = GetBits();
    uint8_t* dst = rotated.GetBits();
    // Coordinates counted from the top-left corner; stored row of top-down row y is (h-1-y).
    for (int y = 0; y < nh; ++y) {
        uint8_t* d = dst + static_cast<size_t>(nh - 1 - y) * ds;
        for (int x = 0; x < nw; ++x, d += 3) {
            int sx, sy;
            if (degrees == 90) {
                sx = y, sy = h - 1 - x;
            } else if (degrees == 180) {
                sx = w - 1 - x, sy = h - 1 - y;
            } else {
                sx = w - 1 - y, sy = x;
            }
            const uint8_t* s = src + static_cast<size_t>(h - 1 - sy) * ss + 3 * sx;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    TakeFrom(rotated);
    return true;
}

bool CDibImage::Resize(int width, int height) {
    if (!block_) return false;
    errorText_.clear();
    CDibImage scaled;
    if (!scaled.AllocateBlock(width, height)) {
        errorText_ = kDecodeFailedText;
        return false;
    }
    // Scaling does not depend on which way up the rows are stored, so the bottom-up rows are
    // handed over as they are.
    SwsContext* ctx =
        sws_getContext(Width(), Height(), AV_PIX_FMT_BGR24, width, height, AV_PIX_FMT_BGR24,
                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP,
                       nullptr, nullptr, nullptr);
    if (!ctx) {
        errorText_ = "Resize image failed! [CreateStreamObject() Failed!]";
        return false;
    }
    const uint8_t* srcPlanes[1] = {GetBits()};
    const int srcStrides[1] = {static_cast<int>(Stride())};
    uint8_t* dstPlanes[1] = {scaled.GetBits()};
    const int dstStrides[1] = {static_cast<int>(scaled.Stride())};
    const int rows = sws_scale(ctx, srcPlanes, srcStrides, 0, Height(), dstPlanes, dstStrides);
    sws_freeContext(ctx);
    if (rows != height) {
        errorText_ = kDecodeFailedText;
        return false;
    }
    TakeFrom(scaled);
    return true;
}

bool CDibImage::ResizeByRate(double factor) {
    if (!block_) return false;
    errorText_.clear();
    const double w = factor * Width();
    const double h = factor * Height();
    // Truncation toward zero; sizes outside the allowed range fail before any conversion.
    if (!(w >= 1.0 && h >= 1.0 && w < kMaxImageSide + 1.0 && h < kMaxImageSide + 1.0)) {
        errorText_ = kDecodeFailedText;
        return false;
    }
    return Resize(static_cast<int>(w), static_cast<int>(h));
}

bool CDibImage::GrayScale() {
    if (!block_) return false;
    errorText_.clear();
    const int w = Width();
    const int h = Height();
    const uint32_t stride = Stride();
    for (int y = 0; y < h; ++y) {
        uint8_t* p = GetBits() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < w; ++x, p += 3) {
            const uint8_t grey = GreyLevel(p[2], p[1], p[0]);
            p[0] = p[1] = p[2] = grey;
        }
    }
    return true;
}

bool CDibImage::Blend(const CDibImage& frame, uint32_t transparentColor, int range) {
    errorText_.clear();
    if (!block_ || frame.IsEmpty() || frame.Width() != Width() || frame.Height() != Height()) {
        errorText_ = "Blend image failed! [Initialize error!]";
        return false;
    }
    const int tr = static_cast<int>(transparentColor & 0xFF);
    const int tg = static_cast<int>((transparentColor >> 8) & 0xFF);
    const int tb = static_cast<int>((transparentColor >> 16) & 0xFF);
    // sqrt(d2) <= range is d2 <= range^2 for whole numbers; the largest possible distance is
    // below 442, so larger ranges make every frame pixel transparent.
    const int64_t limit =
        range < 0 ? -1 : static_cast<int64_t>(std::min(range, 442)) * std::min(range, 442);
    const size_t bytes = GetInfoHeader()->biSizeImage;
    const uint32_t stride = Stride();
    const int w = Width();
    uint8_t* dst = GetBits();
    const uint8_t* src = frame.GetBits();
    for (size_t row = 0; row < bytes; row += stride) {
        const uint8_t* f = src + row;
        uint8_t* d = dst + row;
        for (int x = 0; x < w; ++x, f += 3, d += 3) {
            const int db = f[0] - tb, dg = f[1] - tg, dr = f[2] - tr;
            const int64_t d2 = dr * dr + dg * dg + db * db;
            if (d2 > limit) {
                d[0] = f[0];
                d[1] = f[1];
                d[2] = f[2];
            }
        }
    }
    return true;
}

bool CDibImage::Outline(int level) {
    if (!block_) return false;
    errorText_.clear();
    const int w = Width();
    const int h = Height();
    if (w < 3 || h < 3) return true;
    const uint32_t stride = Stride();
    const std::vector<uint8_t> copy(GetBits(), GetBits() + GetInfoHeader()->biSizeImage);
    for (int y = 1; y < h - 1; ++y) {
        uint8_t* d = GetBits() + static_cast<size_t>(y) * stride + 3;
        const uint8_t* p = copy.data() + static_cast<size_t>(y) * stride + 3;
        for (int x = 1; x < w - 1; ++x, d += 3, p += 3) {
            int sum = 0;
            for (int c = 0; c < 3; ++c) {
                const int v = p[c];
                sum += std::abs(p[c - 3] - v) + std::abs(p[c + 3] - v) +
                       std::abs(p[c - static_cast<int>(stride)] - v) + std::abs(p[c + stride] - v);
            }
            const bool edge = sum / 2 >= level;
            d[0] = 0;
            d[1] = 0;
            d[2] = edge ? 255 : 0;
        }
    }
    return true;
}

bool CDibImage::ComposePanorama(const BITMAPINFOHEADER& header, const uint8_t* const bits[9]) {
    errorText_.clear();
    const int64_t w = header.biWidth;
    const int64_t h =
        header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    CDibImage pano;
    if (!ImageSizeAllowed(w, h) ||
        !pano.AllocateBlock(static_cast<int>(3 * w + 4), static_cast<int>(3 * h + 4))) {
        errorText_ = "Conversion to 24bit color Failed!";
        return false;
    }
    std::memset(pano.GetBits(), 0, pano.GetInfoHeader()->biSizeImage);
    const int ph = pano.Height();
    const uint32_t ps = pano.Stride();
    for (int k = 0; k < 9; ++k) {
        if (!bits || !bits[k]) continue;
        CDibImage cell;
        if (!cell.CreateFromSample(header, bits[k])) {
            errorText_ = cell.GetErrorText();
            return false;
        }
        const int x0 = static_cast<int>((w + 2) * (k % 3));
        const int y0 = static_cast<int>((h + 2) * (k / 3));
        for (int r = 0; r < h; ++r) {
            const uint8_t* s = cell.GetBits() + static_cast<size_t>(h - 1 - r) * cell.Stride();
            uint8_t* d = pano.GetBits() + static_cast<size_t>(ph - 1 - (y0 + r)) * ps + 3 * x0;
            std::memcpy(d, s, static_cast<size_t>(3 * w));
        }
    }
    TakeFrom(pano);
    return true;
}

}  // namespace ocv
