// The motion measure on a 640 x 480 frame pair against the naive double loop, in one run.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "controller/MotionLevel.h"

using namespace ocv;

namespace {

struct Frames {
    BITMAPINFOHEADER format = MakeRgb24Header(640, 480);
    std::vector<uint8_t> a, b;
    Frames() : a(format.biSizeImage), b(format.biSizeImage) {
        std::mt19937 rng(5);
        // A camera-like pair: smooth picture plus noise, a tenth of it changed.
        for (size_t i = 0; i < a.size(); ++i) {
            a[i] = static_cast<uint8_t>((i / 3) % 640 / 3 + rng() % 16);
            b[i] =
                (i / 3) % 10 ? static_cast<uint8_t>(a[i] + rng() % 5) : static_cast<uint8_t>(rng());
        }
    }
};
const Frames& TheFrames() {
    static Frames f;
    return f;
}

float NaiveLevel(const BITMAPINFOHEADER& f, const uint8_t* a, const uint8_t* b, int reception) {
    const int w = f.biWidth, h = f.biHeight;
    const uint32_t stride = DibStride(w, 24);
    uint32_t count = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = a + (h - 1 - y) * stride + 3 * x;
            const uint8_t* q = b + (h - 1 - y) * stride + 3 * x;
            const uint8_t la = static_cast<uint8_t>(0.3 * p[2] + 0.59 * p[1] + 0.11 * p[0]);
            const uint8_t lb = static_cast<uint8_t>(0.3 * q[2] + 0.59 * q[1] + 0.11 * q[0]);
            if (static_cast<uint32_t>(std::abs(la - lb)) > static_cast<uint32_t>(reception))
                ++count;
        }
    return static_cast<float>(static_cast<double>(count) / ((w - 1) * (h - 1)) * 100.0);
}

void BM_MotionLevelNaiveDouble(benchmark::State& state) {
    const Frames& f = TheFrames();
    for (auto _ : state) benchmark::DoNotOptimize(NaiveLevel(f.format, f.a.data(), f.b.data(), 32));
}
BENCHMARK(BM_MotionLevelNaiveDouble)->Unit(benchmark::kMicrosecond);

void BM_MotionLevel(benchmark::State& state) {
    const Frames& f = TheFrames();
    MotionCapSetting s;
    if (MotionLevel(f.format, f.a.data(), f.b.data(), s) !=
        NaiveLevel(f.format, f.a.data(), f.b.data(), 32))
        state.SkipWithError("the fast measure differs from the naive one");
    for (auto _ : state) benchmark::DoNotOptimize(MotionLevel(f.format, f.a.data(), f.b.data(), s));
}
BENCHMARK(BM_MotionLevel)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
