// Palettes, nearest colour, the error-diffusion dither (against a plain double reference written
// from the description) and every file format of the settings read back by PIL.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "TestSupport.h"
#include "imaging/ColorReduce.h"

namespace ocv {
namespace {

using test::Rgb;

TEST(NearestColor, TiesGoToTheLowerIndexAndAnUnknownPaletteIsBlack) {
    // Red 18 lies exactly between the levels 0 and 36 of palette 1.
    EXPECT_EQ(NearestColorIndex(MakePalette(1), 18, 0, 0), 0);
    EXPECT_EQ(NearestColorFinder(1).Find(18, 0, 0), 0);
    EXPECT_EQ(NearestColorFinder(1).Find(91, 91, 0), 32 * 2 + 4 * 2);
    Palette twins{};
    twins[3] = twins[5] = RGBQUAD{10, 10, 10, 0};
    EXPECT_EQ(NearestColorIndex(twins, 10, 10, 10), 3);
    for (const RGBQUAD& e : MakePalette(7)) EXPECT_EQ(e.rgbRed + e.rgbGreen + e.rgbBlue + e.rgbReserved, 0);
    EXPECT_EQ(NearestColorFinder(9).Find(200, 10, 99), 0);
}

TEST(NearestColor, TablesAgreeWithTheFullSearch) {
    for (int no : {0, 1, 2}) {
        const NearestColorFinder finder(no);
        const Palette pal = MakePalette(no);
        // Every value of one channel against a lattice of the other two, each way round.
        for (int v = 0; v < 256; ++v)
            for (int a = 0; a < 256; a += 17)
                for (int b = 0; b < 256; b += 13) {
                    ASSERT_EQ(finder.Find(v, a, b), NearestColorIndex(pal, v, a, b));
                    ASSERT_EQ(finder.Find(a, v, b), NearestColorIndex(pal, a, v, b));
                    ASSERT_EQ(finder.Find(a, b, v), NearestColorIndex(pal, a, b, v));
                }
    }
}

// Error diffusion as described, in doubles over the picture's rows from the bottom up; gives
// the indices in top-down rows.
std::vector<uint8_t> ReferenceDither(const CDibImage& image, int no) {
    const int w = image.Width(), h = image.Height();
    const Palette pal = MakePalette(no);
    std::vector<double> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (const Rgb c = test::PixelAt(image, x, y); int v : {c.r, c.g, c.b}) px.push_back(v);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            double* v = &px[(static_cast<size_t>(y) * w + x) * 3];
            int c[3];
            for (int k = 0; k < 3; ++k)  // rounded half away from zero, then clamped
                c[k] = std::clamp(static_cast<int>(v[k] >= 0 ? v[k] + 0.5 : v[k] - 0.5), 0, 255);
            const int idx = NearestColorIndex(pal, c[0], c[1], c[2]);
            out[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(idx);
            const double e[3] = {v[0] - pal[idx].rgbRed, v[1] - pal[idx].rgbGreen,
                                 v[2] - pal[idx].rgbBlue};
            auto add = [&](int xx, int yy, double f) {
                if (xx < 0 || xx >= w || yy < 0) return;
                double* t = &px[(static_cast<size_t>(yy) * w + xx) * 3];
                for (int k = 0; k < 3; ++k) t[k] += e[k] * f;
            };
            add(x + 1, y, 7.0 / 16), add(x - 1, y - 1, 3.0 / 16);
            add(x, y - 1, 5.0 / 16), add(x + 1, y - 1, 1.0 / 16);
        }
    }
    return out;
}

TEST(Dither, MatchesThePlainDoubleReference) {
    for (int no : {0, 1}) {
        for (auto [w, h] : {std::pair{37, 23}, std::pair{1, 9}, std::pair{64, 1}, std::pair{1, 1}}) {
            CDibImage image = test::MakeNoise(w, h, static_cast<uint32_t>(no * 100 + w));
            const auto expect = ReferenceDither(image, no);
            IndexedImage got;
            ASSERT_TRUE(ReduceDither(image, no, got));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(got.indices[static_cast<size_t>(h - 1 - y) * got.stride + x],
                              expect[static_cast<size_t>(y) * w + x])
                        << "palette " << no << " size " << w << "x" << h << " at " << x << "," << y;
        }
    }
}

// Every file SaveImage writes is read back by PIL upright and exactly: BMP (with padded rows) and
// 24-bit PNG as the picture, 8-bit PNG and GIF as the colours of the 256-entry palette that the
// reduction (nearest or dithered) picks; JPEG by its format only. 16-bit PNG is refused.
TEST(SavedFiles, PilReadsEveryFormatOfTheSettingsExactlyAndUpright) {
    test::TempDir dir;
    CDibImage image = test::MakeGradient(7, 5);  // 21 bytes a row
    test::SetPixel(image, 0, 0, Rgb{255, 255, 255});
    ImageSettings s;
    s.imageFileFormat = IMAGE_FORMAT_PNG, s.pngBitCount = 16;
    EXPECT_FALSE(SaveImage(image, s, dir.File("x16.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("x16.png")));
    EXPECT_EQ(image.GetErrorText(), "");
    const struct {
        int format, bits, dither, palette;
        const char *name, *pil;
    } rows[] = {{IMAGE_FORMAT_BMP, 8, 0, 0, "a.bmp", "BMP RGB 0"},
                {IMAGE_FORMAT_PNG, 24, 0, 0, "a.png", "PNG RGB 0"},
                {IMAGE_FORMAT_PNG, 8, 0, 0, "p0.png", "PNG P 256"},
                {IMAGE_FORMAT_PNG, 8, 0, 1, "p1.png", "PNG P 256"},
                {IMAGE_FORMAT_GIF, 8, 0, 1, "p1.gif", "GIF P 256"},
                {IMAGE_FORMAT_GIF, 8, 1, 0, "d0.gif", "GIF P 256"},
                {IMAGE_FORMAT_JPEG, 8, 0, 0, "a.jpg", "JPEG RGB 0"}};
    std::vector<std::string> paths;
    std::ostringstream expect;
    for (const auto& r : rows) {
        s.imageFileFormat = r.format, s.pngBitCount = r.bits;
        s.pngReduceType = r.dither, s.pngPaletteNo = r.palette;
        paths.push_back(dir.File(r.name));
        ASSERT_TRUE(SaveImage(image, s, paths.back())) << r.name;
        const bool indexed = std::string(r.pil).ends_with(" 256");
        IndexedImage reduced;
        ASSERT_TRUE(!indexed || (r.dither ? ReduceDither : ReduceNearColor)(image, r.palette, reduced));
        const Palette pal = MakePalette(r.palette);
        expect << r.pil << " (7, 5)";
        for (int y = 0; y < 5 && r.format != IMAGE_FORMAT_JPEG; ++y)
            for (int x = 0; x < 7; ++x) {
                const RGBQUAD& e = pal[indexed ? reduced.indices[(4 - y) * reduced.stride + x] : 0];
                const Rgb c = indexed ? Rgb{e.rgbRed, e.rgbGreen, e.rgbBlue} : test::PixelAt(image, x, y);
                expect << ' ' << c.r << ',' << c.g << ',' << c.b;
            }
        expect << '\n';
    }
    EXPECT_EQ(test::ReadFile(paths[0]).size(), 54u + 24 * 5);
    EXPECT_EQ(test::RunPython("import sys\nfrom PIL import Image\nfor f in sys.argv[1:]:\n"
                              "  im = Image.open(f)\n"
                              "  pal = len(im.getpalette()) // 3 if im.mode == 'P' else 0\n"
                              "  px = [] if im.format == 'JPEG' else im.convert('RGB').getdata()\n"
                              "  print(im.format, im.mode, pal, im.size, *('%d,%d,%d' % p for p in px))",
                              paths),
              expect.str());
}

}  // namespace
}  // namespace ocv
