// The preview applies the image settings to a picture the way a delivery would (edit, encode,
// decode), and the frame-colour dialog picks colours from the frame picture or says it cannot
// read it.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "TargetTestHooks.h"
#include "imaging/DibImage.h"
#include "ui/PreviewImageDialog.h"
#include "ui/SelectColorDialog.h"

namespace ocv::test {
namespace {

// 64x48: left half pure red, right half pure blue.
CDibImage TwoColourFrame() {
    CDibImage frame;
    EXPECT_TRUE(frame.CreateBlank(64, 48));
    uint8_t* bits = frame.GetBits();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = bits + y * frame.Stride() + x * 3;  // blue, green, red
            p[0] = x < 32 ? 0 : 255;
            p[2] = x < 32 ? 255 : 0;
        }
    return frame;
}

// The editing and encoding themselves are the imaging library's; the preview must go through
// them: a size, a turn, grey, a lossy format and a reduced palette show.
TEST(ImagePreview, ShowsWhatTheSettingsDeliver) {
    struct Row {
        const char* name;
        std::function<void(ImageSettings&)> set;
        QSize size;
        QRgb topLeft;  // expected colour near the top-left corner
        int tolerance;
    } rows[] = {
        {"PNG as is", [](ImageSettings&) {}, {64, 48}, qRgb(255, 0, 0), 0},
        {"half size, quarter turn clockwise",
         [](ImageSettings& s) { s.resizeRate = 0.5f, s.rotate = 1; }, {24, 32}, qRgb(255, 0, 0), 0},
        {"grey JPEG",
         [](ImageSettings& s) { s.enableGrayScale = 1, s.imageFileFormat = IMAGE_FORMAT_JPEG; },
         {64, 48}, qRgb(76, 76, 76), 8},
        {"256 colours, 8x8x4 palette",
         [](ImageSettings& s) { s.pngBitCount = 8, s.pngPaletteNo = 1, s.pngReduceType = 0; },
         {64, 48}, qRgb(255, 0, 0), 40},
    };
    const CDibImage frame = TwoColourFrame();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ImageSettings s;
        s.enablePrintDate = s.enablePrintTime = s.enablePrintName = 0;
        s.imageFileFormat = IMAGE_FORMAT_PNG;
        s.pngBitCount = 24;
        row.set(s);
        std::string error;
        const QImage shown = RenderPreview(frame, s, "cam", error);
        ASSERT_FALSE(shown.isNull()) << error;
        EXPECT_EQ(shown.size(), row.size);
        const QRgb p = shown.pixel(2, 2);
        EXPECT_NEAR(qRed(p), qRed(row.topLeft), row.tolerance);
        EXPECT_NEAR(qGreen(p), qGreen(row.topLeft), row.tolerance);
        EXPECT_NEAR(qBlue(p), qBlue(row.topLeft), row.tolerance);
    }
}

// A click picks the pixel's colour; a frame picture that cannot be read is reported and the
// colour stays.
TEST(SelectColor, ClickPicksThePixelColourOfAReadableFrame) {
    QTemporaryDir dir;
    QImage picture(20, 10, QImage::Format_RGB888);
    picture.fill(qRgb(10, 20, 30));
    picture.setPixel(15, 5, qRgb(200, 100, 50));
    const QString path = dir.filePath(QStringLiteral("frame.png"));
    ASSERT_TRUE(picture.save(path));
    MessageRecorder messages;
    CSelectColorDialog dialog(path.toStdString(), 0xFF00FF, 128);
    ASSERT_TRUE(dialog.Loaded());
    const int rows[][3] = {{15, 5, 200 | (100 << 8) | (50 << 16)},
                           {0, 0, 10 | (20 << 8) | (30 << 16)},
                           {25, 5, 10 | (20 << 8) | (30 << 16)}};  // outside: unchanged
    for (const auto& [x, y, color] : rows) {
        dialog.PickAt(x, y);
        EXPECT_EQ(dialog.Color(), color) << x << "," << y;
    }
    EXPECT_TRUE(messages.texts.empty());
    QFile(path).resize(10);
    for (const std::string& bad : {std::string(), path.toStdString() + ".gone", path.toStdString()}) {
        MessageRecorder refused;
        CSelectColorDialog unread(bad, 0xFF00FF, 128);
        EXPECT_FALSE(unread.Loaded()) << bad;
        EXPECT_EQ(refused.texts, std::vector<QString>{QString::fromUtf8("ﾌﾚｰﾑ画像が読み込めません!")});
        EXPECT_EQ(unread.Color(), 0xFF00FF);
    }
}

}  // namespace
}  // namespace ocv::test
