// The headless program end to end, against the camera simulator on loopback.
#include <sys/stat.h>
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

class HeadlessTest : public SiteTest {
protected:
    bool LogSays(const std::string& what, int ms = 15000) {
        return WaitFor([&] { return app_->Err().find(what) != std::string::npos; }, ms);
    }
};

}  // namespace

TEST_F(HeadlessTest, RefusesToStartWithoutAUsableConfiguration) {
    std::string out, err;
    EXPECT_EQ(Run({"--headless"}, &out, &err), 2);
    EXPECT_NE(err.find("no camera is configured"), std::string::npos) << err;

    const std::string broken = "<OcvML><SystemInfo><Log><meta name=\"Debug Mode\" value=";
    std::ofstream(File("ocv.xml")) << broken;
    EXPECT_EQ(Run({"--headless"}, &out, &err), 1);
    EXPECT_NE((out + err).find("XML Perse Failed!"), std::string::npos) << out << err;
    EXPECT_NE(Run({"--add-camera", "5", "http://x/"}), 0) << "nothing is added over it";
    EXPECT_EQ(Process::Read(File("ocv.xml")), broken);
}

// Two runs in a row beside a camera on a ten-minute interval keeping its pictures in day
// directories and one whose directory is gone. Each run numbers its pictures from the first free
// number and leaves those of the run before; SIGUSR2 takes a snapshot with every remote target
// off; SIGINT cuts the long wait short and saves the same configuration.
TEST_F(HeadlessTest, IntervalPicturesOverTwoRunsASnapshotAndAStopThatSaves) {
    ConfigDocument doc(dir_);
    const std::string url = StartCamSim("cam");
    auto& door = AddCamera(doc, "Door", 5, url).param;
    door.vistrel.local.image.imageFilename = "door";
    auto& snap = door.snapShot;
    snap.enableFtp = snap.enableSmtp = 0;
    CreateDirectoryOne(File("snaps"));
    snap.local.saveDirectoryName = File("snaps");
    snap.local.image = door.vistrel.local.image;
    snap.local.image.imageFilename = "cap", snap.local.image.pngBitCount = 24;
    snap.local.image.imageFileFormat = IMAGE_FORMAT_PNG;
    auto& slow = AddCamera(doc, "Slow", 5, url).param.vistrel;
    slow.vistrelTimer = 600000;
    slow.local.enableMakeDateDirectory = 1;
    AddCamera(doc, "NoDir", 5, url).param.vistrel.local.saveDirectoryName = File("gone");
    Save(doc);
    std::map<std::string, std::string> first;
    for (int run = 0; run < 2; ++run) {
        StartApp("app" + std::to_string(run));
        ASSERT_TRUE(WaitFor([&] { return Pictures("Door").size() >= first.size() + 3; }, 15000))
            << app_->Err();
        ASSERT_TRUE(LogSays("[Live] Save image failed! [")) << app_->Err();
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
    std::vector<std::string> days;
    for (auto& e : fs::directory_iterator(File("Slow"))) days.push_back(e.path().filename());
    ASSERT_EQ(days.size(), 1u);
    EXPECT_TRUE(std::regex_match(days[0], std::regex("20\\d{6}")));
    EXPECT_EQ(FilesIn(File("Slow/" + days[0])).size(), 2u) << "a picture at each start";
    EXPECT_FALSE(DirectoryExists(File("gone")));
    // Lines carry the camera's name; the snapshot sends nothing.
    for (const char* line :
         {"[Live] Vistrel start!", "\tDoor\t", "停止処理中・・・", "[Snap] Snapshot start!"})
        EXPECT_NE(app_->Err().find(line), std::string::npos) << line;
    for (const char* line : {"[Snap] FTP", "[Snap] Send"})
        EXPECT_EQ(app_->Err().find(line), std::string::npos) << line;
    ExpectCameraPicture(JoinPath(File("snaps"), "cap0000.png"));
    struct stat st {};
    ASSERT_EQ(stat(File("ocv.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(HeadlessTest, ASecondInstanceWatchesTheFirstAsAPeerCamera) {
    const int port = FreeLoopbackPort();
    // The first instance: the simulated camera, served by its web server only.
    ConfigDocument doc(dir_);
    auto& front = AddCamera(doc, "Front", 5, StartCamSim("cam")).param;
    front.vistrel.enableVistrel = 0;
    front.webServer.enable = 1, front.webServer.port = port;
    front.webServer.nicIndex = AdapterPositionOf("127.0.0.1");
    Save(doc);
    std::string second = File("second");
    CreateDirectoryOne(second);
    ConfigDocument peerDoc(second);
    auto& peer = AddCamera(peerDoc, "Peer", 3, "http://127.0.0.1:" + std::to_string(port) + "/");
    peer.param.deviceInfo.quality = 90;
    peer.param.deviceInfo.frameWidth = peer.param.deviceInfo.frameHeight = 0;
    Save(peerDoc);
    StartApp();
    ASSERT_TRUE(LogSays("[WebServer]", 10000)) << app_->Err();
    Process peerApp({kOcuvane, "--headless", "--dir", second}, File("b.out"), File("b.err"));
    ASSERT_TRUE(WaitFor([&] { return Pictures("Peer").size() >= 2; }, 20000))
        << peerApp.Err() << "\n---\n" << app_->Err();
    // The peer receives the first instance's pictures.
    ExpectCameraPicture(JoinPath(File("Peer"), Pictures("Peer")[1]));
    peerApp.Signal(SIGTERM);
    EXPECT_EQ(peerApp.Wait(10000), 0);
    EXPECT_EQ(StopApp(), 0);
}

namespace {

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

}  // namespace

TEST_F(HeadlessTest, ServiceNoticesAndSighupReloadWithACameraAdded) {
    ConfigDocument doc(dir_);
    const std::string url = StartCamSim("cam");
    AddCamera(doc, "Door", 5, url).param.vistrel.enableVistrel = 0;
    Save(doc);
    NotifySocket notify(File("notify"));
    StartApp("app", {"NOTIFY_SOCKET=" + File("notify"),
                     "WATCHDOG_USEC=400000"});  // a beat every 200 ms
    ASSERT_TRUE(WaitFor([&] { return notify.Count("READY=1") == 1; }, 10000)) << app_->Err();
    EXPECT_NE(notify.Messages().find("STATUS=1 camera(s)"), std::string::npos);
    ASSERT_TRUE(WaitFor([&] { return notify.Count("WATCHDOG=1") >= 3; }, 5000));

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
