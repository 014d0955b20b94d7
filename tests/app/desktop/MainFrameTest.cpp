// The tray main window's start-up and shut-down on the offscreen platform, with the simulator as
// the camera: "Add camera" at once without cameras, cameras added and removed, the document
// saved at exit.
#include <gtest/gtest.h>

#include <QPushButton>

#include "DesktopFixture.h"
#include "app/desktop/CapDialog.h"
#include "app/desktop/MainFrame.h"
#include "controller/OcvCtrl.h"
#include "controller/StateFlags.h"
#include "sources/SourceFactory.h"
#include "ui/CameraSettingDialog.h"

using namespace ocv;
using namespace ocvtest;

namespace {

// What the connection wizard yields for a camera at `url`, by default an MJPEG one.
CameraSelection Pick(const std::string& url, const std::string& name,
                     int type = DEVICE_MJPEG_URL) {
    CameraSelection s{DeviceInfo{}, name};
    s.info.deviceType = type, s.info.deviceName = url;
    return s;
}

class MainFrameTest : public SiteTest {
protected:
    void SetUp() override {
        App();
        SiteTest::SetUp();
    }
    // A frame whose camera prompt answers answer_.
    std::unique_ptr<CMainFrame> MakeFrame() {
        auto frame = std::make_unique<CMainFrame>(dir_, &CreateCameraSource);
        CMainFrame::Prompts prompts;
        prompts.camera = [this](const CameraSelection& initial) {
            asked_.push_back(initial);
            return answer_;
        };
        prompts.message = [this](const QString& caption, const QString& text) {
            messages_.push_back(caption.toStdString() + ": " + text.toStdString());
        };
        prompts.question = [](const QString&) { return true; };
        // "Change Camera" of the camera-setting dialog.
        prompts.cameraSetting = [](CCameraSettingDialog& d) { d.ChangeButton()->click(); };
        frame->SetPrompts(prompts);
        return frame;
    }
    // Runs the event loop until `done` holds, at most 1000 waits of 20 ms.
    bool Pump(CMainFrame& frame, const std::function<bool()>& done) {
        for (int i = 0; i < 1000 && !done(); ++i) frame.GetDispatcher().ProcessPending(20);
        return done();
    }
    bool Connected(CMainFrame& frame, int i) {
        return Pump(frame, [&] { return (frame.Camera(i).Controller().State() & STATE_CONNECTED) != 0; });
    }
    void WriteCameras(const std::vector<std::string>& names, const std::string& url) {
        ConfigDocument doc(dir_);
        for (const std::string& name : names) {
            CameraConfig cam = doc.NewCamera();
            cam.param.name = name, cam.param.deviceInfo.deviceName = url;
            cam.param.deviceInfo.deviceType = DEVICE_MJPEG_URL;
            doc.cameras.push_back(cam);
        }
        Save(doc);
    }

