// The headless program end to end, against the camera simulator on loopback.
#include <sys/un.h>

#include "Site.h"
#include "imaging/DibImage.h"
#include "net/NicMgr.h"

using namespace ocv;
using namespace ocvtest;
namespace fs = std::filesystem;

namespace {

// The picture is the simulator's 320 pixels wide and not mostly black.
void ExpectCameraPicture(const std::string& path) {
    CDibImage pic;
    ASSERT_TRUE(pic.LoadFromFile(path)) << path;
    EXPECT_EQ(pic.Width(), 320);
    const uint8_t* px = pic.GetBits();
    size_t bytes = pic.Stride() * pic.Height();
    EXPECT_GT(bytes - std::count(px, px + bytes, 0), bytes / 4) << "a black picture";
}

// A service manager's notification socket: the datagrams the program sends, in order.
struct NotifySocket {
    explicit NotifySocket(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    }
    ~NotifySocket() { ::close(fd_); }
    // Every message received so far, joined by " | ".
    const std::string& Messages() {
        char buf[4096];
        for (ssize_t n; (n = ::recv(fd_, buf, sizeof buf, 0)) > 0;)
            messages_ += (messages_.empty() ? "" : " | ") + std::string(buf, n);
        return messages_;
    }
    size_t Count(const std::string& what) { return ocvtest::Count(Messages(), what); }
    std::string messages_;
    int fd_;
};

class HeadlessTest : public SiteTest {
protected:
    bool LogSays(const std::string& what, int ms = 15000) {
        return WaitFor([&] { return app_->Err().find(what) != std::string::npos; }, ms);
    }
};

}  // namespace

// Two runs in a row beside a camera on a ten-minute interval. Each run numbers its pictures from
// the first free number and leaves those of the run before; SIGUSR2 takes a snapshot with every
// remote target off; SIGINT cuts the long wait short and saves the same configuration. (Day
// directories and a save directory that is gone are the delivery's, pinned by its own tests.)
TEST_F(HeadlessTest, IntervalPicturesOverTwoRunsASnapshotAndAStopThatSaves) {
    ConfigDocument doc(dir_);
    const std::string url = StartCamSim("cam");
    auto& door = AddCamera(doc, "Door", 5, url).param;
    door.vistrel.local.image.imageFilename = "door";
    auto& snap = door.snapShot;
    snap.enableFtp = snap.enableSmtp = 0;
    CreateDirectoryOne(snap.local.saveDirectoryName = File("snaps"));
    auto& shot = snap.local.image = door.vistrel.local.image;
    shot.imageFilename = "cap", shot.pngBitCount = 24, shot.imageFileFormat = IMAGE_FORMAT_PNG;
    AddCamera(doc, "Slow", 5, url).param.vistrel.vistrelTimer = 600000;
    Save(doc);
    std::map<std::string, std::string> first;
    for (int run = 0; run < 2; ++run) {
        StartApp("app" + std::to_string(run));
        ASSERT_TRUE(WaitFor([&] { return Pictures("Door").size() >= first.size() + 3; }, 15000))
            << app_->Err();
        if (run == 1) {
            app_->Signal(SIGUSR2);
            ASSERT_TRUE(WaitFor([&] { return Pictures("snaps").size() == 1; }, 10000)) << app_->Err();
        }
        const std::string before = Process::Read(File("ocv.xml"));
        fs::remove(File("ocv.xml"));
        app_->Signal(SIGINT);
        EXPECT_EQ(app_->Wait(5000), 0) << "the ten-minute wait is cut short";
        EXPECT_EQ(Process::Read(File("ocv.xml")), before) << "the stop saves the same configuration";
        if (run == 0)
            for (const auto& f : Pictures("Door")) first[f] = Process::Read(JoinPath(File("Door"), f));
    }
    // The source connects on its first frame, so even the first picture shows the camera.
    ExpectCameraPicture(JoinPath(File("Door"), "door0000.jpg"));
    for (const auto& [name, bytes] : first)
        EXPECT_EQ(Process::Read(JoinPath(File("Door"), name)), bytes) << name;
    auto all = Pictures("Door");
    EXPECT_GE(all.size(), first.size() + 3);
    for (size_t i = 0; i < all.size(); ++i) {
        char want[32];
        std::snprintf(want, sizeof want, "door%04zu.jpg", i);
        EXPECT_EQ(all[i], want) << "the counter numbers every picture";
    }
    EXPECT_EQ(Pictures("Slow").size(), 2u) << "a picture at each start";
    // Lines carry the camera's name; the snapshot sends nothing.
    for (const char* line :
         {"[Live] Vistrel start!", "\tDoor\t", "停止処理中・・・", "[Snap] Snapshot start!"})
        EXPECT_NE(app_->Err().find(line), std::string::npos) << line;
    for (const char* line : {"[Snap] FTP", "[Snap] Send"})
        EXPECT_EQ(app_->Err().find(line), std::string::npos) << line;
    ExpectCameraPicture(JoinPath(File("snaps"), "cap0000.png"));
}


