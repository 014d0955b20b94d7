#include <unistd.h>

#include "CtrlFixture.h"
#include "PeerProcess.h"
#include "delivery/Deliver.h"
#include "net/NicMgr.h"
#include "platform/Time.h"

using namespace ocvtest;
using namespace std::chrono;

TEST_F(CtrlTest, ConnectSetsTheConnectedBitOrReportsTheFailure) {
    ctrl_->Param().deviceInfo.deviceName = "unreachable";
    ctrl_->Param().deviceInfo.frameWidth = 0;  // the source does not connect
    EXPECT_EQ(ctrl_->ConnectCamera(), 0);
    EXPECT_FALSE(ctrl_->State() & STATE_CONNECTED);
    EXPECT_EQ(Count("unreachableとの接続に失敗しました!"), 1);

    ctrl_->Param().deviceInfo.deviceName = "http://cam/";
    ctrl_->Param().deviceInfo.frameWidth = 64;
    ctrl_->Param().schedule.enable = 1;
    EXPECT_EQ(ctrl_->ConnectCamera(), 1);
    EXPECT_TRUE(ctrl_->State() & STATE_CONNECTED);
    EXPECT_TRUE(ctrl_->State() & STATE_SCHEDULE) << "a connection re-arms an enabled schedule";
    EXPECT_EQ(Count("[http://cam/]との接続を確立"), 1);
    EXPECT_EQ(host_.states.back(), ctrl_->State()) << "every change is published";

    ctrl_->Param().deviceInfo.deviceName.clear();
    EXPECT_EQ(ctrl_->ConnectCamera(), 0);
    EXPECT_EQ(host_.wizardRuns, 1);
    EXPECT_EQ(Count("接続先デバイス名の指定がありません!"), 1);
}

TEST_F(CtrlTest, StartWithNothingEnabledStartsNothingAndStopChangesNothing) {
    ASSERT_EQ(ctrl_->ConnectCamera(), 1);
    ctrl_->Param().vistrel.enableVistrel = 0;
    EXPECT_EQ(ctrl_->StartCapture(), 0);
    EXPECT_EQ(Count("開始する処理が何もありません！キャプチャー設定を確認してください。"), 1);
    EXPECT_FALSE(ctrl_->IsVistrelRunning());
    size_t published = host_.states.size();
    uint32_t flags = ctrl_->State();
    EXPECT_EQ(ctrl_->StopCapture(), 1);
    EXPECT_EQ(ctrl_->State(), flags);
    EXPECT_EQ(host_.states.size(), published);
    EXPECT_EQ(Count("停止処理中"), 0);
}

TEST_F(CtrlTest, VistrelTakesTheFirstPictureAtOnceThenByInterval) {
    ASSERT_EQ(ctrl_->ConnectCamera(), 1);
    source_->Feed(64, 48, 200);
    ctrl_->Param().vistrel.vistrelTimer = 1000;
    ASSERT_EQ(ctrl_->StartCapture(), 1);
    EXPECT_TRUE(ctrl_->IsVistrelRunning());
    ASSERT_TRUE(PumpUntil([&] { return ctrl_->State() & STATE_VISTREL; }));
    ASSERT_TRUE(PumpUntil([&] { return !Files().empty(); }, 3000)) << "first picture at once";
    // Interval measured from the end of one delivery, looked at every 500 ms: the second
    // picture comes 1.0-1.5 s after the first.
    PumpFor(700);
    EXPECT_EQ(Files().size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return Files().size() >= 2; }, 3000));
    EXPECT_EQ(Files()[0], "live0000.jpg");
    EXPECT_EQ(Files()[1], "live0001.jpg");

    // Starting again leaves the running thread alone.
    EXPECT_EQ(ctrl_->StartCapture(), 1);
    EXPECT_EQ(Count("[Live] Vistrel start!"), 1);

    EXPECT_EQ(ctrl_->StopCapture(), 1);
    EXPECT_FALSE(ctrl_->IsVistrelRunning());
    PumpFor(100);
    EXPECT_EQ(ctrl_->State() & (STATE_VISTREL | STATE_VISTREL_BUSY | STATE_STOPPING), 0u);
    EXPECT_GE(Count("[Live] Vistrel実行中・・・"), 2);
    EXPECT_GE(Count("[Live] Saving to harddisk..."), 2);
    // The stop event is reset: the next start works.
    EXPECT_FALSE(NamedEvent::Open(ctrl_->TerminateEventName())->IsSet());
    // The working directory "ocv<pid><tid>" of the thread is gone.
    for (auto& e : std::filesystem::directory_iterator(TempDirectory())) {
        std::string n = e.path().filename().string();
        if (n.rfind("ocv" + std::to_string(getpid()), 0) == 0)
            ADD_FAILURE() << "working directory left behind: " << n;
    }
}

// An FTP target that takes `ms` and ignores the stop event meanwhile, like a hung upload.
class StubbornTarget {
public:
    explicit StubbornTarget(int ms) {
        SetDeliveryTargets({[ms, this](const FtpInfo&, TargetCall&, std::string&) {
                                ++entered;
                                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                                ++left;
                                return 1;
                            },
                            {}});
    }
    ~StubbornTarget() { SetDeliveryTargets({}); }
    std::atomic<int> entered{0}, left{0};
};

