// Text stamping with FreeType: positions without margin, colours, background modes, font
// attributes, Japanese text and the stamps of the edit routine.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "imaging/EditImage.h"
#include "imaging/TextRenderer.h"

namespace ocv {
namespace {

using test::PixelAt;
using test::Rgb;

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
    int count = 0;
};

// Pixels that differ from `background`.
Box Changed(const CDibImage& image, Rgb background = Rgb{90, 90, 90}) {
    Box b;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (!(PixelAt(image, x, y) == background)) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
                ++b.count;
            }
    return b;
}

CDibImage Grey(int w, int h) { return test::MakeFilled(w, h, Rgb{90, 90, 90}); }

TEST(PrintText, OpaqueCellSitsInEveryCornerWithoutMargin) {
    TextStyle style;  // default record: height 14 cell, white on black, Shift-JIS face
    style.transparentText = 0;
    TextExtent extent;
    ASSERT_TRUE(MeasureTextLine(style, "2026/3/5 09:04:07", extent));
    EXPECT_EQ(extent.height, 14);
    EXPECT_GT(extent.width, 60);
    for (int v = 0; v < 3; ++v)
        for (int h = 0; h < 3; ++h) {
            SCOPED_TRACE(std::to_string(v) + "," + std::to_string(h));
            CDibImage image = Grey(200, 100);
            ASSERT_TRUE(image.PrintText(style, "2026/3/5 09:04:07", v, h));
            const Box b = Changed(image);
            EXPECT_EQ(b.bottom - b.top + 1, 14);
            EXPECT_EQ(b.right - b.left + 1, extent.width);
            EXPECT_EQ(b.top, v * (100 - 14) / 2);
            EXPECT_EQ(b.left, h * (200 - extent.width) / 2);
        }
    // Positions outside 0..2 count as top and left.
    CDibImage image = Grey(200, 100);
    ASSERT_TRUE(image.PrintText(style, "X", 7, -1));
    const Box b = Changed(image);
    EXPECT_EQ(b.top, 0);
    EXPECT_EQ(b.left, 0);
}

TEST(PrintText, TransparentTextDrawsOnlyGlyphsInTheTextColour) {
    TextStyle style;
    style.textColor = 0x0000FF;  // COLORREF: pure red
    style.height = -20;
    CDibImage image = Grey(120, 40);
    ASSERT_TRUE(image.PrintText(style, "HH", 0, 0));
    const Box b = Changed(image);
    ASSERT_GT(b.count, 20);
    int pure = 0;
    for (int y = b.top; y <= b.bottom; ++y)
        for (int x = b.left; x <= b.right; ++x) {
            const Rgb p = PixelAt(image, x, y);
            EXPECT_GE(p.r, 90);  // only blended towards red
            EXPECT_LE(p.g, 90);
            if (p == Rgb{255, 0, 0}) ++pure;
        }
    EXPECT_GT(pure, 10);
    EXPECT_LT(b.count, (b.right - b.left + 1) * (b.bottom - b.top + 1));  // background shows
}

TEST(PrintText, HeightSignAndAttributesChangeTheRendering) {
    TextStyle cell;
    cell.height = 30;
    TextStyle character = cell;
    character.height = -30;
    TextExtent a, b;
    ASSERT_TRUE(MeasureTextLine(cell, "Ag", a));
    ASSERT_TRUE(MeasureTextLine(character, "Ag", b));
    EXPECT_EQ(a.height, 30);
    EXPECT_GT(b.height, 30);  // a 30-pixel em needs a taller cell
    // The ink of "Mill" in the 30-pixel cell, with one attribute changed.
    auto with = [&](auto change) {
        TextStyle styled = cell;
        change(styled);
        CDibImage image = Grey(200, 60);
        EXPECT_TRUE(image.PrintText(styled, "Mill", 0, 0));
        return Changed(image);
    };
    const Box plain = with([](TextStyle&) {});
    EXPECT_GT(with([](TextStyle& s) { s.weight = 700; }).count, plain.count + 20);
    const Box u = with([](TextStyle& s) { s.underline = 1; });
    EXPECT_GT(u.count, plain.count);
    EXPECT_GE(u.right - u.left + 1, 40);
    EXPECT_GT(with([](TextStyle& s) { s.strikeOut = 1; }).count, plain.count);
    EXPECT_NE(with([](TextStyle& s) { s.italic = 1; }).count, plain.count);
}

TEST(PrintText, JapaneseTextRendersWithTheDefaultFace) {
    TextStyle style;  // face name of a font that is not installed, Shift-JIS character set
    style.height = -24;
    CDibImage image = Grey(200, 40);
    ASSERT_TRUE(image.PrintText(style, "玄関カメラ", 0, 0));
    const Box b = Changed(image);
    EXPECT_GT(b.count, 100);
    EXPECT_GE(b.right - b.left + 1, 5 * 20);  // five full-width glyphs, not missing-glyph boxes
    // The same characters with a Latin face name still render through the fallback face.
    TextStyle latin = style;
    latin.faceName = "DejaVu Sans";
    latin.charSet = 0;
    CDibImage other = Grey(200, 40);
    ASSERT_TRUE(other.PrintText(latin, "玄関カメラ", 0, 0));
    EXPECT_GT(Changed(other).count, 100);
}

TEST(PrintText, EditRoutineStampsDateTimeAndName) {
    ImageSettings s;  // date, time and name on: date/time bottom-left, name top-left
    CDibImage image = Grey(320, 240);
    LocalTime t;
    t.wYear = 2026, t.wMonth = 3, t.wDay = 5, t.wHour = 9, t.wMinute = 4, t.wSecond = 7;
    std::string error;
    ASSERT_TRUE(EditImage("Door", image, s, t, error)) << error;
    int top = 0, bottom = 0, middle = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            if (!(PixelAt(image, x, y) == Rgb{90, 90, 90}))
                (y < 14 ? top : y >= 226 ? bottom : middle)++;
    EXPECT_GT(top, 10);
    EXPECT_GT(bottom, top);  // the date and time are longer than the name
    EXPECT_EQ(middle, 0);
}

}  // namespace
}  // namespace ocv
