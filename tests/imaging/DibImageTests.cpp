// The picture object's block, sample conversion and BMP output, checked with PIL.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "TestSupport.h"
#include "imaging/DibImage.h"

namespace ocv {
namespace {

using test::PixelAt;
using test::Rgb;

TEST(DibImageBlock, BlankPictureKeepsTheInvariants) {
    CDibImage image;
    ASSERT_TRUE(image.CreateBlank(101, 3));
    const BITMAPINFOHEADER* h = image.GetInfoHeader();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biBitCount, 24);
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biCompression, 0u);
    EXPECT_EQ(h->biHeight, 3);
    EXPECT_EQ(image.Stride(), 304u);
    EXPECT_EQ(h->biSizeImage, 304u * 3);
    EXPECT_EQ(image.GetBlockSize(), 304u * 3 + 58);
    const uint8_t* b = image.GetBlock();
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    uint32_t fileSize, offset;
    std::memcpy(&fileSize, b + 2, 4);
    std::memcpy(&offset, b + 10, 4);
    EXPECT_EQ(fileSize, 304u * 3 + 54);
    EXPECT_EQ(offset, 54u);
    for (uint32_t i = 0; i < h->biSizeImage; ++i) ASSERT_EQ(image.GetBits()[i], 0) << i;
}

TEST(DibImageBlock, EmptyObjectFailsWithoutText) {
    CDibImage image;
    EXPECT_EQ(image.GetInfoHeader(), nullptr);
    EXPECT_EQ(image.GetBits(), nullptr);
    std::vector<uint8_t> out;
    EXPECT_EQ(image.EncodeJpeg(80, out), 0u);
    EXPECT_FALSE(image.SaveBmp("/nonexistent/x.bmp"));
    EXPECT_FALSE(image.Rotate(90));
    EXPECT_FALSE(image.GrayScale());
    EXPECT_EQ(image.GetErrorText(), "");
}

TEST(DibImageBlock, CopiesAreIndependent) {
    CDibImage a = test::MakeGradient(5, 4);
    CDibImage b = a;
    test::SetPixel(b, 0, 0, Rgb{1, 2, 3});
    EXPECT_NE(PixelAt(a, 0, 0), PixelAt(b, 0, 0));
    EXPECT_EQ(PixelAt(a, 4, 3), PixelAt(b, 4, 3));
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
    const char* kText = "Conversion to 24bit color Failed!";
    std::vector<uint8_t> bits(64, 0);
    auto attempt = [&](BITMAPINFOHEADER h, const RGBQUAD* table = nullptr, size_t size = 0) {
        CDibImage image = test::MakeGradient(2, 2);
        const bool ok = image.CreateFromSample(h, bits.data(), table, size);
        EXPECT_FALSE(ok);
        EXPECT_TRUE(image.IsEmpty());
        EXPECT_EQ(image.GetErrorText(), kText);
    };
    BITMAPINFOHEADER h = MakeRgb24Header(4, 4);
    h.biBitCount = 8;
    attempt(h);  // no colour table
    h = MakeRgb24Header(4, 4);
    h.biBitCount = 12;
    attempt(h);
    attempt(MakeRgb24Header(0, 4));
    attempt(MakeRgb24Header(65535, 65535));
    attempt(MakeRgb24Header(4, 4), nullptr, 10);  // fewer bytes than the rows need
    h = MakeRgb24Header(4, 4);
    h.biCompression = 1;  // run-length coded
    attempt(h);
}

TEST(DibImageBmp, SavedFileIsReadByPil) {
    test::TempDir dir;
    for (int width : {100, 101}) {
        CDibImage image = test::MakeGradient(width, 100);
        test::SetPixel(image, 0, 0, Rgb{255, 0, 0});
        const std::string path = dir.File("p" + std::to_string(width) + ".bmp");
        ASSERT_TRUE(image.SaveBmp(path));
        const auto bytes = test::ReadFile(path);
        const size_t rowBytes = width == 100 ? 300 : 304;
        EXPECT_EQ(bytes.size(), 54 + rowBytes * 100);
        bool ok = false;
        const std::string out = test::RunPython(
            "import sys\nfrom PIL import Image\nim=Image.open(sys.argv[1])\n"
            "print(im.format, im.size[0], im.size[1], im.mode, im.getpixel((0,0)), "
            "im.getpixel((5,7)))",
            {path}, &ok);
        ASSERT_TRUE(ok) << out;
        const Rgb p = PixelAt(image, 5, 7);
        char expect[128];
        std::snprintf(expect, sizeof expect, "BMP %d 100 RGB (255, 0, 0) (%d, %d, %d)\n", width,
                      p.r, p.g, p.b);
        EXPECT_EQ(out, expect);
    }
}

// A failed save names its step and the path, and leaves the picture.
TEST(DibImageFiles, SavesIntoAMissingDirectoryFailWithTheirText) {
    CDibImage image = test::MakeGradient(4, 4);
    struct Row {
        bool (*save)(CDibImage&, const std::string&);
        const char* path;
        const char* text;
    };
    const Row rows[] = {
        {[](CDibImage& i, const std::string& p) { return i.SaveBmp(p); }, "/nonexistent-dir/x.bmp",
         "CreateFile() Failed! [/nonexistent-dir/x.bmp]"},
        {[](CDibImage& i, const std::string& p) { return i.SaveJpeg(p, 80); },
         "/nonexistent-dir/a.jpg",
         "Save to JPEG Failed! [Image::Save() Failed!] [/nonexistent-dir/a.jpg]"},
        {[](CDibImage& i, const std::string& p) { return i.SavePng(p); }, "/nonexistent-dir/a.png",
         "Save to PNG Failed! [Image::Save() Failed!] [/nonexistent-dir/a.png]"},
        {[](CDibImage& i, const std::string& p) { return i.SavePng8(p, 0, 1); },
         "/nonexistent-dir/b.png",
         "Save to PNG Failed! [Image::Save() Failed!] [/nonexistent-dir/b.png]"},
        {[](CDibImage& i, const std::string& p) { return i.SaveGif(p, 1, 0); },
         "/nonexistent-dir/a.gif",
         "Save to GIF Failed! [Image::Save() Failed!] [/nonexistent-dir/a.gif]"},
    };
    for (const Row& row : rows) {
        EXPECT_FALSE(row.save(image, row.path));
        EXPECT_EQ(image.GetErrorText(), row.text);
        EXPECT_FALSE(image.IsEmpty());
    }
}

}  // namespace
}  // namespace ocv
