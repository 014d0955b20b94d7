// The tray main window's start-up and shut-down on the offscreen platform, with the simulator as
// the camera: "Add camera" at once without cameras, cameras added and removed, the document
// saved at exit.
#include <gtest/gtest.h>

#include "../../ui/wizard/WizardDriver.h"
#include "DesktopFixture.h"
#include <QAbstractButton>
#include <QComboBox>
#include "app/desktop/CapDialog.h"
#include "app/desktop/MainFrame.h"
#include "config/ConfigDocument.h"
#include "controller/OcvCtrl.h"
#include "controller/StateFlags.h"
#include "ui/CameraSettingDialog.h"
#include "ui/LogDialog.h"
#include <QPushButton>
#include "sources/SourceFactory.h"

using namespace ocv;
using namespace ocvtest;

namespace {

// What the connection wizard yields for a camera of `type` at `url`.
CameraSelection Pick(int type, const std::string& url, const std::string& name,
                     int width = 0, int height = 0) {
    CameraSelection s;
    s.info.deviceType = type;
    s.info.deviceName = url;
    s.info.frameWidth = width;
    s.info.frameHeight = height;
    s.name = name;
    return s;
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }

    // A frame whose camera prompt is `camera`, by default one that answers answer_.
    std::unique_ptr<CMainFrame> MakeFrame(decltype(CMainFrame::Prompts::camera) camera = {}) {
        auto frame = std::make_unique<CMainFrame>(dir_.Path(), &CreateCameraSource);
        CMainFrame::Prompts prompts;
        prompts.camera = camera ? camera : [this](const CameraSelection& initial) {
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
    // Runs the event loop until `done` holds, at most `rounds` waits of 20 ms.
    bool Pump(CMainFrame& frame, const std::function<bool()>& done, int rounds = 1000) {
        for (int i = 0; i < rounds && !done(); ++i) frame.GetDispatcher().ProcessPending(20);
        return done();
    }
    void WriteCameras(const std::vector<std::string>& names, const std::string& url) {
        ConfigDocument doc(dir_.Path());
        for (const std::string& name : names) {
            CameraConfig cam = doc.NewCamera();
            cam.param.name = name;
            cam.param.deviceInfo.deviceType = 8;
            cam.param.deviceInfo.deviceName = url;
            doc.cameras.push_back(cam);
        }
        CLogger quiet;
        ASSERT_TRUE(doc.SaveConfiguration(quiet));
    }
    // ocv.xml as a new start reads it (which also deletes log.txt).
    ConfigDocument Saved() {
        ConfigDocument doc(dir_.Path());
        CLogger quiet;
        EXPECT_TRUE(doc.LoadConfiguration(quiet));
        return doc;
    }

    TempDir dir_;
    std::unique_ptr<Process> camsim_;
    std::vector<CameraSelection> asked_;
    std::optional<CameraSelection> answer_;
    std::vector<std::string> messages_;
};

TEST_F(MainFrameTest, WithoutCamerasAddCameraOpensAtStartUp) {
    const std::string url = StartCamSim(camsim_, dir_);
    ASSERT_FALSE(url.empty());
    struct Row {
        std::optional<CameraSelection> answer;
        int camerasAfter;
        bool connected;
        const char* message;  // the message box, when one is expected
    };
    const Row rows[] = {
        {std::nullopt, 0, false, nullptr},  // Cancel adds nothing
        // No picture: the controller's error box, and nothing is added.
        {Pick(8, url + "nothing-here", "Gate"), 0, false, "との接続に失敗しました!"},
        {Pick(8, url, "Door"), 1, true, nullptr},
        // A family's page: the simulator answers under the Axis path in the chosen size.
        {Pick(5, url, "Door", 320, 240), 1, true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer ? row.answer->info.deviceName : "cancel");
        DeleteFile(dir_.File("ocv.xml"));
        asked_.clear();
        messages_.clear();
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
        if (row.connected) {
            COcvCtrl& ctrl = frame->Camera(0).Controller();
            EXPECT_TRUE(ctrl.State() & STATE_CONNECTED);
            EXPECT_EQ(ctrl.Param().name, "Door");
            EXPECT_EQ(Saved().cameras.size(), 1u) << "an added camera is saved at once";
        }
        frame->Exit();
        ConfigDocument doc = Saved();
        ASSERT_EQ(doc.cameras.size(), static_cast<size_t>(row.camerasAfter));
        if (row.connected) {
            EXPECT_EQ(doc.cameras[0].param.deviceInfo.deviceName, url);
            EXPECT_EQ(doc.cameras[0].param.deviceInfo.deviceType, row.answer->info.deviceType);
            EXPECT_EQ(doc.cameras[0].param.deviceInfo.frameWidth, row.answer->info.frameWidth);
        }
    }
}

// The connection wizard itself, finished on the Axis page with the simulator's address: the
// camera connects, gets its window and is saved with the page's choices and the wizard's name.
TEST_F(MainFrameTest, TheWizardFinishedOnAFamilyPageAddsThatCamera) {
    const std::string url = StartCamSim(camsim_, dir_);
    ASSERT_FALSE(url.empty());
    int wizards = 0;
    auto frame = MakeFrame([&](const CameraSelection& initial) -> std::optional<CameraSelection> {
        ++wizards;
        CSelectCameraDialog w(initial);
        w.show();
        GoToLastPage(w, DEVICE_AXIS);
        EnterAddress(w, url);
        static_cast<CModelWizardPage*>(w.currentPage())->Panel()->SizeBox()->setCurrentIndex(1);
        static_cast<CPropSelectDevicePage*>(w.page(kPageSelectDevice))->NameField()->setText("Yard");
        w.button(QWizard::FinishButton)->click();
        if (w.result() != QDialog::Accepted) return std::nullopt;
        return w.Result();
    });
    ASSERT_TRUE(frame->Start());
    ASSERT_TRUE(Pump(*frame, [&] { return frame->CameraCount() == 1; }));
    EXPECT_EQ(wizards, 1);
    EXPECT_TRUE(messages_.empty()) << messages_[0];
    EXPECT_TRUE(frame->Camera(0).Controller().State() & STATE_CONNECTED);
    frame->Exit();
    ConfigDocument doc = Saved();
    ASSERT_EQ(doc.cameras.size(), 1u);
    const DeviceInfo& saved = doc.cameras[0].param.deviceInfo;
    EXPECT_EQ(saved.deviceType, DEVICE_AXIS);
    EXPECT_EQ(saved.deviceName, url);
    EXPECT_EQ(saved.frameWidth, 320);
    EXPECT_EQ(saved.frameHeight, 240);
    EXPECT_EQ(doc.cameras[0].param.name, "Yard");
}

TEST_F(MainFrameTest, ExitSavesTheWindowsAndControllersState) {
    const std::string url = StartCamSim(camsim_, dir_);
    ASSERT_FALSE(url.empty());
    WriteCameras({"Door", "Gate"}, url);
    auto frame = MakeFrame();
    ASSERT_TRUE(frame->Start());
    ASSERT_EQ(frame->CameraCount(), 2);
    EXPECT_TRUE(asked_.empty()) << "no Add camera with cameras configured";
    ASSERT_TRUE(Pump(*frame, [&] {
        return (frame->Camera(0).Controller().State() & STATE_CONNECTED) &&
               (frame->Camera(1).Controller().State() & STATE_CONNECTED);
    }));
    // What changed while running, each in its own place of the document.
    struct Row {
        const char* what;
        std::function<void(CMainFrame&)> change;
        std::function<bool(const ConfigDocument&)> saved;
    };
    const Row rows[] = {
        {"name", [](CMainFrame& f) {
             OcvParam p = f.Camera(1).Controller().Param();
             p.name = "Back gate";
             f.Camera(1).Controller().SetParam(p);
         },
         [](const ConfigDocument& d) { return d.cameras[1].param.name == "Back gate"; }},
        {"Foreground", [](CMainFrame& f) { f.Conditions(0).foreground = 1; },
         [](const ConfigDocument& d) { return d.cameras[0].conditions.foreground == 1; }},
        {"TransparentParam", [](CMainFrame& f) { f.Conditions(1).transparentParam = 55; },
         [](const ConfigDocument& d) { return d.cameras[1].conditions.transparentParam == 55; }},
        {"LastShow of a window hidden in the tray",
         [](CMainFrame& f) {
             f.Conditions(0).lastShow = 3;
             f.Camera(0).HideIntoTray();
         },
         [](const ConfigDocument& d) { return d.cameras[0].conditions.lastShow == 3; }},
        {"device information the camera completed",
         [](CMainFrame&) {},
         [&url](const ConfigDocument& d) { return d.cameras[0].param.deviceInfo.deviceName == url; }},
    };
    for (const Row& row : rows) row.change(*frame);
    frame->Exit();
    EXPECT_TRUE(frame->Exited());
    EXPECT_EQ(frame->CameraCount(), 0);
    EXPECT_TRUE(frame->GetHost().Controllers().empty());
    // Read before the document: loading it starts a new log.
    const std::string log = Process::Read(dir_.File("log.txt"));
    EXPECT_NE(log.find("Ocuvane stopped."), std::string::npos) << log;
    EXPECT_NE(log.find("No system tray is available"), std::string::npos)
        << "the offscreen platform has no tray: one warning";
    ConfigDocument doc = Saved();
    ASSERT_EQ(doc.cameras.size(), 2u);
    for (const Row& row : rows) EXPECT_TRUE(row.saved(doc)) << row.what;
}

TEST_F(MainFrameTest, DeleteRemovesTheCameraAndItsRecord) {
    WriteCameras({"A", "B", "C"}, "http://127.0.0.1:9/");
    auto frame = MakeFrame();
    ASSERT_TRUE(frame->Start());
    ASSERT_EQ(frame->CameraCount(), 3);
    frame->RemoveCamera(1);
    frame->RemoveCamera(7);  // no such camera: nothing happens
    ASSERT_EQ(frame->CameraCount(), 2);
    EXPECT_EQ(frame->Camera(0).Controller().Param().name, "A");
    EXPECT_EQ(frame->Camera(1).Controller().Param().name, "C");
    EXPECT_EQ(frame->GetHost().Controllers().size(), 2u);
    ConfigDocument doc = Saved();
    ASSERT_EQ(doc.cameras.size(), 2u);
    EXPECT_EQ(doc.cameras[1].param.name, "C");
    frame->Exit();
}

TEST_F(MainFrameTest, CameraSetupChangesTheAddressAndConnectsAgain) {
    const std::string url = StartCamSim(camsim_, dir_);
    ASSERT_FALSE(url.empty());
    WriteCameras({"Door"}, "http://127.0.0.1:9/");
    auto frame = MakeFrame();
    ASSERT_TRUE(frame->Start());
    ASSERT_EQ(frame->CameraCount(), 1);
    struct Row {
        std::optional<CameraSelection> answer;
        std::string deviceAfter;
        bool connected;
    };
    const Row rows[] = {
        {std::nullopt, "http://127.0.0.1:9/", false},  // Cancel changes nothing
        {Pick(8, url, ""), url, true},
    };
    for (const Row& row : rows) {
        asked_.clear();
        answer_ = row.answer;
        frame->OnCameraMenu(0, CCapDialog::kCameraSetup);
        ASSERT_EQ(asked_.size(), 1u);
        EXPECT_EQ(asked_[0].info.deviceType, 8) << "the wizard shows the camera's own values";
        EXPECT_EQ(asked_[0].name, "Door");
        COcvCtrl& ctrl = frame->Camera(0).Controller();
        EXPECT_EQ(ctrl.Param().deviceInfo.deviceName, row.deviceAfter);
        if (row.connected) {
            EXPECT_TRUE(Pump(*frame, [&] { return (ctrl.State() & STATE_CONNECTED) != 0; }));
        }
    }
    EXPECT_EQ(asked_[0].info.deviceName, "http://127.0.0.1:9/");
    frame->Exit();
    ConfigDocument doc = Saved();
    ASSERT_EQ(doc.cameras.size(), 1u);
    EXPECT_EQ(doc.cameras[0].param.deviceInfo.deviceName, url);
    EXPECT_EQ(doc.cameras[0].param.name, "Door");
}

TEST_F(MainFrameTest, TheLogWindowShowsTheFileThenNewLines) {
    const std::string url = StartCamSim(camsim_, dir_);
    ASSERT_FALSE(url.empty());
    WriteCameras({"Door"}, url);
    auto frame = MakeFrame();
    ASSERT_TRUE(frame->Start());
    // Connected and quiet: every row from now on is one of the lines below.
    ASSERT_TRUE(Pump(*frame, [&] { return (frame->Camera(0).Controller().State() & STATE_CONNECTED) != 0; }));
    frame->GetDispatcher().ProcessPending(50);
    EXPECT_EQ(frame->LogWindow(), nullptr) << "made on first use";
    frame->ShowLogs();
    CLogDialog* log = frame->LogWindow();
    ASSERT_NE(log, nullptr);
    const int fromFile = log->RowCount();
    EXPECT_GE(fromFile, 2) << "the start-up and the connect are in log.txt";
    struct Row {
        const char* who;
        std::function<void()> write;
    };
    const Row rows[] = {
        {"main window", [&] { frame->GetHost().MainLog().Info("main line"); }},
        {"camera", [&] { frame->Camera(0).Controller().Log().Warning("camera line"); }},
        {"main window error", [&] { frame->GetHost().MainLog().Error("main error"); }},
    };
    int expected = fromFile;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.who);
        row.write();
        ++expected;
        EXPECT_TRUE(Pump(*frame, [&] { return log->RowCount() >= expected; }));
        EXPECT_EQ(log->RowCount(), expected);
    }
    frame->ShowLogs();
    EXPECT_EQ(frame->LogWindow(), log) << "made once";
    frame->Exit();
}

TEST_F(MainFrameTest, AnUnreadableDocumentStopsTheStartAndStaysAsItWas) {
    const std::string broken = "<?xml version=\"1.0\"?><ocv><SystemInfo><Camera";
    {
        std::ofstream f(dir_.File("ocv.xml"), std::ios::binary);
        f << broken;
    }
    auto frame = MakeFrame();
    EXPECT_FALSE(frame->Start());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].find("ocv.xml"), std::string::npos) << messages_[0];
    EXPECT_EQ(frame->CameraCount(), 0);
    EXPECT_TRUE(asked_.empty()) << "no Add camera over a document that was not read";
    frame->GetDispatcher().ProcessPending(50);
    EXPECT_TRUE(asked_.empty());
    frame->Exit();
    EXPECT_EQ(Process::Read(dir_.File("ocv.xml")), broken);
}

}  // namespace
