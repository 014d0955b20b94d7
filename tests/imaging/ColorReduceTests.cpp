// Palettes, nearest colour, the error-diffusion dither (against a plain double reference written
// from the description) and 8-bit PNG / GIF files read back by PIL.
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
        for (int x = 0; x < w; ++x) {
            const Rgb c = test::PixelAt(image, x, y);
            px.insert(px.end(), {double(c.r), double(c.g), double(c.b)});
        }
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
            add(x + 1, y, 7.0 / 16);
            add(x - 1, y - 1, 3.0 / 16);
            add(x, y - 1, 5.0 / 16);
            add(x + 1, y - 1, 1.0 / 16);
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

// PIL reads mode, palette entries and the upright index rows of an 8-bit file.
std::string PilIndexed(const std::string& path) {
    bool ok = false;
    const std::string out = test::RunPython(
        "import sys\nfrom PIL import Image\nim=Image.open(sys.argv[1])\n"
        "pal=im.getpalette()\nprint(im.format, im.mode, im.size, len(pal)//3)\n"
        "print(pal[215*3:215*3+3], pal[255*3:255*3+3])\n"
        "print(' '.join(str(im.getpixel((x,y))) for y in range(im.size[1]) for x in "
        "range(im.size[0])))",
        {path}, &ok);
    EXPECT_TRUE(ok) << out;
    return out;
}

TEST(IndexedFiles, PngAndGifCarryPaletteAndUprightIndices) {
    test::TempDir dir;
    CDibImage image = test::MakeGradient(7, 5);
    test::SetPixel(image, 0, 0, Rgb{255, 255, 255});  // top-left white
    test::SetPixel(image, 6, 4, Rgb{0, 0, 0});        // bottom-right black
    for (int no : {0, 1}) {
        IndexedImage expect;
        ASSERT_TRUE(ReduceNearColor(image, no, expect));
        std::ostringstream indices;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                indices << int(expect.indices[(4 - y) * expect.stride + x])
                        << (y == 4 && x == 6 ? "\n" : " ");
        const std::string pngPath = dir.File("p" + std::to_string(no) + ".png");
        const std::string gifPath = dir.File("p" + std::to_string(no) + ".gif");
        ASSERT_TRUE(image.SavePng8(pngPath, 0, no));
        ASSERT_TRUE(image.SaveGif(gifPath, 0, no));
        const std::string white =
            no == 0 ? "[255, 255, 255] [0, 0, 0]" : "[219, 182, 255] [255, 255, 255]";
        EXPECT_EQ(PilIndexed(pngPath), "PNG P (7, 5) 256\n" + white + "\n" + indices.str());
        EXPECT_EQ(PilIndexed(gifPath), "GIF P (7, 5) 256\n" + white + "\n" + indices.str());
        EXPECT_EQ(indices.str().substr(0, 4), no == 0 ? "215 " : "255 ");
        EXPECT_EQ(indices.str().substr(indices.str().size() - 2), "0\n");
    }
}

TEST(IndexedFiles, SaveImageDispatchesOnTheSettings) {
    test::TempDir dir;
    CDibImage image = test::MakeGradient(9, 9);
    ImageSettings s;
    s.imageFileFormat = IMAGE_FORMAT_PNG;
    s.pngBitCount = 16;
    EXPECT_FALSE(SaveImage(image, s, dir.File("x16.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("x16.png")));
    EXPECT_EQ(image.GetErrorText(), "");
    struct Case {
        int format, bits;
        const char *name, *pil;
    } cases[] = {{0, 8, "a.bmp", "BMP RGB"}, {1, 8, "a.jpg", "JPEG RGB"}, {2, 8, "a.png", "PNG P"},
                 {2, 24, "b.png", "PNG RGB"}, {3, 8, "a.gif", "GIF P"}};
    std::vector<std::string> paths;
    std::string expect;
    for (const Case& c : cases) {
        s.imageFileFormat = c.format;
        s.pngBitCount = c.bits;
        paths.push_back(dir.File(c.name));
        ASSERT_TRUE(SaveImage(image, s, paths.back())) << c.name;
        expect += std::string(c.pil) + "\n";
    }
    bool ok = false;
    EXPECT_EQ(test::RunPython("import sys\nfrom PIL import Image\nfor f in sys.argv[1:]:\n"
                              "  im=Image.open(f)\n  print(im.format, im.mode)",
                              paths, &ok),
              expect);
}

}  // namespace
}  // namespace ocv
