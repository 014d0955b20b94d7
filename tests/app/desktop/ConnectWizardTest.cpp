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
    // Type, address, what the refusal says ("" when accepted); the program's --add-camera
    // shows that it prints the same reasons.
    const std::tuple<int, const char*, const char*> rows[] = {
        {5, "http://user:pw@127.0.0.1/", ""}, {2, "rtsp://127.0.0.1:8554/live", ""},
        {1, "USB Camera", ""}, {3, "http://127.0.0.1:8080/", ""}, {5, "https://cam.example/", ""},
        {2, "file:///srv/clips/door.mp4", ""}, {2, "http://127.0.0.1:8080/ts", ""},
        {8, "rtsp://127.0.0.1/live", "reached with http:// or https://, not rtsp://"},
        {5, "127.0.0.1/axis-cgi", "the URL has no scheme"},
        {2, "ftp://127.0.0.1/x.mp4", "a network stream cannot be opened with ftp://"},
        {2, "rtsp://127.0.0.1:99999/live", "port is outside 1 to 65535"},
        {2, "rtsp://cam one/live", "white space"}, {2, "rtsp:///live", "no host"},
    };
    auto devices = std::make_shared<ListedDevices>(
        std::vector<CaptureDeviceEntry>{{"/dev/video0", "USB Camera", "uvcvideo", "usb-1"}});
    for (const auto& [type, address, reason] : rows) {
        SCOPED_TRACE(std::to_string(type) + " " + address);
        const bool accepted = *reason == '\0';
        std::string why;
        ASSERT_EQ(CheckCameraAddress(type, address, why), accepted);
        EXPECT_NE(why.find(reason), std::string::npos) << why;
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
