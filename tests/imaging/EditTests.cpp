// Rotation, scaling, grey, frame blending, outline, panorama and the edit routine.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "imaging/EditImage.h"

namespace ocv {
namespace {

using test::PixelAt;
using test::Rgb;

std::pair<int, int> SizeOf(const CDibImage& image) { return {image.Width(), image.Height()}; }

TEST(Rotate, QuarterTurnsAreClockwiseAndOtherAnglesFail) {
    const CDibImage original = test::MakeGradient(5, 3);
    for (int angle : {0, 90, 180, 270}) {
        SCOPED_TRACE(angle);
        CDibImage image = original;
        ASSERT_TRUE(image.Rotate(angle));
        ASSERT_EQ(SizeOf(image), angle % 180 ? std::pair(3, 5) : std::pair(5, 3));
        EXPECT_EQ(image.GetInfoHeader()->biSizeImage, image.Stride() * image.Height());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                int nx = x, ny = y;
                if (angle == 90) nx = 2 - y, ny = x;  // top-left goes to top-right
                if (angle == 180) nx = 4 - x, ny = 2 - y;
                if (angle == 270) nx = y, ny = 4 - x;  // top-left goes to bottom-left
                ASSERT_EQ(PixelAt(image, nx, ny), PixelAt(original, x, y)) << x << "," << y;
            }
    }
    CDibImage image = original;
    for (int angle : {45, -90, 360}) {
        EXPECT_FALSE(image.Rotate(angle));
        EXPECT_EQ(image.GetErrorText(), "Rotate image failed! [angle=" + std::to_string(angle) + "]");
        EXPECT_EQ(image.Width(), 5);
    }
}

TEST(Resize, SizesAndColours) {
    CDibImage image = test::MakeFilled(640, 480, Rgb{200, 40, 90});
    CDibImage half = image;
    ASSERT_TRUE(half.ResizeByRate(0.5));
    EXPECT_EQ(SizeOf(half), std::pair(320, 240));
    const Rgb c = PixelAt(half, 100, 100);
    EXPECT_TRUE(std::abs(c.r - 200) <= 2 && std::abs(c.g - 40) <= 2 && std::abs(c.b - 90) <= 2);
    ASSERT_TRUE(half.Resize(101, 37));
    EXPECT_TRUE(SizeOf(half) == std::pair(101, 37) && half.Stride() == 304u);
    // Truncation toward zero: 0.333 x 640 = 213.1.
    ASSERT_TRUE(image.ResizeByRate(1.0 / 3));
    EXPECT_EQ(SizeOf(image), std::pair(213, 160));
    // Scaling keeps which side is up: a red top band stays at the top.
    CDibImage band = test::Make(64, 64, [](int x, int y) { return y < 16 ? Rgb{255, 0, 0} : Rgb{x, y, 9}; });
    ASSERT_TRUE(band.Resize(32, 32));
    EXPECT_TRUE(PixelAt(band, 16, 2).r > 240 && PixelAt(band, 16, 2).g < 20);
    // Impossible sizes fail and keep the picture.
    CDibImage small = test::MakeGradient(10, 10);
    EXPECT_FALSE(small.Resize(0, 10));
    EXPECT_EQ(small.GetErrorText(), "Convert image failed! [Bitmap::LockBits() Failed!]");
    EXPECT_FALSE(small.ResizeByRate(0.0) || small.ResizeByRate(-1.0) || small.Resize(70000, 70000));
    EXPECT_EQ(small.Width(), 10);
}

TEST(GrayScale, MatchesDoubleArithmeticForEveryColour) {
    // One picture holding all 2^24 colours.
    CDibImage image;
    ASSERT_TRUE(image.CreateBlank(4096, 4096));
    uint8_t* bits = image.GetBits();
    for (uint32_t i = 0; i < (1u << 24); ++i)
        for (int k = 0; k < 3; ++k) bits[3 * i + k] = static_cast<uint8_t>(i >> (8 * k));
    ASSERT_TRUE(image.GrayScale());
    volatile double kR = 0.3, kG = 0.59, kB = 0.11;  // keep the compiler from fusing
    for (uint32_t i = 0; i < (1u << 24); ++i) {
        const int b = i & 255, g = (i >> 8) & 255, r = i >> 16;
        volatile double pr = kR * r, pg = kG * g;
        volatile double sum = pr + pg, pb = kB * b;
        const int grey = static_cast<int>(sum + pb);
        for (int k = 0; k < 3; ++k) ASSERT_EQ(bits[3 * i + k], grey) << r << "," << g << "," << b;
    }
}

TEST(Blend, RangeBoundaryIsTransparent) {
    CDibImage picture = test::MakeFilled(3, 1, Rgb{1, 2, 3});
    // Magenta key; distances 0, exactly 5 (3-4-5 triangle), and just over 5.
    const Rgb key[] = {{255, 0, 255}, {252, 4, 255}, {252, 5, 255}};
    ASSERT_TRUE(picture.Blend(test::Make(3, 1, [&](int x, int) { return key[x]; }), 0xFF00FF, 5));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(picture, x, 0), x < 2 ? (Rgb{1, 2, 3}) : key[2]);
    EXPECT_FALSE(picture.Blend(test::MakeGradient(4, 1), 0, 0));
    EXPECT_EQ(picture.GetErrorText(), "Blend image failed! [Initialize error!]");
}

