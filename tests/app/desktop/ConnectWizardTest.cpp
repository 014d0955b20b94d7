// The connection wizard refuses to finish with exactly what --add-camera refuses (the address
// check both share), with the same reason, and accepts what it accepts.
#include <gtest/gtest.h>

#include "../../ui/wizard/WizardDriver.h"
#include "DesktopFixture.h"
#include "sources/CameraUrl.h"
#include "ui/WizardMessage.h"

using namespace ocv;
using namespace ocvtest;

namespace {

TEST(ConnectWizardTest, RefusesWhatTheCommandLineRefusesWithTheSameReason) {
    App();
    std::vector<std::string> shown;
    SetWizardMessageHook([&](const QString& text) { shown.push_back(text.toStdString()); });
    const std::tuple<int, const char*, bool> rows[] = {
        {5, "http://user:pw@127.0.0.1/", true},    {2, "rtsp://127.0.0.1:8554/live", true},
        {1, "USB Camera", true},                   {8, "rtsp://127.0.0.1/live", false},
        {5, "127.0.0.1/axis-cgi", false},          {2, "ftp://127.0.0.1/x.mp4", false},
        {2, "rtsp://127.0.0.1:99999/live", false}, {3, "http://127.0.0.1:8080/", true},
    };
    auto devices = std::make_shared<ListedDevices>(
        std::vector<CaptureDeviceEntry>{{"/dev/video0", "USB Camera", "uvcvideo", "usb-1"}});
    for (const auto& [type, address, accepted] : rows) {
        SCOPED_TRACE(std::to_string(type) + " " + address);
        std::string why;
        ASSERT_EQ(CheckCameraAddress(type, address, why), accepted);
        shown.clear();
        CSelectCameraDialog w(CameraSelection{DeviceInfo{}, "Yard"}, devices);
        GoToLastPage(w, type);
        EnterAddress(w, address);
        EXPECT_EQ(w.validateCurrentPage(), accepted);
        EXPECT_EQ(w.Refusal().toStdString(), why);
        EXPECT_EQ(shown, accepted ? std::vector<std::string>{} : std::vector<std::string>{why});
        if (accepted) {
            EXPECT_EQ(w.Result().info.deviceType, type);
            EXPECT_EQ(w.Result().info.deviceName, address);
            EXPECT_EQ(w.Result().name, "Yard");
        }
    }
    SetWizardMessageHook({});
}

}  // namespace
