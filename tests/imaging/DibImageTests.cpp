// The picture object's block, sample conversion and BMP output, checked with PIL.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ocv {
namespace {

using test::PixelAt;
using test::Rgb;

TEST(DibImageBlock, BlankPictureKeepsTheInvariantsAndAnEmptyObjectFailsWithoutText) {
    CDibImage image;
    ASSERT_TRUE(image.CreateBlank(101, 3));
    const BITMAPINFOHEADER* h = image.GetInfoHeader();
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biBitCount, 24);
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
    EXPECT_EQ(empty.EncodeJpeg(80, out), 0u);
    EXPECT_FALSE(empty.SaveBmp("/nonexistent/x.bmp"));
    EXPECT_FALSE(empty.Rotate(90));
    EXPECT_FALSE(empty.GrayScale());
    EXPECT_EQ(empty.GetErrorText(), "");
}

TEST(DibImageSample, EveryDepthIsStoredAsBottomUpTwentyFourBits) {
    RGBQUAD table[256] = {};
    table[1] = RGBQUAD{10, 20, 30, 0};
    table[2] = RGBQUAD{200, 100, 50, 0};
    struct Pixel {
        int x, y;  // from the top-left corner
        Rgb rgb;
    };
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
        EXPECT_EQ(image.GetInfoHeader()->biBitCount, 24);
        EXPECT_EQ(image.GetInfoHeader()->biSizeImage, image.Stride() * image.Height());
        for (const Pixel& p : row.expect) EXPECT_EQ(PixelAt(image, p.x, p.y), p.rgb) << p.x;
    }
}

TEST(DibImageSample, BadSamplesFailAndLeaveTheObjectEmpty) {
    std::vector<uint8_t> bits(64, 0);
    // Depth, width, height, compression and the bytes given (0: as many as the rows need).
    struct Row {
        int bitCount, width, height, compression;
        size_t size;
    };
    // An 8-bit sample without colour table, an unknown depth, no width, too large, too few
    // bytes, run-length coded.
    for (Row row : {Row{8, 4, 4, 0, 0}, Row{12, 4, 4, 0, 0}, Row{24, 0, 4, 0, 0},
                    Row{24, 65535, 65535, 0, 0}, Row{24, 4, 4, 0, 10}, Row{24, 4, 4, 1, 0}}) {
        SCOPED_TRACE(row.bitCount);
        BITMAPINFOHEADER h = MakeRgb24Header(row.width, row.height);
        h.biBitCount = static_cast<uint16_t>(row.bitCount);
        h.biCompression = static_cast<uint32_t>(row.compression);
        CDibImage image = test::MakeGradient(2, 2);
        EXPECT_FALSE(image.CreateFromSample(h, bits.data(), nullptr, row.size));
        EXPECT_TRUE(image.IsEmpty());
        EXPECT_EQ(image.GetErrorText(), "Conversion to 24bit color Failed!");
    }
}

TEST(DibImageBmp, SavedFileIsReadByPil) {
    test::TempDir dir;
    for (int width : {100, 101}) {
        CDibImage image = test::MakeGradient(width, 100);
        test::SetPixel(image, 0, 0, Rgb{255, 0, 0});
        const std::string path = dir.File("p" + std::to_string(width) + ".bmp");
        ASSERT_TRUE(image.SaveBmp(path));
        EXPECT_EQ(test::ReadFile(path).size(), 54u + (width == 100 ? 300 : 304) * 100);
        bool ok = false;
        // The top-left pixel and one of the gradient, (5 x 7, 7 x 11, 5 x 3 + 7 x 5).
        EXPECT_EQ(test::RunPython("import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                                  "print(im.format, im.size, im.mode, im.getpixel((0, 0)), im.getpixel((5, 7)))",
                                  {path}, &ok),
                  "BMP (" + std::to_string(width) + ", 100) RGB (255, 0, 0) (35, 77, 50)\n");
        EXPECT_TRUE(ok);
    }
}

// A failed save names its step and the path, and leaves the picture.
TEST(DibImageFiles, SavesIntoAMissingDirectoryFailWithTheirText) {
    CDibImage image = test::MakeGradient(4, 4);
    auto expectFailed = [&](bool saved, const char* text) {
        EXPECT_FALSE(saved);
        EXPECT_EQ(image.GetErrorText(), text);
    };
    expectFailed(image.SaveBmp("/nonexistent-dir/x.bmp"), "CreateFile() Failed! [/nonexistent-dir/x.bmp]");
    expectFailed(image.SaveJpeg("/nonexistent-dir/a.jpg", 80),
                 "Save to JPEG Failed! [Image::Save() Failed!] [/nonexistent-dir/a.jpg]");
    expectFailed(image.SavePng("/nonexistent-dir/a.png"),
                 "Save to PNG Failed! [Image::Save() Failed!] [/nonexistent-dir/a.png]");
    expectFailed(image.SavePng8("/nonexistent-dir/b.png", 0, 1),
                 "Save to PNG Failed! [Image::Save() Failed!] [/nonexistent-dir/b.png]");
    expectFailed(image.SaveGif("/nonexistent-dir/a.gif", 1, 0),
                 "Save to GIF Failed! [Image::Save() Failed!] [/nonexistent-dir/a.gif]");
    EXPECT_FALSE(image.IsEmpty());
}

}  // namespace
}  // namespace ocv