    std::vector<CameraSelection> asked_;
    std::optional<CameraSelection> answer_;
    std::vector<std::string> messages_;
};

TEST_F(MainFrameTest, WithoutCamerasAddCameraOpensAtStartUp) {
    const std::string url = StartCamSim("cam");
    struct Row {
        std::optional<CameraSelection> answer;
        int camerasAfter;
        const char* message;  // the message box, when one is expected
    };
    const Row rows[] = {
        {std::nullopt, 0, nullptr},  // Cancel adds nothing
        // No picture: the controller's error box, and nothing is added.
        {Pick("No Such Camera", "Gate", DEVICE_LOCAL_CAPTURE), 0, "との接続に失敗しました!"},
        {Pick(url, "Door"), 1, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer ? row.answer->info.deviceName : "cancel");
        DeleteFile(File("ocv.xml"));
        asked_.clear(), messages_.clear();
        answer_ = row.answer;
        auto frame = MakeFrame();
        ASSERT_TRUE(frame->Start());
        EXPECT_EQ(frame->Tray(), nullptr) << "the offscreen platform has no tray";
        ASSERT_TRUE(Pump(*frame, [&] { return !asked_.empty(); }));
        // The wizard's connect ends (refused or connected) and the window stays or goes.
        ASSERT_TRUE(Pump(*frame, [&] { return frame->CameraCount() == row.camerasAfter; }));
        frame->GetDispatcher().ProcessPending(50);
        EXPECT_EQ(asked_.size(), 1u);
        if (row.message) {
            // The source's own reason may come first; the connect's failure comes last.
            ASSERT_FALSE(messages_.empty());
            for (const std::string& m : messages_) EXPECT_EQ(m.rfind("ERROR: ", 0), 0u) << m;
            EXPECT_NE(messages_.back().find(row.message), std::string::npos) << messages_.back();
        } else {
            EXPECT_TRUE(messages_.empty()) << messages_[0];
        }
        ASSERT_EQ(frame->CameraCount(), row.camerasAfter);
        if (row.camerasAfter) {
            EXPECT_TRUE(frame->Camera(0).Controller().State() & STATE_CONNECTED);
            EXPECT_EQ(frame->Camera(0).Controller().Param().name, "Door");
            EXPECT_EQ(Load().cameras.size(), 1u) << "an added camera is saved at once";
        }
        frame->Exit();
        ConfigDocument doc = Load();
        ASSERT_EQ(doc.cameras.size(), static_cast<size_t>(row.camerasAfter));
        if (row.camerasAfter) {
            EXPECT_EQ(doc.cameras[0].param.deviceInfo.deviceName, url);
        }
    }
}

// A camera deleted at once from the document, then what changed while running saved at exit,
// each in its own place of the document.
TEST_F(MainFrameTest, DeleteThenExitSavesTheWindowsAndControllersState) {
    const std::string url = StartCamSim("cam");
    WriteCameras({"Door", "Middle", "Gate"}, url);
    auto frame = MakeFrame();
    ASSERT_TRUE(frame->Start());
    ASSERT_EQ(frame->CameraCount(), 3);
    EXPECT_TRUE(asked_.empty()) << "no Add camera with cameras configured";
    frame->RemoveCamera(1);
    frame->RemoveCamera(7);  // no such camera: nothing happens
    ASSERT_EQ(frame->CameraCount(), 2);
    EXPECT_EQ(frame->GetHost().Controllers().size(), 2u);
    EXPECT_EQ(frame->Camera(1).Controller().Param().name, "Gate");
    EXPECT_EQ(Process::Read(File("ocv.xml")).find("Middle"), std::string::npos);
    ASSERT_TRUE(Connected(*frame, 0) && Connected(*frame, 1));
    OcvParam p = frame->Camera(1).Controller().Param();
    p.name = "Back gate";
    frame->Camera(1).Controller().SetParam(p);
    frame->Conditions(0).foreground = 1, frame->Conditions(1).transparentParam = 55;
    frame->Conditions(0).lastShow = 3;  // a window hidden in the tray
    frame->Camera(0).HideIntoTray();
    frame->Exit();
    EXPECT_TRUE(frame->Exited());
    EXPECT_EQ(frame->CameraCount(), 0);
    EXPECT_TRUE(frame->GetHost().Controllers().empty());
    // Read before the document: loading it starts a new log (it deletes log.txt).
    const std::string log = Process::Read(File("log.txt"));
    EXPECT_NE(log.find("Ocuvane stopped."), std::string::npos) << log;
    EXPECT_NE(log.find("No system tray is available"), std::string::npos)
        << "the offscreen platform has no tray: one warning";
    ConfigDocument doc = Load();
    ASSERT_EQ(doc.cameras.size(), 2u);
    EXPECT_EQ(doc.cameras[1].param.name, "Back gate");
    EXPECT_EQ(doc.cameras[0].conditions.foreground, 1);
    EXPECT_EQ(doc.cameras[1].conditions.transparentParam, 55);
    EXPECT_EQ(doc.cameras[0].conditions.lastShow, 3);
    EXPECT_EQ(doc.cameras[0].param.deviceInfo.deviceName, url);
}

// Camera setup: Cancel changes nothing, a new address connects again.
TEST_F(MainFrameTest, CameraSetupChangesTheAddressAndConnectsAgain) {
    const std::string url = StartCamSim("cam");
    WriteCameras({"Door"}, "http://127.0.0.1:9/");
    auto frame = MakeFrame();
    ASSERT_TRUE(frame->Start());
    COcvCtrl& ctrl = frame->Camera(0).Controller();
    for (auto answer : {std::optional<CameraSelection>(), std::optional(Pick(url, ""))}) {
        asked_.clear(), answer_ = answer;
        frame->OnCameraMenu(0, CCapDialog::kCameraSetup);
        ASSERT_EQ(asked_.size(), 1u);
        EXPECT_EQ(asked_[0].info.deviceType, 8) << "the wizard shows the camera's own values";
        EXPECT_EQ(asked_[0].name, "Door");
        EXPECT_EQ(ctrl.Param().deviceInfo.deviceName, answer ? url : "http://127.0.0.1:9/");
    }
    EXPECT_EQ(asked_[0].info.deviceName, "http://127.0.0.1:9/");
    EXPECT_TRUE(Connected(*frame, 0));
    frame->Exit();
    ConfigDocument doc = Load();
    ASSERT_EQ(doc.cameras.size(), 1u);
    EXPECT_EQ(doc.cameras[0].param.deviceInfo.deviceName, url);
    EXPECT_EQ(doc.cameras[0].param.name, "Door");
}

}  // namespace
