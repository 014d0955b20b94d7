#pragma once
// Helpers of the picture tests: temporary directories, synthetic pictures and an independent
// decoder (Python PIL) that reads what the picture object writes.
#include <cstdint>
#include <string>
#include <vector>

#include "../foundation/TempDir.h"
#include "imaging/DibImage.h"

namespace ocv::test {

using ::TempDir;

// Colour at (x, y) counted from the top-left corner, as red, green, blue.
struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
Rgb PixelAt(const CDibImage& image, int x, int y);
void SetPixel(CDibImage& image, int x, int y, Rgb c);

// A picture whose colour varies with the position (every pixel distinct in small pictures).
CDibImage MakeGradient(int width, int height);
// A picture of one colour.
CDibImage MakeFilled(int width, int height, Rgb c);
// Deterministic pseudo-random picture.
CDibImage MakeNoise(int width, int height, uint32_t seed);

// Runs /usr/bin/python3 -c `script` with arguments; returns stdout and
// sets ok when the exit status is 0.
std::string RunPython(const std::string& script, const std::vector<std::string>& args, bool* ok);

std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& data);

}  // namespace ocv::test
