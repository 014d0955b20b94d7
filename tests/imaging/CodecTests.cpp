// Decoding files written by PIL, encoding files that PIL reads back, and hostile input.
#include <gtest/gtest.h>

#include <tuple>

#include "TestSupport.h"

namespace ocv {
namespace {

using test::PixelAt;
using test::Rgb;

constexpr char kDecodeFailed[] = "Convert image failed! [Bitmap::LockBits() Failed!]";

// PIL writes the same 40 x 30 picture in many formats: colour bands, red top-left pixel block,
// blue bottom-right block.
constexpr char kMakeFiles[] = R"(
import sys
from PIL import Image
d = sys.argv[1]
im = Image.new('RGB', (40, 30))
im.putdata([(x * 6, y * 8, 128) for y in range(30) for x in range(40)])
im.paste((255, 0, 0), (0, 0, 8, 8))
im.paste((0, 0, 255), (32, 22, 40, 30))
im.save(d + '/q.jpg', quality=100, subsampling=0)
im.save(d + '/p.png')
im.save(d + '/i.png', interlace=1)
im.convert('RGBA').save(d + '/a.png')
im.convert('I').point(lambda v: v * 200).save(d + '/g16.png')
im.quantize(256).save(d + '/p8.png')
im.quantize(256).save(d + '/g.gif')
im.save(d + '/b.bmp')
im.quantize(256).save(d + '/b8.bmp')
im.save(d + '/t.tif')
)";

TEST(PilFiles, EveryFormatDecodesUpright) {
    test::TempDir dir;
    test::RunPython(kMakeFiles, {dir.Path()});
    // Palette files are quantised by PIL, the JPEG is lossy; 0: lossless, decoded exactly.
    for (auto [name, tolerance] : {std::pair{"p.png", 0}, {"i.png", 0}, {"a.png", 0}, {"b.bmp", 0},
                                   {"t.tif", 0}, {"p8.png", 24}, {"g.gif", 24}, {"b8.bmp", 24},
                                   {"q.jpg", 6}}) {
        SCOPED_TRACE(name);
        CDibImage image;
        ASSERT_TRUE(image.LoadFromFile(dir.File(name))) << image.GetErrorText();
        ASSERT_TRUE(image.Width() == 40 && image.Height() == 30);
        for (auto [x, y, want] : {std::tuple{2, 2, Rgb{255, 0, 0}}, {37, 27, Rgb{0, 0, 255}},
                                  {20, 15, Rgb{120, 120, 128}}}) {
            const Rgb p = PixelAt(image, x, y);
            EXPECT_TRUE(std::abs(p.r - want.r) <= tolerance && std::abs(p.g - want.g) <= tolerance &&
                        std::abs(p.b - want.b) <= tolerance) << x << "," << y;
        }
        EXPECT_TRUE(tolerance > 0 || PixelAt(image, 33, 11) == (Rgb{198, 88, 128}));
    }
    CDibImage grey;
    ASSERT_TRUE(grey.LoadFromFile(dir.File("g16.png")));
    const Rgb p = PixelAt(grey, 2, 2);
    EXPECT_TRUE(p.r == p.g && p.g == p.b) << p.r << "," << p.g << "," << p.b;
    // A block in memory decodes as the file does.
    CDibImage fromFile, fromMemory;
    ASSERT_TRUE(fromFile.LoadFromFile(dir.File("q.jpg")));
    ASSERT_TRUE(fromMemory.LoadFromMemory(test::ReadFile(dir.File("q.jpg"))));
    EXPECT_EQ(std::memcmp(fromFile.GetBlock(), fromMemory.GetBlock(), fromFile.GetBlockSize()), 0);
}

// PIL reads the JPEG upright at its size, and a lower quality gives a smaller file with coarser
// quantisers; SaveJpeg writes what EncodeJpeg makes, and EncodeJpegInto checks the capacity.
TEST(JpegEncode, PilReadsItUprightQualityMattersAndEveryWayGivesTheSameBytes) {
    CDibImage image = test::Make(64, 48, [](int x, int y) {
        return x < 16 && y < 16 ? Rgb{255, 0, 0} : Rgb{(x * 7) & 255, (y * 11) & 255, 40};
    });
    std::vector<uint8_t> low, high;
    const uint32_t lowSize = image.EncodeJpeg(10, low), size = image.EncodeJpeg(95, high);
    ASSERT_TRUE(lowSize > 0 && low.size() == lowSize);
    EXPECT_LT(lowSize, size);
    test::TempDir dir;
    test::WriteFile(dir.File("low.jpg"), low);
    ASSERT_TRUE(image.SaveJpeg(dir.File("high.jpg"), 95));
    EXPECT_EQ(test::ReadFile(dir.File("high.jpg")), high);
    // Size, the luminance quantiser at DC of both, and the top-left colour as PIL decodes them.
    EXPECT_EQ(test::RunPython("import sys\nfrom PIL import Image\n"
                              "lo, hi = [Image.open(f) for f in sys.argv[1:]]\n"
                              "print(lo.format, hi.size, lo.quantization[0][0] > hi.quantization[0][0])\n"
                              "r, g, b = hi.getpixel((4, 4))\nprint(r > 230 and g < 30 and b < 30)",
                              {dir.File("low.jpg"), dir.File("high.jpg")}),
              "JPEG (64, 48) True\nTrue\n");
    std::vector<uint8_t> small(size - 1, 0xAA);
    EXPECT_EQ(image.EncodeJpegInto(small.data(), small.size(), 95), 0u);
    EXPECT_EQ(image.GetErrorText(), "Image::Save() Failed! Invalid buffer size!!");
    std::vector<uint8_t> big(size + 100, 0xAA);
    EXPECT_EQ(image.EncodeJpegInto(big.data(), big.size(), 95), size);
    EXPECT_EQ(image.GetErrorText(), "");
    high.resize(big.size());  // the rest zero-filled
    EXPECT_EQ(big, high);
}

// ---- hostile input --------------------------------------------------------------------------

void ExpectDecodeFails(const std::vector<uint8_t>& data, const std::string& what = "") {
    SCOPED_TRACE(what);
    CDibImage image = test::MakeGradient(2, 2);
    EXPECT_FALSE(image.LoadFromMemory(data.data(), data.size()));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.GetErrorText(), kDecodeFailed);
}

