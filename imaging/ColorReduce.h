#pragma once
// The two 256-colour palettes, the nearest-colour search and the reduction of a 24-bit picture
// to 8-bit indices, by nearest colour or by Floyd-Steinberg error diffusion.
#include <array>
#include <cstdint>

#include "imaging/DibImage.h"
#include "imaging/ImageCodecs.h"

namespace ocv {

using Palette = std::array<RGBQUAD, 256>;

// Palette 0: uniform 6x6x6 (index 36r + 6g + b, levels 51 apart; 216..255 black).
// Palette 1: 8x8x4 (index 32r + 4g + b). Any other number: 256 black entries.
Palette MakePalette(int paletteNo);

// The first entry with the smallest squared distance to (red, green, blue): ties go to the
// lower index. Searches every entry.
int NearestColorIndex(const Palette& palette, int red, int green, int blue);

// The same search for the palettes of MakePalette, answered from per-channel tables: both
// palettes are grids whose index grows with red, then green, then blue, so the nearest entry is
// made of the nearest level of each channel (the lowest level on a tie).
class NearestColorFinder {
public:
    explicit NearestColorFinder(int paletteNo);
    const Palette& palette() const { return palette_; }
    uint8_t Find(int red, int green, int blue) const {
        return static_cast<uint8_t>(red_[red] + green_[green] + blue_[blue]);
    }

private:
    Palette palette_;
    std::array<uint16_t, 256> red_{}, green_{}, blue_{};
};

// Nearest colour of every pixel. False when the picture is empty or too large.
bool ReduceNearColor(const CDibImage& image, int paletteNo, IndexedImage& out);
// Floyd-Steinberg error diffusion in double precision, bottom row first.
bool ReduceDither(const CDibImage& image, int paletteNo, IndexedImage& out);

}  // namespace ocv
