// The difference measure against a plain double-precision reference.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "controller/CaptureThreadParam.h"
#include "controller/MotionLevel.h"

using namespace ocv;

namespace {

// The measure as its definition reads, one double operation after the other (this file is
// built without fused multiply-add).
int RefBrightness(int r, int g, int b) {
    double d = 0.3 * r;
    d = d + 0.59 * g;
    d = d + 0.11 * b;
    return static_cast<int>(d) & 0xFF;
}

float RefLevel(const BITMAPINFOHEADER& f, const uint8_t* a, const uint8_t* b,
               const MotionCapSetting& s) {
    const int w = f.biWidth, h = f.biHeight;
    int x0 = 0, y0 = 0, x1 = w - 1, y1 = h - 1;
    if (s.enableRange) {
        x0 = s.rangeLeft > 0 ? s.rangeLeft : 0;
        y0 = s.rangeTop > 0 ? s.rangeTop : 0;
        x1 = std::min(s.rangeRight, w - 1);
        y1 = std::min(s.rangeBottom, h - 1);
    }
    const uint32_t area = static_cast<uint32_t>((x1 - x0) * (y1 - y0));
    if (area == 0) return 0;
    const uint32_t stride = DibStride(w, 24);
    uint32_t count = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const uint8_t* p = a + (h - 1 - y) * stride + 3 * x;
            const uint8_t* q = b + (h - 1 - y) * stride + 3 * x;
            const int d = RefBrightness(p[2], p[1], p[0]) - RefBrightness(q[2], q[1], q[0]);
            if (static_cast<uint32_t>(d < 0 ? -d : d) >
                static_cast<uint32_t>(s.motionCaptureReception))
                ++count;
        }
    return static_cast<float>(static_cast<double>(count) / area * 100.0);
}

std::vector<uint8_t> Fill(const BITMAPINFOHEADER& f, uint8_t b, uint8_t g, uint8_t r) {
    std::vector<uint8_t> px(f.biSizeImage, 0);
    const uint32_t stride = DibStride(f.biWidth, 24);
    for (int y = 0; y < f.biHeight; ++y)
        for (int x = 0; x < f.biWidth; ++x) {
            px[y * stride + 3 * x] = b;
            px[y * stride + 3 * x + 1] = g;
            px[y * stride + 3 * x + 2] = r;
        }
    return px;
}

// The motion settings a row describes: reception and the optional detection range.
MotionCapSetting Setting(int reception, int range, int left, int top, int right, int bottom) {
    MotionCapSetting s;
    s.motionCaptureReception = reception;
    s.enableRange = range;
    s.rangeLeft = left, s.rangeTop = top, s.rangeRight = right, s.rangeBottom = bottom;
    return s;
}

}  // namespace

TEST(MotionLevel, BrightnessIsBitExactForEveryColour) {
    int wrong = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) wrong += Brightness(r, g, b) != RefBrightness(r, g, b);
    EXPECT_EQ(wrong, 0);
}

TEST(MotionLevel, RandomFramesAndRangesAgreeWithTheReference) {
    std::mt19937 rng(12);
    struct Case {
        int w, h, reception, range, left, top, right, bottom;
    } cases[] = {
        {640, 480, 32, 0, 0, 0, 0, 0},       {641, 37, 0, 0, 0, 0, 0, 0},
        {640, 480, 32, 1, 0, 0, 200, 200},   {640, 480, 10, 1, 13, 7, 611, 470},
        {64, 48, 32, 1, -5, -9, 1000, 1000}, {64, 48, 254, 0, 0, 0, 0, 0},
        {64, 48, 255, 0, 0, 0, 0, 0},        {64, 48, -1, 0, 0, 0, 0, 0},
        {64, 48, 32, 1, 70, 60, 80, 90},     {9, 9, 5, 1, 3, 3, 2, 8},
    };
    for (const Case& c : cases) {
        BITMAPINFOHEADER f = MakeRgb24Header(c.w, c.h);
        std::vector<uint8_t> a(f.biSizeImage), b(f.biSizeImage);
        for (auto& v : a) v = static_cast<uint8_t>(rng());
        for (size_t i = 0; i < b.size(); ++i)  // half the pixels close to a, half anything
            b[i] =
                (i / 3) % 2 ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(a[i] + rng() % 9);
        MotionCapSetting s = Setting(c.reception, c.range, c.left, c.top, c.right, c.bottom);
        EXPECT_EQ(MotionLevel(f, a.data(), b.data(), s), RefLevel(f, a.data(), b.data(), s))
            << c.w << "x" << c.h << " reception " << c.reception << " range " << c.left << ","
            << c.top << "-" << c.right << "," << c.bottom;
    }
}