TEST(Outline, UniformPictureAndEdges) {
    CDibImage image = test::MakeFilled(5, 4, Rgb{50, 60, 70});
    ASSERT_TRUE(image.Outline(1));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)  // the border stays, the uniform inside turns black
            EXPECT_EQ(PixelAt(image, x, y), (x % 4 && y % 3 ? Rgb{} : Rgb{50, 60, 70})) << x << "," << y;
    // One bright pixel: its own difference is 4 x 3 x 100 / 2 = 600, its neighbours' 150.
    const Rgb red{255, 0, 0}, black{0, 0, 0};
    for (int level : {150, 151}) {
        CDibImage spot = test::MakeFilled(5, 5, Rgb{});
        test::SetPixel(spot, 2, 2, Rgb{100, 100, 100});
        ASSERT_TRUE(spot.Outline(level));
        EXPECT_EQ(PixelAt(spot, 2, 2), red);
        EXPECT_EQ(PixelAt(spot, 2, 1), level == 150 ? red : black);
        EXPECT_EQ(PixelAt(spot, 1, 1), black);
    }
    CDibImage thin = test::MakeGradient(2, 9);
    const CDibImage before = thin;
    ASSERT_TRUE(thin.Outline(0));
    EXPECT_EQ(std::memcmp(thin.GetBlock(), before.GetBlock(), before.GetBlockSize()), 0);
}

TEST(Panorama, NineCellsWithGaps) {
    std::vector<CDibImage> cells;
    const uint8_t* bits[9];
    for (int k = 0; k < 9; ++k) {
        cells.push_back(test::Make(160, 120, [k](int x, int y) { return Rgb{k * 20 + 10, x, y}; }));
        bits[k] = cells[k].GetBits();
    }
    CDibImage pano;
    ASSERT_TRUE(pano.ComposePanorama(*cells[0].GetInfoHeader(), bits));
    EXPECT_EQ(SizeOf(pano), std::pair(484, 364));
    for (int k = 0; k < 9; ++k) {
        const int x0 = 162 * (k % 3), y0 = 122 * (k / 3);
        EXPECT_EQ(PixelAt(pano, x0, y0), (Rgb{k * 20 + 10, 0, 0}));
        EXPECT_EQ(PixelAt(pano, x0 + 159, y0 + 119), (Rgb{k * 20 + 10, 159, 119}));
    }
    EXPECT_TRUE(PixelAt(pano, 160, 5) == Rgb{} && PixelAt(pano, 5, 121) == Rgb{});  // gaps
}

TEST(EditRoutine, DateTimeText) {
    LocalTime t;
    t.wYear = 2026, t.wMonth = 3, t.wDay = 5, t.wHour = 9, t.wMinute = 4, t.wSecond = 7;
    EXPECT_EQ(FormatDateTimeText(t, true, false), "2026/3/5 ");
    EXPECT_EQ(FormatDateTimeText(t, true, true), "2026/3/5 09:04:07");
    EXPECT_EQ(FormatDateTimeText(t, false, true), "09:04:07");
}

// Without stamps: nothing to do, then scaling and a quarter turn, then a frame blended and the
// picture turned grey; a frame it cannot read and an angle off the quarter turns fail.
TEST(EditRoutine, NothingScaleRotateThenAFrameBlendedAndTurnedGrey) {
    CDibImage image = test::MakeGradient(640, 480);
    const CDibImage before = image;
    std::string error;
    ImageSettings none;
    none.enablePrintDate = none.enablePrintTime = none.enablePrintName = 0;
    ImageSettings s = none;
    auto edit = [&] { return EditImage("cam", image, s, LocalTime{}, error); };
    ASSERT_TRUE(edit());
    EXPECT_EQ(std::memcmp(image.GetBlock(), before.GetBlock(), before.GetBlockSize()), 0);
    s.resizeRate = 0.5f, s.rotate = 1;
    ASSERT_TRUE(edit());
    EXPECT_EQ(SizeOf(image), std::pair(240, 320));
    test::TempDir dir;
    // A 20 x 20 frame: magenta (transparent) inside, green border band.
    CDibImage frame = test::Make(20, 20, [](int x, int y) {
        return x < 4 || y < 4 || x >= 16 || y >= 16 ? Rgb{0, 255, 0} : Rgb{255, 0, 255};
    });
    ASSERT_TRUE(frame.SavePng(dir.File("frame.png")));
    image = test::MakeFilled(100, 100, Rgb{200, 100, 0});
    s = none;
    s.enableFrameImage = s.enableGrayScale = 1, s.frameImageFileName = dir.File("frame.png");
    ASSERT_TRUE(edit()) << error;
    // Frame band (green, grey 150) at the edge; the picture (grey 119) in the middle.
    EXPECT_EQ(PixelAt(image, 2, 2), (Rgb{150, 150, 150}));
    EXPECT_EQ(PixelAt(image, 50, 50), (Rgb{119, 119, 119}));
    const std::pair<std::string, std::string> frames[] = {
        {"", "There is no specification of a frame picture file name!"},
        {dir.File("missing.png"), "Convert image failed! [Bitmap::LockBits() Failed!]"}};
    for (const auto& [file, text] : frames) {
        s.frameImageFileName = file;
        EXPECT_FALSE(edit());
        EXPECT_EQ(error, text);
    }
    s.enableFrameImage = 0, s.resizeRate = 1.0f, s.rotate = 2;
    ASSERT_TRUE(edit());
    s.rotate = 5;
    EXPECT_FALSE(edit());
    EXPECT_EQ(error, "Rotate image failed! [angle=450]");
}

}  // namespace
}  // namespace ocv