TEST_F(CtrlTest, SnapshotBeforeTheFirstPictureIsBlackAndASecondCapIsRefused) {
    StubbornTarget ftp(0);
    ASSERT_EQ(ctrl_->ConnectCamera(), 1);
    auto& snap = ctrl_->Param().snapShot;
    snap.local.image.imageFileFormat = IMAGE_FORMAT_BMP;
    snap.local.image.enableAddNameCounter = 0;
    snap.enableFtp = 1;  // counters of targets that run with the counter on advance
    snap.ftp.image.enableAddNameCounter = 1;
    ASSERT_EQ(ctrl_->TakeSnapshot(), 1);
    EXPECT_EQ(ctrl_->TakeSnapshot(), 0);
    EXPECT_EQ(Count("ｽﾅｯﾌﾟｼｮｯﾄ中に別のｽﾅｯﾌﾟｼｮｯﾄ指示が出されました！"), 1);
    ASSERT_TRUE(PumpUntil([&] { return !ctrl_->IsSnapshotRunning(); }));
    EXPECT_EQ(ctrl_->SnapshotLocalCounter(), 0u) << "local counter off";
    EXPECT_EQ(ctrl_->SnapshotFtpCounter(), 1u);
    EXPECT_EQ(ctrl_->SnapshotMailCounter(), 0u);
    ASSERT_EQ(Files(), std::vector<std::string>{"snap.bmp"});
    CDibImage pic;
    ASSERT_TRUE(pic.LoadFromFile(JoinPath(saveDir_, "snap.bmp")));
    const uint8_t* px = pic.GetBits();
    EXPECT_EQ(pic.Width(), 64);
    EXPECT_EQ(std::count(px, px + pic.Stride() * pic.Height(), 0),
              static_cast<long>(pic.Stride() * pic.Height()))
        << "the zero-filled buffer: a black picture";
    PumpFor(50);
    EXPECT_EQ(ctrl_->State() & (STATE_SNAPSHOT | STATE_SNAPSHOT_BUSY), 0u);
}

// At the limit the stop asks; "no" waits another limit, "yes" abandons the thread. Its late
// messages are then ignored.
TEST_F(CtrlTest, StopAsksAtTheLimitAndAThreadThatDoesNotEndIsAbandoned) {
    StubbornTarget hung(3000);
    ASSERT_EQ(ctrl_->ConnectCamera(), 1);
    ctrl_->Param().vistrel.enableFtp = 1;
    ASSERT_EQ(ctrl_->StartCapture(), 1);
    ASSERT_TRUE(PumpUntil([&] { return hung.entered == 1; }));
    host_.answer = [this] { return host_.confirmations == 2; };
    ctrl_->StopThreads(1, true);
    EXPECT_EQ(host_.confirmations, 2);
    EXPECT_EQ(Count("ｽﾚｯﾄﾞを強制終了します"), 1);
    EXPECT_GE(Count("停止処理中・・・"), 3) << "logged about once a second";
    EXPECT_FALSE(ctrl_->IsVistrelRunning());
    EXPECT_EQ(ctrl_->State() & STATE_ALL_WORKERS, 0u);

    // A new Vistrel thread starts; the abandoned one finishes later and posts its end, which must
    // not clear the new thread's bits, and it must not capture again (its stop event stays set).
    ctrl_->Param().vistrel.enableFtp = 0;
    ctrl_->Param().vistrel.vistrelTimer = 600000;
    ASSERT_EQ(ctrl_->StartCapture(), 1);
    ASSERT_TRUE(PumpUntil([&] { return hung.left == 1; }, 5000));
    PumpFor(1200);
    EXPECT_TRUE(ctrl_->IsVistrelRunning());
    EXPECT_TRUE(ctrl_->State() & STATE_VISTREL);
    EXPECT_EQ(hung.entered, 1) << "the abandoned thread ended instead of capturing on";
    ctrl_->StopCapture();
    EXPECT_FALSE(ctrl_->IsVistrelRunning());
}

// The body of one HTTP GET on loopback (empty when nothing answers).
std::string HttpGet(int port, const std::string& path) {
    return ocv::test::RunCapture("curl -s --max-time 5 'http://127.0.0.1:" + std::to_string(port) +
                                 path + "'");
}

TEST_F(CtrlTest, OnlyTheMobilePagesStartOnlyTheWebServerWhichServesTheFrame) {
    ASSERT_EQ(ctrl_->ConnectCamera(), 1);
    source_->Feed(64, 48, 200);
    auto& p = ctrl_->Param();
    p.vistrel.enableVistrel = 0;
    p.webServer.enable = 0;
    p.webServer.imodeEnable = 1;
    p.webServer.port = ocv::test::FreePort();
    p.webServer.nicIndex = AdapterPositionOf("127.0.0.1");
    ASSERT_EQ(ctrl_->StartCapture(), 1);
    EXPECT_TRUE(ctrl_->IsWebServerRunning());
    EXPECT_FALSE(ctrl_->IsVistrelRunning());
    ASSERT_TRUE(PumpUntil([&] { return (ctrl_->State() & STATE_WEBSERVER) != 0; }));
    EXPECT_TRUE(IsMonitoring(ctrl_->State()));

    std::string answer;
    auto port = p.webServer.port;
    ASSERT_TRUE(PumpUntil([&] { return !(answer = HttpGet(port, "/SnapJpeg")).empty(); }));
    CDibImage pic;
    ASSERT_TRUE(pic.LoadFromMemory(answer.data(), answer.size())) << answer.substr(0, 200);

    ctrl_->StopCapture();
    EXPECT_FALSE(ctrl_->IsWebServerRunning());
    PumpFor(100);
    EXPECT_FALSE(ctrl_->State() & STATE_WEBSERVER);
    EXPECT_TRUE(HttpGet(p.webServer.port, "/SnapJpeg").empty()) << "the port is closed";
}
