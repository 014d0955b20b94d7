// Palettes, nearest colour and error diffusion. Built with -ffp-contract=off: the diffusion
// must give the results of plain IEEE double arithmetic step by step.
#include "imaging/ColorReduce.h"

#include <vector>

namespace ocv {
namespace {

// Per-channel nearest level (lowest on a tie) times the channel's index weight.
std::array<uint16_t, 256> LevelTable(const int* levels, int count, int weight) {
    std::array<uint16_t, 256> table{};
    for (int v = 0; v < 256; ++v) {
        int best = 0;
        int bestDistance = (v - levels[0]) * (v - levels[0]);
        for (int i = 1; i < count; ++i) {
            const int d = (v - levels[i]) * (v - levels[i]);
            if (d < bestDistance) bestDistance = d, best = i;
        }
        table[v] = static_cast<uint16_t>(best * weight);
    }
    return table;
}

bool PrepareOutput(const CDibImage& image, int paletteNo, IndexedImage& out) {
    if (image.IsEmpty()) return false;
    out.width = image.Width();
    out.height = image.Height();
    out.stride = static_cast<uint32_t>((out.width + 3) / 4 * 4);
    out.indices.assign(static_cast<size_t>(out.stride) * out.height, 0);
    out.palette = MakePalette(paletteNo);
    return true;
}

}  // namespace

Palette MakePalette(int paletteNo) {
    Palette p{};  // all black, reserved 0
    if (paletteNo == 0) {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) {
                    RGBQUAD& e = p[36 * r + 6 * g + b];
                    e.rgbRed = static_cast<uint8_t>(51 * r);
                    e.rgbGreen = static_cast<uint8_t>(51 * g);
                    e.rgbBlue = static_cast<uint8_t>(51 * b);
                }
    } else if (paletteNo == 1) {
        static const uint8_t kRedGreen[8] = {0, 36, 73, 109, 146, 182, 219, 255};
        static const uint8_t kBlue[4] = {0, 85, 170, 255};
        for (int r = 0; r < 8; ++r)
            for (int g = 0; g < 8; ++g)
                for (int b = 0; b < 4; ++b) {
                    RGBQUAD& e = p[32 * r + 4 * g + b];
                    e.rgbRed = kRedGreen[r];
                    e.rgbGreen = kRedGreen[g];
                    e.rgbBlue = kBlue[b];
                }
    }
    return p;
}

int NearestColorIndex(const Palette& palette, int red, int green, int blue) {
    int best = 0;
    int bestDistance = -1;
    for (int i = 0; i < 256; ++i) {
        const int dr = red - palette[i].rgbRed;
        const int dg = green - palette[i].rgbGreen;
        const int db = blue - palette[i].rgbBlue;
        const int d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}

NearestColorFinder::NearestColorFinder(int paletteNo) : palette_(MakePalette(paletteNo)) {
    if (paletteNo == 0) {
        static const int kLevels[6] = {0, 51, 102, 153, 204, 255};
        red_ = LevelTable(kLevels, 6, 36);
        green_ = LevelTable(kLevels, 6, 6);
        blue_ = LevelTable(kLevels, 6, 1);
    } else if (paletteNo == 1) {
        static const int kRedGreen[8] = {0, 36, 73, 109, 146, 182, 219, 255};
        static const int kBlue[4] = {0, 85, 170, 255};
        red_ = LevelTable(kRedGreen, 8, 32);
        green_ = LevelTable(kRedGreen, 8, 4);
        blue_ = LevelTable(kBlue, 4, 1);
    }
    // Any other palette is all black: every colour maps to entry 0 (the tables stay 0).
}

bool ReduceNearColor(const CDibImage& image, int paletteNo, IndexedImage& out) {
    if (!PrepareOutput(image, paletteNo, out)) return false;
    const NearestColorFinder finder(paletteNo);
    const uint32_t stride = image.Stride();
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* s = image.GetBits() + static_cast<size_t>(y) * stride;
        uint8_t* d = out.indices.data() + static_cast<size_t>(y) * out.stride;
        for (int x = 0; x < out.width; ++x, s += 3) d[x] = finder.Find(s[2], s[1], s[0]);
    }
    return true;
}

bool ReduceDither(const CDibImage& image, int paletteNo, IndexedImage& out) {
    if (!PrepareOutput(image, paletteNo, out)) return false;
    const NearestColorFinder finder(paletteNo);
    const Palette& pal = finder.palette();
    const int w = out.width;
    const int h = out.height;
    const uint32_t stride = image.Stride();
    // Red, green, blue per pixel.
    std::vector<double> cur(static_cast<size_t>(w) * 3), next(static_cast<size_t>(w) * 3);
    auto load = [&](std::vector<double>& row, int y) {
        const uint8_t* s = image.GetBits() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < w; ++x, s += 3) {
            row[3 * x] = s[2];
            row[3 * x + 1] = s[1];
            row[3 * x + 2] = s[0];
        }
    };
    // Stored row 0 is the bottom row of the picture: processing goes up the picture.
    load(cur, 0);
    for (int y = 0; y < h; ++y) {
        const bool hasNext = y + 1 < h;
        if (hasNext) load(next, y + 1);
        uint8_t* d = out.indices.data() + static_cast<size_t>(y) * out.stride;
        for (int x = 0; x < w; ++x) {
            int c8[3];
            for (int c = 0; c < 3; ++c) {
                const double v = cur[3 * x + c];
                int iv = v >= 0 ? static_cast<int>(v + 0.5) : static_cast<int>(v - 0.5);
                c8[c] = iv < 0 ? 0 : iv > 255 ? 255 : iv;
            }
            const uint8_t index = finder.Find(c8[0], c8[1], c8[2]);
            d[x] = index;
            const double target[3] = {static_cast<double>(pal[index].rgbRed),
                                      static_cast<double>(pal[index].rgbGreen),
                                      static_cast<double>(pal[index].rgbBlue)};
            for (int c = 0; c < 3; ++c) {
                const double err = cur[3 * x + c] - target[c];
                if (x + 1 < w) cur[3 * (x + 1) + c] += err * 7 / 16;
                if (hasNext) {
                    if (x > 0) next[3 * (x - 1) + c] += err * 3 / 16;
                    next[3 * x + c] += err * 5 / 16;
                    if (x + 1 < w) next[3 * (x + 1) + c] += err * 1 / 16;
                }
            }
        }
        std::swap(cur, next);
    }
    return true;
}

}  // namespace ocv