TEST(BadInput, EmptyAndUnknownBlocks) {
    CDibImage image;
    const uint8_t one = 0xFF;
    for (auto [data, size] : {std::pair<const uint8_t*, size_t>{nullptr, 10}, {&one, 0}}) {
        EXPECT_FALSE(image.LoadFromMemory(data, size));
        EXPECT_EQ(image.GetErrorText(), "CreateStreamOnHGlobal() Failed!");
    }
    ExpectDecodeFails({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    ExpectDecodeFails({0xFF, 0xD8});
    for (const char* path : {"/nonexistent-dir/none.jpg", "/"})
        EXPECT_TRUE(!image.LoadFromFile(path) && image.GetErrorText() == kDecodeFailed) << path;
}

TEST(BadInput, TruncatedAndCorruptFiles) {
    CDibImage image = test::MakeNoise(64, 48, 3);
    std::vector<uint8_t> jpeg;
    ASSERT_GT(image.EncodeJpeg(90, jpeg), 0u);
    test::TempDir dir;
    ASSERT_TRUE(image.SavePng(dir.File("a.png")) && image.SaveGif(dir.File("a.gif"), 0, 0) &&
                image.SaveBmp(dir.File("a.bmp")));
    const auto png = test::ReadFile(dir.File("a.png"));
    for (const auto& file : {jpeg, png, test::ReadFile(dir.File("a.gif")), test::ReadFile(dir.File("a.bmp"))})
        for (size_t cut : {file.size() / 2, file.size() / 4, size_t{20}})
            ExpectDecodeFails(std::vector<uint8_t>(file.begin(), file.begin() + cut));
    // Corrupt the entropy-coded data and the zlib stream.
    std::vector<uint8_t> badPng = png;
    for (size_t i = 60; i < badPng.size() - 20; i += 7) badPng[i] ^= 0x5A;
    ExpectDecodeFails(badPng);
}

TEST(BadInput, HugeHeadersFailBeforeAllocating) {
    // JPEG, PNG, GIF and BMP headers of 65535 x 65535 made by Python (valid chunk CRC for the
    // PNG), and a BMP of an unknown depth.
    test::TempDir dir;
    test::RunPython(R"(
import sys, struct, zlib
d = sys.argv[1]
open(d + '/h.jpg', 'wb').write(b'\xff\xd8\xff\xdb\x00\x43\x00' + b'\x01' * 64 +
                               b'\xff\xc0\x00\x0b\x08\xff\xff\xff\xff\x01\x01\x11\x00\xff\xd9')
ihdr = struct.pack('>IIBBBBB', 65535, 65535, 8, 2, 0, 0, 0)
chunk = lambda t, b: struct.pack('>I', len(b)) + t + b + struct.pack('>I', zlib.crc32(t + b))
open(d + '/h.png', 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) +
                                chunk(b'IDAT', zlib.compress(b'\0' * 1000)) + chunk(b'IEND', b''))
open(d + '/h.gif', 'wb').write(b'GIF89a' + struct.pack('<HHBBB', 65535, 65535, 0x80, 0, 0) +
    b'\0' * 6 + b',' + struct.pack('<HHHHB', 0, 0, 65535, 65535, 0) + b'\x02\x02\x44\x01\x00;')
bmp = lambda w, h, bits: b'BM' + struct.pack('<IHHI', 200, 0, 0, 54) + struct.pack(
    '<IiiHHIIiiII', 40, w, h, 1, bits, 0, 0, 0, 0, 0, 0) + b'\0' * 100
open(d + '/h.bmp', 'wb').write(bmp(65535, 65535, 24))
open(d + '/depth.bmp', 'wb').write(bmp(4, 4, 7))
)",
                    {dir.Path()});
    for (const char* name : {"h.jpg", "h.png", "h.gif", "h.bmp", "depth.bmp"})
        ExpectDecodeFails(test::ReadFile(dir.File(name)), name);
}

}  // namespace
}  // namespace ocv
