// The camera-setting dialog over a controller connected to the camera simulator: the format
// summary, "No Signal", the model's "Format..." page reconnecting in the chosen size, the
// device-information file, and the capture device's format page.
#include <gtest/gtest.h>

#include "../UiTestSupport.h"
#include "config/ConfigFiles.h"
#include "controller/StateFlags.h"
#include "foundation/Logger.h"
#include "sources/LocalCaptureInterface.h"
#include "ui/CameraSettingDialog.h"
#include "ui/CameraSummary.h"
#include "ui/CaptureFormatDialog.h"
#include "ui/FormatPageHost.h"
#include "ui/ModelFormatPanel.h"
#include "ui/WizardMessage.h"

using namespace ocv;
using namespace ocvtest;

namespace {

TEST(CameraSummaryTest, TheTextOfEachKindOfSource) {
    const std::string sep = "-------------------\r\n", head = sep + "[Capture Setting]\r\n";
    const std::string size = " Image Size Width \t320 pixcel\r\n Image Size Height\t240 pixcel\r\n";
    EXPECT_EQ(CaptureFormatSummary({true, true, 30, 320, 240}),
              head + " Frame Rate       \t30 frames/sec\r\n" + size + sep);
    EXPECT_EQ(CaptureFormatSummary({true, false, 30, 320, 240}), head + size + sep);
    EXPECT_EQ(CaptureFormatSummary({false, true, 30, 320, 240}), sep + "No Signal\r\n" + sep);
}

// A controller on the camera simulator, as an Axis camera of 320 x 240.
struct CameraSettingTest : ::testing::Test {
    void SetUp() override {
        SetWizardMessageHook([this](const QString& t) { shown_.push_back(t.toStdString()); });
        ASSERT_EQ(cam_.Connect(DEVICE_AXIS, cam_.Url(), 320, 240), 1);
    }
    void TearDown() override { SetWizardMessageHook({}); }

