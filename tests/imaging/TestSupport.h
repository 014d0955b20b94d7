#pragma once
// Helpers of the picture tests: temporary directories, synthetic pictures and an independent
// decoder (Python PIL) that reads what the picture object writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
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
inline uint8_t* At(const CDibImage& image, int x, int y) {
    return const_cast<uint8_t*>(image.GetBits()) +
           static_cast<size_t>(image.Height() - 1 - y) * image.Stride() + 3 * x;
}
inline Rgb PixelAt(const CDibImage& image, int x, int y) {
    const uint8_t* p = At(image, x, y);
    return Rgb{p[2], p[1], p[0]};
}
inline void SetPixel(CDibImage& image, int x, int y, Rgb c) {
    uint8_t* p = At(image, x, y);
    p[0] = static_cast<uint8_t>(c.b), p[1] = static_cast<uint8_t>(c.g), p[2] = static_cast<uint8_t>(c.r);
}

// A picture whose pixels are given by `colour(x, y)`.
inline CDibImage Make(int width, int height, const std::function<Rgb(int, int)>& colour) {
    CDibImage image;
    image.CreateBlank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) SetPixel(image, x, y, colour(x, y));
    return image;
}
// A picture whose colour varies with the position (every pixel distinct in small pictures).
inline CDibImage MakeGradient(int width, int height) {
    return Make(width, height, [](int x, int y) {
        return Rgb{(x * 7) & 255, (y * 11) & 255, (x * 3 + y * 5) & 255};
    });
}
inline CDibImage MakeFilled(int w, int h, Rgb c) { return Make(w, h, [c](int, int) { return c; }); }
// Deterministic pseudo-random picture.
inline CDibImage MakeNoise(int width, int height, uint32_t seed) {
    std::mt19937 rng(seed);
    // A braced list is evaluated left to right: red, green, blue.
    return Make(width, height,
                [&](int, int) { return Rgb{int(rng() & 255), int(rng() & 255), int(rng() & 255)}; });
}

// Runs /usr/bin/python3 -c `script` with arguments (paths without quotes) and returns its
// output; a failing exit status fails the test.
inline std::string RunPython(const std::string& script, const std::vector<std::string>& args) {
    ::setenv("OCV_TEST_PY", script.c_str(), 1);
    std::string cmd = "/usr/bin/python3 -c \"$OCV_TEST_PY\"";
    for (const std::string& a : args) cmd += " '" + a + "'";
    FILE* p = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    EXPECT_TRUE(p && ::pclose(p) == 0) << out;
    return out;
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
inline void WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

}  // namespace ocv::test
