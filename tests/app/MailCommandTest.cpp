// Mail commands carried out by the host on real controllers connected to the camera simulator,
// and the checker's start, stop and restart through the host.
#include "Site.h"
#include "app/Host.h"
#include "controller/StateFlags.h"
#include "sources/SourceFactory.h"

using namespace ocv;
using namespace ocvtest;

namespace {

using MailCommandTest = SiteTest;

TEST_F(MailCommandTest, CommandsOnEachCameraAndTheCheckerLifecycle) {
    const std::string url = StartCamSim("cam");
    ThreadDispatcher dispatcher;
    Host host(dir_, dispatcher, &CreateCameraSource);
    for (const char* name : {"One", "Two"}) {
        CameraConfig& cam = host.AddCamera(5, url, name);
        cam.param.vistrel.enableVistrel = 1, cam.param.vistrel.vistrelTimer = 60000;
        cam.param.snapShot.local.saveDirectoryName = dir_;
    }
    host.CreateControllers();
    host.ConnectAndStart();
    auto& cams = host.Controllers();
    // Cameras connect on their own threads; the results arrive through the dispatcher.
    for (int i = 0; i < 200 && !((cams[0]->State() & cams[1]->State()) & STATE_CONNECTED); ++i)
        dispatcher.ProcessPending(50);
    ASSERT_TRUE((cams[0]->State() & cams[1]->State()) & STATE_CONNECTED);

    int recorded = 0;
    host.SetRecordingHook([&](COcvCtrl& ctrl) {
        ++recorded;
        return &ctrl == cams[1].get() ? 1 : 0;
    });
    const struct Case {
        const char* word;
        int cameraNo, result, recordings;  // recording starts so far
    } cases[] = {
        {"start", 1, 0, 0},    {"START", 2, 0, 0},        {"stop", 2, 0, 0},
        {"snapshot", 2, 0, 0}, {"reconnect", 1, 0, 0},    {"recording", 2, 0, 1},
        {"rec", 1, 1, 2},      {"reconnection", 2, 0, 2}, {"re", 1, 1, 2},
        {"sta", 1, 1, 2},      {"hello", 1, 1, 2},        {"start", 3, 1, 2},
        {"start", 0, 1, 2},    {"start", -1, 1, 2},       {"snap", 2147483647, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.word) + " " + std::to_string(c.cameraNo));
        EXPECT_EQ(host.ExecuteMailCommand(c.word, c.cameraNo).result, c.result);
        EXPECT_EQ(recorded, c.recordings);
    }
    EXPECT_TRUE(cams[0]->State() & STATE_VISTREL);
    EXPECT_FALSE(cams[1]->State() & STATE_VISTREL);
    EXPECT_TRUE(WaitFor([&] {
        const auto files = FilesIn(dir_);
        return std::any_of(files.begin(), files.end(), [](auto& f) { return f.ends_with(".jpg"); });
    }, 10000)) << "the snapshot's picture";
    // The web settings travel with the outcome; an invalid camera has them all off.
    cams[1]->Param().webServer.enableUPnP = 1, cams[1]->Param().webServer.port = 8123;
    MailCommandOutcome o = host.ExecuteMailCommand("stop", 2);
    EXPECT_TRUE(o.web.enableUPnP);
    EXPECT_EQ(o.web.port, 8123);
    EXPECT_FALSE(host.ExecuteMailCommand("stop", 5).web.enableUPnP);

    // The checker: off by default, started when enabled, stopped at once (no forced end) even
    // though it waits for a server that never answers.
    EXPECT_FALSE(host.StartMailCommandChecker());
    SystemInfo& system = host.Document().system;
    system.mailCommandEnable = 1, system.checkTime = 3600;
    system.pop3Address = "127.0.0.1", system.pop3Port = FreeLoopbackPort();
    ASSERT_TRUE(host.StartMailCommandChecker());
    EXPECT_TRUE(host.MailCommandCheckerRunning());
    // The first poll finds nothing listening; the checker then sleeps through "Check Time".
    const std::string unauthorized = "POP3 Unauthorized! [ERROR: connect unsuccessful]";
    EXPECT_TRUE(WaitFor([&] { return Count(Process::Read(host.LogFilePath()), unauthorized) > 0; }, 10000));
    host.RestartMailCommandChecker();
    EXPECT_TRUE(host.MailCommandCheckerRunning());
    host.StopMailCommandChecker();
    EXPECT_FALSE(host.MailCommandCheckerRunning());
    std::string log = Process::Read(host.LogFilePath());
    EXPECT_EQ(log.find("forced to terminate"), std::string::npos) << log;
    EXPECT_EQ(Count(log, "The mail command checker started！"), 2u);
    for (const char* line : {"指定されたカメラ番号は無効です！[2147483647]",
                             "サポートされていないコマンドが送信されてきました！[hello]",
                             "コマンドの実行に失敗しました！[Command=rec, CameraNo=1]"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    host.StopAll(3);
    host.DestroyControllers();
}

}  // namespace
