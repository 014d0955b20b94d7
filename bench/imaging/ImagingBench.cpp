// Picture object against bare TurboJPEG calls on the same pictures, the edit routine with the
// three stamps, and the dither.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cstring>
#include <random>
#include <vector>

#include "foundation/FrameSample.h"
#include "imaging/ColorReduce.h"
#include "imaging/DibImage.h"
#include "imaging/EditImage.h"

namespace {

using ocv::BITMAPINFOHEADER;
using ocv::CDibImage;

// A camera-like frame: smooth gradients with some noise, bottom-up BGR.
struct Frame {
    BITMAPINFOHEADER header;
    std::vector<uint8_t> bits;
    std::vector<uint8_t> jpeg;  // quality 80, made with bare TurboJPEG
};

Frame MakeFrame(int w, int h) {
    Frame f;
    f.header = ocv::MakeRgb24Header(w, h);
    const uint32_t stride = ocv::DibStride(w, 24);
    f.bits.assign(static_cast<size_t>(stride) * h, 0);
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = f.bits.data() + static_cast<size_t>(y) * stride + 3 * x;
            p[0] = static_cast<uint8_t>((x * 255 / w + (rng() & 15)));
            p[1] = static_cast<uint8_t>((y * 255 / h + (rng() & 15)));
            p[2] = static_cast<uint8_t>(((x + y) * 128 / (w + h) + (rng() & 15)));
        }
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, f.bits.data(), w, static_cast<int>(stride), h, TJPF_BGR, &out, &size,
                TJSAMP_420, 80, TJFLAG_BOTTOMUP);
    f.jpeg.assign(out, out + size);
    tjFree(out);
    tjDestroy(tj);
    return f;
}

const Frame& FrameOf(int w) {
    static const Frame vga = MakeFrame(640, 480);
    static const Frame hd = MakeFrame(1920, 1080);
    return w == 640 ? vga : hd;
}

// Baseline: one TurboJPEG compression of the frame into a preallocated buffer.
void BM_BareTurboJpegEncode(benchmark::State& state) {
    const Frame& f = FrameOf(static_cast<int>(state.range(0)));
    const int w = f.header.biWidth, h = f.header.biHeight;
    tjhandle tj = tjInitCompress();
    unsigned long capacity = tjBufSize(w, h, TJSAMP_420);
    unsigned char* buf = tjAlloc(static_cast<int>(capacity));
    for (auto _ : state) {
        unsigned long size = capacity;
        tjCompress2(tj, f.bits.data(), w, static_cast<int>(ocv::DibStride(w, 24)), h, TJPF_BGR,
                    &buf, &size, TJSAMP_420, 80, TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC);
        benchmark::DoNotOptimize(size);
    }
    tjFree(buf);
    tjDestroy(tj);
}

// The picture object: sample in, JPEG out.
void BM_CreateFromSampleEncodeJpeg(benchmark::State& state) {
    const Frame& f = FrameOf(static_cast<int>(state.range(0)));
    CDibImage image;
    std::vector<uint8_t> out;
    for (auto _ : state) {
        image.CreateFromSample(f.header, f.bits.data());
        benchmark::DoNotOptimize(image.EncodeJpeg(80, out));
    }
}

// Baseline: header read and decompression into a preallocated bottom-up buffer.
void BM_BareTurboJpegDecode(benchmark::State& state) {
    const Frame& f = FrameOf(static_cast<int>(state.range(0)));
    tjhandle tj = tjInitDecompress();
    std::vector<uint8_t> dst(f.bits.size());
    for (auto _ : state) {
        int w, h, sub, cs;
        tjDecompressHeader3(tj, f.jpeg.data(), f.jpeg.size(), &w, &h, &sub, &cs);
        tjDecompress2(tj, f.jpeg.data(), f.jpeg.size(), dst.data(), w,
                      static_cast<int>(ocv::DibStride(w, 24)), h, TJPF_BGR, TJFLAG_BOTTOMUP);
        benchmark::DoNotOptimize(dst.data());
    }
    tjDestroy(tj);
}

void BM_LoadFromMemory(benchmark::State& state) {
    const Frame& f = FrameOf(static_cast<int>(state.range(0)));
    CDibImage image;
    for (auto _ : state) benchmark::DoNotOptimize(image.LoadFromMemory(f.jpeg));
}

// Each pass decodes into a fresh object, as a caller that does not keep one would.
void BM_LoadFromMemoryFreshObject(benchmark::State& state) {
    const Frame& f = FrameOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CDibImage image;
        benchmark::DoNotOptimize(image.LoadFromMemory(f.jpeg));
    }
}

void BM_EditImageStamps(benchmark::State& state) {
    const Frame& f = FrameOf(640);
    ocv::ImageSettings s;  // date, time and name on, no resize
    ocv::LocalTime t;
    t.wYear = 2026, t.wMonth = 3, t.wDay = 5, t.wHour = 9, t.wMinute = 4, t.wSecond = 7;
    CDibImage image;
    std::string error;
    for (auto _ : state) {
        state.PauseTiming();
        image.CreateFromSample(f.header, f.bits.data());
        state.ResumeTiming();
        benchmark::DoNotOptimize(ocv::EditImage("玄関カメラ Door", image, s, t, error));
    }
}

void BM_DitherPalette0(benchmark::State& state) {
    const Frame& f = FrameOf(640);
    CDibImage image;
    image.CreateFromSample(f.header, f.bits.data());
    ocv::IndexedImage out;
    for (auto _ : state) benchmark::DoNotOptimize(ocv::ReduceDither(image, 0, out));
}

BENCHMARK(BM_BareTurboJpegEncode)->Arg(640)->Arg(1920)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateFromSampleEncodeJpeg)->Arg(640)->Arg(1920)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareTurboJpegDecode)->Arg(640)->Arg(1920)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFromMemory)->Arg(640)->Arg(1920)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFromMemoryFreshObject)->Arg(640)->Arg(1920)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditImageStamps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DitherPalette0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
