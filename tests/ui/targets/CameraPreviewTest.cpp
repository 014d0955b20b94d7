// The preview of "Image setting" takes the newest frame of a camera connected to the camera
// simulator, and shows it as the settings would deliver it.
#include <gtest/gtest.h>

#include "TargetTestHooks.h"
#include "ui/PreviewImageDialog.h"
#include "ui/SettingDialogs.h"

namespace ocv::test {
namespace {

TEST(CameraPreview, PreviewButtonShowsTheEditedCameraPicture) {
    SimCamera camera;
    ASSERT_TRUE(camera.Connected());
    CDibImage frame;
    ASSERT_TRUE(ocvtest::WaitFor([&] { return NewestCameraFrame(camera.Ctrl(), frame); }, 10000));
    EXPECT_EQ(frame.Width(), 320);
    EXPECT_EQ(frame.Height(), 240);

    ImageSettings image;
    image.imageFilename = "yard";
    QSize shown;
    ImageSettings edited = image;
    const bool ok = WithModal(
        [&](QDialog* d) {
            // The size typed but not yet confirmed is what the preview uses.
            d->findChild<QSpinBox*>(QStringLiteral("resize"))->setValue(25);
            WithModal(
                [&](QDialog* preview) {
                    shown = static_cast<CPreviewImageDialog*>(preview)->Picture().size();
                    preview->reject();
                },
                [&] {
                    d->findChild<QPushButton*>(QStringLiteral("preview"))->click();
                    return true;
                });
            d->reject();
        },
        [&] { return RunImageDialog(nullptr, edited, camera.Ctrl(), "Yard"); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(shown, QSize(80, 60));
    EXPECT_TRUE(edited == image);
}

}  // namespace
}  // namespace ocv::test
