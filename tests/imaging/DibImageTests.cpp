// The picture object's block, sample conversion and BMP output, checked with PIL.
#include <gtest/gtest.h>

#include <cstring>

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

TEST(DibImageSample, TwentyFourBitSampleIsCopiedAndSizeComputed) {
    BITMAPINFOHEADER h = MakeRgb24Header(3, 2);
    h.biSizeImage = 0;
    std::vector<uint8_t> bits(DibStride(3, 24) * 2, 0);
    bits[0] = 10, bits[1] = 20, bits[2] = 30;  // bottom-left pixel: blue, green, red
    CDibImage image;
    ASSERT_TRUE(image.CreateFromSample(h, bits.data()));
    EXPECT_EQ(image.GetInfoHeader()->biSizeImage, 24u);
    EXPECT_EQ(PixelAt(image, 0, 1), (Rgb{30, 20, 10}));
}

TEST(DibImageSample, TopDownSampleIsStoredBottomUp) {
    BITMAPINFOHEADER h = MakeRgb24Header(2, 2);
    h.biHeight = -2;
    std::vector<uint8_t> bits(DibStride(2, 24) * 2, 0);
    bits[2] = 255;  // first stored row is the top row: top-left pixel red
    CDibImage image;
    ASSERT_TRUE(image.CreateFromSample(h, bits.data()));
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(image, 0, 1), (Rgb{0, 0, 0}));
}

TEST(DibImageSample, OtherDepthsAreConverted) {
    // 8-bit with a colour table, 4-bit, 1-bit, 16-bit 5-5-5, 32-bit.
    RGBQUAD table[256] = {};
    table[1] = RGBQUAD{10, 20, 30, 0};
    table[2] = RGBQUAD{200, 100, 50, 0};
    {
        BITMAPINFOHEADER h = MakeRgb24Header(3, 1);
        h.biBitCount = 8;
        const uint8_t bits[4] = {1, 2, 0, 0};
        CDibImage image;
        ASSERT_TRUE(image.CreateFromSample(h, bits, table));
        EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{30, 20, 10}));
        EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{50, 100, 200}));
        EXPECT_EQ(image.GetInfoHeader()->biBitCount, 24);
    }
    {
        BITMAPINFOHEADER h = MakeRgb24Header(3, 1);
        h.biBitCount = 4;
        const uint8_t bits[4] = {0x21, 0x10, 0, 0};  // indices 2, 1, 1
        CDibImage image;
        ASSERT_TRUE(image.CreateFromSample(h, bits, table));
        EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{50, 100, 200}));
        EXPECT_EQ(PixelAt(image, 2, 0), (Rgb{30, 20, 10}));
    }
    {
        BITMAPINFOHEADER h = MakeRgb24Header(9, 1);
        h.biBitCount = 1;
        const uint8_t bits[4] = {0x80, 0x80, 0, 0};  // pixel 0 and pixel 8 use entry 1
        CDibImage image;
        ASSERT_TRUE(image.CreateFromSample(h, bits, table));
        EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{30, 20, 10}));
        EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{0, 0, 0}));
        EXPECT_EQ(PixelAt(image, 8, 0), (Rgb{30, 20, 10}));
    }
    {
        BITMAPINFOHEADER h = MakeRgb24Header(2, 1);
        h.biBitCount = 16;
        const uint16_t px[2] = {0x7C00, 0x001F};  // pure red, pure blue
        CDibImage image;
        ASSERT_TRUE(image.CreateFromSample(h, px));
        EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{255, 0, 0}));
        EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{0, 0, 255}));
    }
    {
        BITMAPINFOHEADER h = MakeRgb24Header(1, 1);
        h.biBitCount = 32;
        const uint8_t px[4] = {1, 2, 3, 99};
        CDibImage image;
        ASSERT_TRUE(image.CreateFromSample(h, px));
        EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{3, 2, 1}));
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
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(bytes[10], 54);
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

TEST(DibImageBmp, SaveToMissingDirectoryNamesThePath) {
    CDibImage image = test::MakeGradient(4, 4);
    EXPECT_FALSE(image.SaveBmp("/nonexistent-dir/x.bmp"));
    EXPECT_EQ(image.GetErrorText(), "CreateFile() Failed! [/nonexistent-dir/x.bmp]");
    EXPECT_FALSE(image.IsEmpty());  // a failed save leaves the picture
}

}  // namespace
}  // namespace ocv
