// The preview applies the image settings to a picture the way a delivery would (edit, encode,
// decode), and the frame-colour dialog picks colours from the frame picture or says it cannot
// read it.
#include <gtest/gtest.h>

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
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)  // blue, green, red
            frame.GetBits()[y * frame.Stride() + x * 3 + (x < 32 ? 2 : 0)] = 255;
    return frame;
}

// The editing and encoding themselves are the imaging library's; the preview must go through
// them: half size, a quarter turn clockwise, grey and JPEG show.
TEST(ImagePreview, ShowsWhatTheSettingsDeliver) {
    ImageSettings s;
    s.enablePrintDate = s.enablePrintTime = s.enablePrintName = 0;
    s.imageFileFormat = IMAGE_FORMAT_PNG, s.pngBitCount = 24, s.resizeRate = 0.5f, s.rotate = 1;
    std::string error;
    QImage shown = RenderPreview(TwoColourFrame(), s, "cam", error);
    EXPECT_EQ(shown.size(), QSize(24, 32)) << error;
    EXPECT_EQ(shown.pixel(2, 2), qRgb(255, 0, 0)) << "the red left half comes on top";
    s.resizeRate = 1, s.rotate = 0, s.enableGrayScale = 1, s.imageFileFormat = IMAGE_FORMAT_JPEG;
    shown = RenderPreview(TwoColourFrame(), s, "cam", error);
    ASSERT_EQ(shown.size(), QSize(64, 48)) << error;
    for (int c : {qRed(shown.pixel(2, 2)), qGreen(shown.pixel(2, 2)), qBlue(shown.pixel(2, 2))})
        EXPECT_NEAR(c, 76, 8);  // the grey of pure red
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
        EXPECT_EQ(refused.texts, std::vector{QString::fromUtf8("ﾌﾚｰﾑ画像が読み込めません!")});
        EXPECT_EQ(unread.Color(), 0xFF00FF);
    }
}

}  // namespace
}  // namespace ocv::test
