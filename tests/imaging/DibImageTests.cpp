// The picture object's block, sample conversion and the texts of failed saves (the files it
// writes are read back by PIL in ColorReduceTests.cpp).
#include <gtest/gtest.h>

#include <tuple>

#include "TestSupport.h"

namespace ocv {
namespace {

using test::PixelAt;
using test::Rgb;

TEST(DibImageBlock, BlankPictureKeepsTheInvariantsAndAnEmptyObjectFailsWithoutText) {
    CDibImage image;
    ASSERT_TRUE(image.CreateBlank(101, 3));
    const BITMAPINFOHEADER* h = image.GetInfoHeader();
    EXPECT_TRUE(h->biSize == 40 && h->biBitCount == 24);
    EXPECT_EQ(image.Stride(), 304u);
    EXPECT_EQ(h->biSizeImage, 304u * 3);
    EXPECT_EQ(image.GetBlockSize(), 304u * 3 + 58);
    // The block is a BMP file: its size and the offset of the pixels, little-endian.
    const uint8_t* b = image.GetBlock();
    EXPECT_EQ(std::string(b, b + 6), std::string("BM\xC6\x03\0\0", 6));
    EXPECT_EQ(std::string(b + 10, b + 14), std::string("\x36\0\0\0", 4));
    for (uint32_t i = 0; i < h->biSizeImage; ++i) ASSERT_EQ(image.GetBits()[i], 0) << i;
    CDibImage empty;
    EXPECT_EQ(empty.GetInfoHeader(), nullptr);
    std::vector<uint8_t> out;
    EXPECT_FALSE(empty.EncodeJpeg(80, out) || empty.SaveBmp("/nonexistent/x.bmp") ||
                 empty.Rotate(90) || empty.GrayScale());
    EXPECT_EQ(empty.GetErrorText(), "");
}

TEST(DibImageSample, EveryDepthIsStoredAsBottomUpTwentyFourBits) {
    RGBQUAD table[256] = {};
    table[1] = RGBQUAD{10, 20, 30, 0}, table[2] = RGBQUAD{200, 100, 50, 0};
    using Pixel = std::tuple<int, int, Rgb>;  // x, y from the top-left corner, colour
    struct Row {
        const char* name;
        int bitCount, width, height;  // a negative height: the rows are stored top-down
        std::vector<uint8_t> bits;
        std::vector<Pixel> expect;
    };
    const Row rows[] = {
        // The bottom-left pixel as blue, green, red; the size is computed when left at 0.
        {"24-bit", 24, 3, 2, {10, 20, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {{0, 1, {30, 20, 10}}, {0, 0, {0, 0, 0}}}},
        {"24-bit top-down", 24, 2, -2, {0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {{0, 0, {255, 0, 0}}, {0, 1, {0, 0, 0}}}},
        {"8-bit", 8, 3, 1, {1, 2, 0, 0}, {{0, 0, {30, 20, 10}}, {1, 0, {50, 100, 200}}}},
        {"4-bit", 4, 3, 1, {0x21, 0x10, 0, 0}, {{0, 0, {50, 100, 200}}, {2, 0, {30, 20, 10}}}},
        {"1-bit", 1, 9, 1, {0x80, 0x80, 0, 0},
         {{0, 0, {30, 20, 10}}, {1, 0, {0, 0, 0}}, {8, 0, {30, 20, 10}}}},
        {"16-bit 5-5-5", 16, 2, 1, {0x00, 0x7C, 0x1F, 0x00}, {{0, 0, {255, 0, 0}}, {1, 0, {0, 0, 255}}}},
        {"32-bit", 32, 1, 1, {1, 2, 3, 99}, {{0, 0, {3, 2, 1}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BITMAPINFOHEADER h = MakeRgb24Header(row.width, row.height);
        h.biBitCount = static_cast<uint16_t>(row.bitCount);
        h.biSizeImage = 0;
        CDibImage image;
        ASSERT_TRUE(image.CreateFromSample(h, row.bits.data(), table));
        EXPECT_EQ(image.Height(), std::abs(row.height));
        const BITMAPINFOHEADER* stored = image.GetInfoHeader();
        EXPECT_TRUE(stored->biBitCount == 24 && stored->biSizeImage == image.Stride() * image.Height());
        for (const auto& [x, y, rgb] : row.expect) EXPECT_EQ(PixelAt(image, x, y), rgb) << x;
    }
}

TEST(DibImageSample, BadSamplesFailAndLeaveTheObjectEmpty) {
    std::vector<uint8_t> bits(64, 0);
    // Depth, width, height, compression and the bytes given (0: as many as the rows need): an
    // 8-bit sample without colour table, an unknown depth, no width, too large, too few bytes,
    // run-length coded.
    using Row = std::tuple<uint16_t, int, int, uint32_t, size_t>;
    for (auto [depth, width, height, compression, size] :
         {Row{8, 4, 4, 0, 0}, Row{12, 4, 4, 0, 0}, Row{24, 0, 4, 0, 0}, Row{24, 65535, 65535, 0, 0},
          Row{24, 4, 4, 0, 10}, Row{24, 4, 4, 1, 0}}) {
        SCOPED_TRACE(depth);
        BITMAPINFOHEADER h = MakeRgb24Header(width, height);
        h.biBitCount = depth, h.biCompression = compression;
        CDibImage image = test::MakeGradient(2, 2);
        EXPECT_FALSE(image.CreateFromSample(h, bits.data(), nullptr, size));
        EXPECT_TRUE(image.IsEmpty());
        EXPECT_EQ(image.GetErrorText(), "Conversion to 24bit color Failed!");
    }
}

// A failed save names its step and the path, and leaves the picture.
TEST(DibImageFiles, SavesIntoAMissingDirectoryFailWithTheirText) {
    CDibImage image = test::MakeGradient(4, 4);
    auto expectFailed = [&](bool saved, const std::string& text) {
        EXPECT_FALSE(saved);
        EXPECT_EQ(image.GetErrorText(), text);
    };
    const std::string d = "/nonexistent-dir/", save = " Failed! [Image::Save() Failed!] [" + d;
    expectFailed(image.SaveBmp(d + "x.bmp"), "CreateFile() Failed! [/nonexistent-dir/x.bmp]");
    expectFailed(image.SaveJpeg(d + "a.jpg", 80), "Save to JPEG" + save + "a.jpg]");
    expectFailed(image.SavePng(d + "a.png"), "Save to PNG" + save + "a.png]");
    expectFailed(image.SavePng8(d + "b.png", 0, 1), "Save to PNG" + save + "b.png]");
    expectFailed(image.SaveGif(d + "a.gif", 1, 0), "Save to GIF" + save + "a.gif]");
    EXPECT_FALSE(image.IsEmpty());
}

}  // namespace
}  // namespace ocv
