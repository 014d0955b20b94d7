// The connection wizard refuses to finish with exactly what --add-camera refuses, with the same
// reason, and accepts what it accepts.
#include <gtest/gtest.h>

#include <regex>

#include "../../ui/wizard/WizardDriver.h"
#include "DesktopFixture.h"
#include "ui/WizardMessage.h"

using namespace ocv;
using namespace ocvtest;

namespace {

// The reason --add-camera prints when it refuses; empty when it added the camera.
std::string CommandLineRefusal(const TempDir& dir, int type, const std::string& address) {
    Process p({kOcuvane, "--dir", dir.Path(), "--add-camera", std::to_string(type), address},
              dir.File("add.out"), dir.File("add.err"));
    if (p.Wait(20000) == 0) return {};
    std::smatch m;
    std::string err = p.Err();
    std::regex re("refused: (.*); nothing was added");
    return std::regex_search(err, m, re) ? m[1].str() : "unexpected: " + err;
}

TEST(ConnectWizardTest, RefusesWhatTheCommandLineRefusesWithTheSameReason) {
    App();
    TempDir dir;
    std::vector<std::string> shown;
    SetWizardMessageHook([&](const QString& text) { shown.push_back(text.toStdString()); });
    struct Row {
        int type;
        const char* address;
        bool accepted;
    };
    const Row rows[] = {
        {5, "http://user:pw@127.0.0.1/", true},
        {2, "rtsp://127.0.0.1:8554/live", true},
        {1, "USB Camera", true},
        {8, "rtsp://127.0.0.1/live", false},
        {5, "127.0.0.1/axis-cgi", false},
        {2, "ftp://127.0.0.1/x.mp4", false},
        {2, "rtsp://127.0.0.1:99999/live", false},
        {3, "http://127.0.0.1:8080/", true},
    };
    auto devices = std::make_shared<ListedDevices>(
        std::vector<CaptureDeviceEntry>{{"/dev/video0", "USB Camera", "uvcvideo", "usb-1"}});
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.type) + " " + row.address);
        shown.clear();
        CSelectCameraDialog w(CameraSelection{DeviceInfo{}, "Yard"}, devices);
        GoToLastPage(w, row.type);
        EnterAddress(w, row.address);
        EXPECT_EQ(w.validateCurrentPage(), row.accepted);
        const std::string refusal = w.Refusal().toStdString();
        EXPECT_EQ(refusal, CommandLineRefusal(dir, row.type, row.address));
        EXPECT_EQ(shown.size(), row.accepted ? 0u : 1u);
        if (row.accepted) {
            EXPECT_EQ(w.Result().info.deviceType, row.type);
            EXPECT_EQ(w.Result().info.deviceName, row.address);
            EXPECT_EQ(w.Result().name, "Yard");
        } else {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0], refusal);
        }
    }
    SetWizardMessageHook({});
}

}  // namespace