TEST(MotionLevel, EdgeCases) {
    const BITMAPINFOHEADER f = MakeRgb24Header(64, 48);
    const auto dark = Fill(f, 0, 0, 0), bright = Fill(f, 255, 255, 255);
    const auto g100 = Fill(f, 100, 100, 100), g132 = Fill(f, 132, 132, 132);
    const float all = static_cast<float>(100.0 * 64 * 48 / (63.0 * 47.0));  // a little over 100
    struct Row {
        const char* what;
        const std::vector<uint8_t>*a, *b;
        int reception, range, left, top, right, bottom;
        float level;
        int bits = 24;
        uint32_t size = 0;  // 0: the header's own
    } rows[] = {
        {"identical frames", &g100, &g100, 32, 0, 0, 0, 0, 0, 0.0f},
        {"every pixel changed", &dark, &bright, 32, 0, 0, 0, 0, 0, all},
        {"no first frame", nullptr, &bright, 32, 0, 0, 0, 0, 0, 0.0f},
        {"no second frame", &dark, nullptr, 32, 0, 0, 0, 0, 0, 0.0f},
        {"difference equal to the reception", &g100, &g132, 32, 0, 0, 0, 0, 0, 0.0f},
        {"one more than the reception", &g100, &g132, 31, 0, 0, 0, 0, 0, all},
        {"not 24-bit", &dark, &bright, 32, 0, 0, 0, 0, 0, 0.0f, 32},
        {"buffer smaller than rows", &dark, &bright, 32, 0, 0, 0, 0, 0, 0.0f, 24, 10},
    };
    for (const Row& r : rows) {
        BITMAPINFOHEADER h = f;
        h.biBitCount = static_cast<uint16_t>(r.bits);
        if (r.size) h.biSizeImage = r.size;
        MotionCapSetting s = Setting(r.reception, r.range, r.left, r.top, r.right, r.bottom);
        EXPECT_FLOAT_EQ(MotionLevel(h, r.a ? r.a->data() : nullptr, r.b ? r.b->data() : nullptr, s),
                        r.level)
            << r.what;
    }
}

TEST(MotionLevel, DetectionCountsALevelEqualToTheThreshold) {
    CaptureThreadParam block;
    block.ctrl = std::make_shared<CtrlLink>(nullptr, nullptr, std::make_shared<CLogger>());
    block.format = MakeRgb24Header(11, 11);
    auto a = Fill(block.format, 0, 0, 0), b = a;
    // 10 changed pixels over the divisor 10 x 10: exactly 10 %.
    for (int x = 0; x < 10; ++x) b[3 * x] = b[3 * x + 1] = b[3 * x + 2] = 255;
    MotionCapSetting& m = block.param.motion;
    m.motionCaptureThreshold = 10.0f;
    EXPECT_EQ(MotionLevel(block.format, a.data(), b.data(), m), 10.0f);
    EXPECT_TRUE(DetectMotion(block, b.data(), a.data()));
    m.motionCaptureThreshold = 10.01f;
    EXPECT_FALSE(DetectMotion(block, b.data(), a.data()));
    // Outline pictures: a uniform picture outlines to black inside, so the changed row of the
    // border stays and the level does not drop to zero; a picture that cannot be made falls back.
    m.motionCaptureThreshold = 1.0f;
    m.enableOutline = 1;
    EXPECT_TRUE(DetectMotion(block, b.data(), a.data()));
    block.format.biBitCount = 8;  // no colour table: the outline picture cannot be made
    EXPECT_FALSE(DetectMotion(block, b.data(), a.data()));
}