// A service manager's notices, a second instance that watches the first through its web server
// as a peer camera, a camera added while running and taken by a reload, and a reload refused.
TEST_F(HeadlessTest, ServiceNoticesAPeerInstanceAndSighupReloadWithACameraAdded) {
    const int port = FreeLoopbackPort();
    ConfigDocument doc(dir_);
    const std::string url = StartCamSim("cam");
    // The simulated camera, served by the web server only.
    auto& door = AddCamera(doc, "Door", 5, url).param;
    door.vistrel.enableVistrel = 0;
    door.webServer.enable = 1, door.webServer.port = port;
    door.webServer.nicIndex = AdapterPositionOf("127.0.0.1");
    Save(doc);
    const std::string second = File("second");
    CreateDirectoryOne(second);
    ConfigDocument peerDoc(second);
    auto& peer = AddCamera(peerDoc, "Peer", 3, "http://127.0.0.1:" + std::to_string(port) + "/");
    peer.param.deviceInfo.quality = 90;
    peer.param.deviceInfo.frameWidth = peer.param.deviceInfo.frameHeight = 0;
    Save(peerDoc);
    NotifySocket notify(File("notify"));
    StartApp("app", {"NOTIFY_SOCKET=" + File("notify"),
                     "WATCHDOG_USEC=400000"});  // a beat every 200 ms
    ASSERT_TRUE(WaitFor([&] { return notify.Count("READY=1") == 1; }, 10000)) << app_->Err();
    EXPECT_NE(notify.Messages().find("STATUS=1 camera(s)"), std::string::npos);
    ASSERT_TRUE(WaitFor([&] { return notify.Count("WATCHDOG=1") >= 3; }, 5000));

    // The peer receives the first instance's pictures.
    ASSERT_TRUE(LogSays("[WebServer]", 10000)) << app_->Err();
    Process peerApp({kOcuvane, "--headless", "--dir", second}, File("b.out"), File("b.err"));
    ASSERT_TRUE(WaitFor([&] { return Pictures("Peer").size() >= 2; }, 20000))
        << peerApp.Err() << "\n---\n" << app_->Err();
    ExpectCameraPicture(JoinPath(File("Peer"), Pictures("Peer")[1]));
    peerApp.Signal(SIGTERM);
    EXPECT_EQ(peerApp.Wait(10000), 0);

    // A second camera added while the first runs, then a reload takes it.
    std::string out;
    ASSERT_EQ(Run({"--add-camera", "5", url, "--name", "Yard"}, &out), 0) << out;
    EXPECT_NE(out.find("\"Yard\""), std::string::npos) << out;
    app_->Signal(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return notify.Count("READY=1") == 2; }, 15000)) << app_->Err();
    EXPECT_EQ(notify.Count("RELOADING=1"), 1u);
    EXPECT_NE(notify.Messages().find("STATUS=2 camera(s)"), std::string::npos);
    ASSERT_TRUE(LogSays("\tYard\t")) << app_->Err();
    EXPECT_NE(app_->Err().find("Configuration reloaded: 2 camera(s)"), std::string::npos);

    // A document that cannot be read is refused and the two cameras keep running.
    std::ofstream(File("ocv.xml")) << "<OcvML><broken";
    app_->Signal(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return notify.Count("READY=1") == 3; }, 10000)) << app_->Err();
    EXPECT_NE(app_->Err().find("Reload refused:"), std::string::npos) << app_->Err();

    EXPECT_EQ(StopApp(), 0) << app_->Err();
    EXPECT_EQ(notify.Count("STOPPING=1"), 1u);
    ConfigDocument saved = Load();
    ASSERT_EQ(saved.cameras.size(), 2u) << "the running configuration is what is saved";
    EXPECT_EQ(saved.cameras[1].param.name, "Yard");
}
