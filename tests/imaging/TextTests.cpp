// Text stamping with FreeType: positions without margin, colours, background modes, font
// attributes, Japanese text and the stamps of the edit routine.
#include <gtest/gtest.h>

#include <algorithm>

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
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};

// `text` printed on a grey picture; the box of the pixels that are no longer grey.
Box Printed(const TextStyle& style, const std::string& text, int w, int h, int v = 0, int hz = 0,
            CDibImage* out = nullptr) {
    CDibImage image = test::MakeFilled(w, h, Rgb{90, 90, 90});
    EXPECT_TRUE(image.PrintText(style, text, v, hz));
    Box b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!(PixelAt(image, x, y) == Rgb{90, 90, 90})) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
                ++b.count;
            }
    if (out) *out = image;
    return b;
}

TEST(PrintText, OpaqueCellSitsInEveryCornerWithoutMargin) {
    TextStyle style;  // default record: height 14 cell, white on black, Shift-JIS face
    style.transparentText = 0;
    TextExtent extent;
    ASSERT_TRUE(MeasureTextLine(style, "2026/3/5 09:04:07", extent));
    EXPECT_TRUE(extent.height == 14 && extent.width > 60) << extent.height << " " << extent.width;
    // Positions outside 0..2 count as top and left.
    for (auto [v, h] : {std::pair{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1},
                        {2, 2}, {7, -1}}) {
        SCOPED_TRACE(std::to_string(v) + "," + std::to_string(h));
        const Box b = Printed(style, "2026/3/5 09:04:07", 200, 100, v, h);
        EXPECT_EQ(b.Height(), 14);
        EXPECT_EQ(b.Width(), extent.width);
        EXPECT_EQ(b.top, std::clamp(v, 0, 2) == v ? v * (100 - 14) / 2 : 0);
        EXPECT_EQ(b.left, std::clamp(h, 0, 2) == h ? h * (200 - extent.width) / 2 : 0);
    }
}

TEST(PrintText, TransparentTextDrawsOnlyGlyphsInTheTextColour) {
    TextStyle style;
    style.textColor = 0x0000FF;  // COLORREF: pure red
    style.height = -20;
    CDibImage image;
    const Box b = Printed(style, "HH", 120, 40, 0, 0, &image);
    ASSERT_GT(b.count, 20);
    int pure = 0;
    for (int y = b.top; y <= b.bottom; ++y)
        for (int x = b.left; x <= b.right; ++x) {
            const Rgb p = PixelAt(image, x, y);
            EXPECT_TRUE(p.r >= 90 && p.g <= 90) << x << "," << y;  // only blended towards red
            pure += p == Rgb{255, 0, 0};
        }
    EXPECT_GT(pure, 10);
    EXPECT_LT(b.count, b.Width() * b.Height());  // background shows
}

TEST(PrintText, HeightSignAndAttributesChangeTheRendering) {
    TextStyle cell;
    cell.height = 30;
    TextStyle character = cell;
    character.height = -30;
    TextExtent a, b;
    ASSERT_TRUE(MeasureTextLine(cell, "Ag", a) && MeasureTextLine(character, "Ag", b));
    EXPECT_EQ(a.height, 30);
    EXPECT_GT(b.height, 30);  // a 30-pixel em needs a taller cell
    // The ink of "Mill" in the 30-pixel cell, with one attribute changed.
    auto with = [&](auto change) {
        TextStyle styled = cell;
        change(styled);
        return Printed(styled, "Mill", 200, 60);
    };
    const Box plain = with([](TextStyle&) {});
    EXPECT_GT(with([](TextStyle& s) { s.weight = 700; }).count, plain.count + 20);
    const Box u = with([](TextStyle& s) { s.underline = 1; });
    EXPECT_GT(u.count, plain.count);
    EXPECT_GE(u.Width(), 40);
    EXPECT_GT(with([](TextStyle& s) { s.strikeOut = 1; }).count, plain.count);
    EXPECT_NE(with([](TextStyle& s) { s.italic = 1; }).count, plain.count);
}

TEST(PrintText, JapaneseTextRendersWithTheDefaultFace) {
    TextStyle style;  // face name of a font that is not installed, Shift-JIS character set
    style.height = -24;
    const Box b = Printed(style, "玄関カメラ", 200, 40);
    EXPECT_GT(b.count, 100);
    EXPECT_GE(b.Width(), 5 * 20);  // five full-width glyphs, not missing-glyph boxes
    // The same characters with a Latin face name still render through the fallback face.
    style.faceName = "DejaVu Sans";
    style.charSet = 0;
    EXPECT_GT(Printed(style, "玄関カメラ", 200, 40).count, 100);
}

TEST(PrintText, EditRoutineStampsDateTimeAndName) {
    ImageSettings s;  // date, time and name on: date/time bottom-left, name top-left
    CDibImage image = test::MakeFilled(320, 240, Rgb{90, 90, 90});
    LocalTime t;
    t.wYear = 2026, t.wMonth = 3, t.wDay = 5, t.wHour = 9, t.wMinute = 4, t.wSecond = 7;
    std::string error;
    ASSERT_TRUE(EditImage("Door", image, s, t, error)) << error;
    int top = 0, bottom = 0, middle = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            if (!(PixelAt(image, x, y) == Rgb{90, 90, 90})) (y < 14 ? top : y >= 226 ? bottom : middle)++;
    EXPECT_GT(top, 10);
    EXPECT_GT(bottom, top);  // the date and time are longer than the name
    EXPECT_EQ(middle, 0);
}

}  // namespace
}  // namespace ocv
