// The preview of "Image setting" takes the newest frame of a camera connected to the camera
// simulator, and shows it as the settings would deliver it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include <QPushButton>
#include <QSpinBox>

#include "../../app/Process.h"
#include "TargetTestHooks.h"
#include "controller/OcvCtrl.h"
#include "platform/Dispatcher.h"
#include "sources/SourceFactory.h"
#include "ui/PreviewImageDialog.h"
#include "ui/SettingDialogs.h"

namespace ocv::test {
namespace {

class CameraPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ocvpreviewXXXXXX";
        dir_ = ::mkdtemp(tmpl);
        camsim_ = std::make_unique<ocvtest::Process>(
            std::vector<std::string>{std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim", "--port",
                                     "0", "--size", "320x240", "--fps", "10"},
            dir_ + "/camsim.out", dir_ + "/camsim.err");
        std::smatch m;
        std::string out;
        ASSERT_TRUE(ocvtest::WaitFor(
            [&] {
                out = camsim_->Out();
                return std::regex_search(out, m, std::regex("127\\.0\\.0\\.1:(\\d+)"));
            },
            10000));
        ctrl_ = std::make_unique<COcvCtrl>(dispatcher_, &CreateCameraSource, dir_);
        ctrl_->Create();
        OcvParam p = ctrl_->Param();
        p.name = "Yard";
        p.deviceInfo.deviceType = 5;
        p.deviceInfo.deviceName = "http://127.0.0.1:" + m[1].str() + "/";
        p.deviceInfo.frameWidth = 320;
        p.deviceInfo.frameHeight = 240;
        ctrl_->SetParam(p);
        ASSERT_NE(ctrl_->ConnectCamera(), 0);
    }
    void TearDown() override {
        ctrl_.reset();
        camsim_.reset();
        std::filesystem::remove_all(dir_);
    }

    std::string dir_;
    ThreadDispatcher dispatcher_;
    std::unique_ptr<ocvtest::Process> camsim_;
    std::unique_ptr<COcvCtrl> ctrl_;
};

TEST_F(CameraPreviewTest, PreviewButtonShowsTheEditedCameraPicture) {
    CDibImage frame;
    ASSERT_TRUE(ocvtest::WaitFor([&] { return NewestCameraFrame(ctrl_.get(), frame); }, 10000));
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
        [&] { return RunImageDialog(nullptr, edited, ctrl_.get(), "Yard"); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(shown, QSize(80, 60));
    EXPECT_TRUE(edited == image);
}

TEST(CameraPreview, NoCameraSaysSo) {
    MessageRecorder messages;
    ShowImagePreview(nullptr, nullptr, ImageSettings{}, "cam");
    ASSERT_EQ(messages.texts.size(), 1u);
}

}  // namespace
}  // namespace ocv::test