    test::SimCamera cam_;
    COcvCtrl* ctrl_ = cam_.Ctrl();
    const std::string url_ = cam_.Url();
    std::vector<std::string> shown_;
};

// Without a format host there is no "Format..." page; with one, OK reconnects the camera in the
// chosen size and Cancel keeps it as it was. "Save setting" writes the device file.
TEST_F(CameraSettingTest, FormatReconnectsInTheChosenSizeCancelKeepsTheCameraAndSaveWritesIt) {
    CCameraSettingDialog plain(*ctrl_, nullptr, {});
    // The size of the pictures; a network camera has no rate of its own.
    EXPECT_EQ(plain.Summary().toStdString(), CaptureFormatSummary({true, false, 0, 320, 240}));
    EXPECT_EQ(plain.DeviceName().toStdString(), url_);
    EXPECT_FALSE(plain.FormatButton()->isEnabled());
    // "Save setting" writes the device file or says it failed.
    ASSERT_TRUE(plain.SaveTo(QString::fromStdString(cam_.Dir() + "/cam.dev")));
    EXPECT_TRUE(shown_.empty());
    DeviceInfo back;
    ASSERT_TRUE(LoadDeviceInfoFile(cam_.Dir() + "/cam.dev", back, ctrl_->Log()));
    EXPECT_EQ(back, ctrl_->Param().deviceInfo);
    EXPECT_FALSE(plain.SaveTo(QString::fromStdString(cam_.Dir() + "/missing/dir/cam.dev")));
    EXPECT_EQ(shown_, std::vector<std::string>{"Save device setting file failed!"});
    int saves = 0;
    const int rows[][3] = {{0, false, 320}, {0, true, 640}, {1, true, 320}};  // size index, OK, width
    for (const auto& [sizeIndex, ok, widthAfter] : rows) {
        SCOPED_TRACE(sizeIndex);
        int pagesShown = 0;
        CFormatPageHost host({}, nullptr, [&](QDialog& page) {
            ++pagesShown;
            auto* format = dynamic_cast<CModelFormatDialog*>(&page);
            if (!format) return false;
            EXPECT_EQ(format->Panel()->UrlField()->text().toStdString(), url_);
            format->Panel()->SizeBox()->setCurrentIndex(sizeIndex);  // of 640x480, 320x240
            if (!ok) return false;
            format->accept();
            return format->result() == QDialog::Accepted;
        });
        CCameraSettingDialog dlg(*ctrl_, &host, {{}, {}, [&] { ++saves; }});
        dlg.FormatButton()->click();
        EXPECT_EQ(pagesShown, 1);
        EXPECT_EQ(ctrl_->Param().deviceInfo.frameWidth, widthAfter);
        EXPECT_TRUE(ctrl_->IsConnected() && (ctrl_->State() & STATE_CONNECTED));
        EXPECT_EQ(dlg.Summary().toStdString(),
                  CaptureFormatSummary({true, false, 0, widthAfter, widthAfter * 3 / 4}));
    }
    EXPECT_EQ(saves, 2) << "only OK changes the record";
}

// A capture device's format page offers its sizes and the rates of the chosen size.
TEST(CaptureFormatDialogTest, SizesAndRatesComeFromTheDeviceModes) {
    const std::vector<CaptureMode> modes = {{"YUYV", 640, 480, {30, 15}}, {"MJPG", 640, 480, {60, 30}},
                                            {"YUYV", 320, 240, {}}, {"YUYV", 1280, 720, {10}}};
    // size index, rate index, width, height, rate
    const int rows[][5] = {
        {0, 0, 640, 480, 60}, {0, 2, 640, 480, 15}, {1, 0, 320, 240, 30}, {2, 0, 1280, 720, 10}};
    DeviceInfo info;
    info.deviceType = DEVICE_LOCAL_CAPTURE, info.deviceName = "USB Camera";
    info.frameWidth = 1280, info.frameHeight = 720, info.frameRate = 10;
    CCaptureFormatDialog opened(modes, info);
    EXPECT_EQ(opened.SizeBox()->count(), 3);
    EXPECT_EQ(opened.SizeBox()->currentIndex(), 2) << "the record's size is selected";
    for (const auto& [sizeIndex, rateIndex, width, height, rate] : rows) {
        CCaptureFormatDialog dlg(modes, info);
        dlg.SizeBox()->setCurrentIndex(sizeIndex), dlg.RateBox()->setCurrentIndex(rateIndex);
        DeviceInfo expected = info;
        expected.frameWidth = width, expected.frameHeight = height, expected.frameRate = rate;
        EXPECT_EQ(dlg.Result(), expected);
    }
}

// A capture device's settings as the connected source reports them; records what is set.
struct RecordedSettings : ICaptureSettings {
    std::vector<CaptureMode> Modes() override {
        return {{"YUYV", 640, 480, {30}}, {"YUYV", 320, 240, {15}}};
    }
    std::vector<CaptureControl> Controls() override {
        return {{1, "Brightness", 1, 0, 255, 1, 128, 100}, {2, "Auto exposure", 2, 0, 1, 1, 1, 1}};
    }
    bool SetControl(uint32_t id, int value) override { return set.emplace_back(id, value), true; }
    std::vector<std::pair<uint32_t, int>> set;
};

TEST(FormatPageHostTest, EachDeviceTypeGetsItsPagesAndTheDevicePageSetsTheControls) {
    RecordedSettings settings;
    const std::tuple<int, bool, std::string> rows[] = {  // type, connected, the page shown
        {DEVICE_LOCAL_CAPTURE, true, "ocv::CCaptureFormatDialog"}, {DEVICE_LOCAL_CAPTURE, false, ""},
        {DEVICE_AXIS, false, "ocv::CModelFormatDialog"}, {DEVICE_NETWORK_STREAM, true, ""}};
    for (const auto& [type, connected, page] : rows) {
        SCOPED_TRACE(type);
        std::string shown;
        CFormatPageHost host([&]() -> ICaptureSettings* { return connected ? &settings : nullptr; },
                             nullptr,
                             [&](QDialog& page) {
                                 shown = page.metaObject()->className();
                                 if (auto* c = dynamic_cast<CCaptureFormatDialog*>(&page))
                                     c->SizeBox()->setCurrentIndex(1);
                                 page.accept();
                                 return page.result() == QDialog::Accepted;
                             });
        DeviceInfo info;
        info.deviceType = type, info.deviceName = "http://127.0.0.1:1/";
        EXPECT_EQ(host.RunFormatPage(type, info), !page.empty());
        EXPECT_EQ(shown, page);
        EXPECT_TRUE(type != DEVICE_LOCAL_CAPTURE || !connected ||
                    (info.frameWidth == 320 && info.frameRate == 15)) << info.frameWidth;
    }
    // The device page sets the controls as they move; network cameras have none.
    CFormatPageHost device([&] { return &settings; }, nullptr,
                         [&](QDialog& page) {
                             page.findChild<QSlider*>()->setValue(140);
                             page.findChild<QCheckBox*>()->setChecked(false);
                             return true;
                         });
    DeviceInfo info;
    EXPECT_TRUE(device.RunDevicePage(DEVICE_LOCAL_CAPTURE, info));
    EXPECT_EQ(settings.set, (std::vector<std::pair<uint32_t, int>>{{1, 140}, {2, 0}}));
    EXPECT_FALSE(device.RunDevicePage(DEVICE_AXIS, info)) << "network cameras have no device page";
}

}  // namespace
