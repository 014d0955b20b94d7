// The headless program end to end, against the camera simulator on loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <filesystem>
#include <regex>

#include "Process.h"
#include "config/ConfigDocument.h"
#include "foundation/Logger.h"
#include "imaging/DibImage.h"
#include "net/NicMgr.h"
#include "platform/Files.h"

using namespace ocv;
using namespace ocvtest;
namespace fs = std::filesystem;

namespace {

const std::string kOcuvane = std::string(OCV_BINARY_DIR) + "/app/ocuvane";
const std::string kCamSim = std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim";

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ocvheadlessXXXXXX";
        dir_ = mkdtemp(tmpl);
        pictures_ = JoinPath(dir_, "pictures");
        CreateDirectoryOne(pictures_);
    }
    void TearDown() override {
        camsim_.reset();
        RemoveDirectoryTree(dir_);
    }
    // Starts the simulator and returns its base URL.
    std::string StartCamera() {
        camsim_ = std::make_unique<Process>(
            std::vector<std::string>{kCamSim, "--port", "0", "--size", "320x240", "--fps", "10"},
            JoinPath(dir_, "camsim.out"), JoinPath(dir_, "camsim.err"));
        std::smatch m;
        std::string out;
        std::regex re("127\\.0\\.0\\.1:(\\d+)");
        EXPECT_TRUE(WaitFor(
            [&] {
                out = camsim_->Out();
                return std::regex_search(out, m, re);
            },
            10000));
        return "http://127.0.0.1:" + m[1].str() + "/";
    }
    int Run(const std::vector<std::string>& args, std::string* err = nullptr) {
        std::vector<std::string> argv{kOcuvane, "--dir", dir_};
        argv.insert(argv.end(), args.begin(), args.end());
        Process p(argv, JoinPath(dir_, "run.out"), JoinPath(dir_, "run.err"));
        int rc = p.Wait(20000);
        if (err) *err = p.Err() + p.Out();
        return rc;
    }
    // Adds a camera with the command line, then adjusts its record in the document.
    void AddCamera(const std::string& url, const std::function<void(CameraConfig&)>& adjust) {
        std::string out;
        ASSERT_EQ(Run({"--add-camera", "5", url, "--name", "Door"}, &out), 0) << out;
        EXPECT_NE(out.find("\"Door\""), std::string::npos) << out;
        CLogger quiet;
        ConfigDocument doc(dir_);
        ASSERT_TRUE(doc.LoadConfiguration(quiet));
        ASSERT_EQ(doc.cameras.size(), 1u);
        CameraConfig& cam = doc.cameras[0];
        EXPECT_EQ(cam.param.deviceInfo.deviceType, 5);
        EXPECT_EQ(cam.param.deviceInfo.deviceName, url);
        cam.conditions.autoCapture = 1;
        cam.param.deviceInfo.frameWidth = 320;
        cam.param.deviceInfo.frameHeight = 240;
        auto& live = cam.param.vistrel;
        live.enableVistrel = 1;
        live.vistrelTimer = 1000;
        live.enableLocal = 1;
        live.local.saveDirectoryName = pictures_;
        live.local.image.imageFilename = "door";
        live.local.image.enableAddNameCounter = 1;
        live.local.image.enableAddNameDate = 1;
        live.local.image.enableAddNameTime = 1;
        adjust(cam);
        ASSERT_TRUE(doc.SaveConfiguration(quiet));
    }
    std::vector<std::string> Pictures(const std::string& dir) const {
        std::vector<std::string> out;
        if (!DirectoryExists(dir)) return out;
        for (auto& e : fs::directory_iterator(dir))
            // A name starting with "." is a picture still being written.
            if (e.is_regular_file() && e.path().filename().string()[0] != '.')
                out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string dir_, pictures_;
    std::unique_ptr<Process> camsim_;
};

}  // namespace

TEST_F(HeadlessTest, NoCameraConfiguredSaysSoAndExitsTwo) {
    std::string err;
    EXPECT_EQ(Run({"--headless"}, &err), 2);
    EXPECT_NE(err.find("no camera is configured"), std::string::npos) << err;
}

TEST_F(HeadlessTest, BrokenConfigurationIsLeftAsItWas) {
    const std::string broken = "<OcvML><SystemInfo><Log><meta name=\"Debug Mode\" value=";
    { std::ofstream(JoinPath(dir_, "ocv.xml")) << broken; }
    std::string err;
    EXPECT_EQ(Run({"--headless"}, &err), 1);
    EXPECT_NE(err.find("XML Perse Failed!"), std::string::npos) << err;
    EXPECT_EQ(Process::Read(JoinPath(dir_, "ocv.xml")), broken);
    EXPECT_NE(Run({"--add-camera", "5", "http://x/"}, &err), 0) << "nothing is added over it";
    EXPECT_EQ(Process::Read(JoinPath(dir_, "ocv.xml")), broken);
}

TEST_F(HeadlessTest, IntervalPicturesThenSigtermSavesAndExits) {
    std::string url = StartCamera();
    AddCamera(url, [](CameraConfig&) {});
    Process app({kOcuvane, "--headless", "--dir", dir_}, JoinPath(dir_, "app.out"),
                JoinPath(dir_, "app.err"));
    ASSERT_TRUE(WaitFor([&] { return Pictures(pictures_).size() >= 3; }, 15000)) << app.Err();
    auto files = Pictures(pictures_);
    std::regex name("door\\d{8}\\d{6}(\\d{4})\\.jpg");
    for (size_t i = 0; i < files.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(files[i], m, name)) << files[i];
        EXPECT_EQ(std::stoi(m[1]), static_cast<int>(i)) << "counter numbers every picture";
    }
    // The source connects on its first frame, so even the first picture shows the camera.
    CDibImage pic;
    ASSERT_TRUE(pic.LoadFromFile(JoinPath(pictures_, files[0])));
    EXPECT_EQ(pic.Width(), 320);
    const uint8_t* px = pic.GetBits();
    size_t bytes = pic.Stride() * pic.Height();
    EXPECT_GT(bytes - std::count(px, px + bytes, 0), bytes / 4) << "not a black picture";
    std::string err = app.Err();
    EXPECT_NE(err.find("[Live] Vistrel start!"), std::string::npos);
    EXPECT_NE(err.find("\tDoor\t"), std::string::npos) << "lines carry the camera's name";

    std::string before = Process::Read(JoinPath(dir_, "ocv.xml"));
    fs::remove(JoinPath(dir_, "ocv.xml"));
    auto t0 = std::chrono::steady_clock::now();
    app.Signal(SIGTERM);
    EXPECT_EQ(app.Wait(10000), 0) << app.Err();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    std::string after = Process::Read(JoinPath(dir_, "ocv.xml"));
    EXPECT_EQ(after, before) << "SIGTERM saves the same configuration";
    struct stat st {};
    ASSERT_EQ(stat(JoinPath(dir_, "ocv.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_NE(app.Err().find("停止処理中・・・"), std::string::npos);
}

TEST_F(HeadlessTest, StopDuringALongIntervalIsQuickAndDateDirectoryIsUsed) {
    std::string url = StartCamera();
    AddCamera(url, [](CameraConfig& c) {
        c.param.vistrel.vistrelTimer = 600000;
        c.param.vistrel.local.enableMakeDateDirectory = 1;
    });
    Process app({kOcuvane, "--headless", "--dir", dir_}, JoinPath(dir_, "app.out"),
                JoinPath(dir_, "app.err"));
    std::string day;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (auto& e : fs::directory_iterator(pictures_))
                if (e.is_directory() && !Pictures(e.path().string()).empty()) {
                    day = e.path().filename().string();
                    return true;
                }
            return false;
        },
        15000))
        << app.Err();
    EXPECT_TRUE(std::regex_match(day, std::regex("20\\d{6}")));
    auto t0 = std::chrono::steady_clock::now();
    app.Signal(SIGINT);
    EXPECT_EQ(app.Wait(10000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2500));
}

TEST_F(HeadlessTest, MissingSaveDirectoryIsLogged) {
    std::string url = StartCamera();
    AddCamera(url, [&](CameraConfig& c) {
        c.param.vistrel.local.saveDirectoryName = JoinPath(dir_, "gone");
    });
    Process app({kOcuvane, "--headless", "--dir", dir_}, JoinPath(dir_, "app.out"),
                JoinPath(dir_, "app.err"));
    ASSERT_TRUE(WaitFor(
        [&] { return app.Err().find("[Live] Save image failed! [") != std::string::npos; }, 15000))
        << app.Err();
    app.Signal(SIGTERM);
    EXPECT_EQ(app.Wait(10000), 0);
    EXPECT_FALSE(DirectoryExists(JoinPath(dir_, "gone")));
}

TEST_F(HeadlessTest, ASecondInstanceWatchesTheFirstAsAPeerCamera) {
    std::string url = StartCamera();
    const int port = FreeLoopbackPort();
    // The first instance: the simulated camera, served by its web server only.
    CLogger quiet;
    {
        ConfigDocument doc(dir_);
        CameraConfig cam = doc.NewCamera();
        cam.param.name = "Front";
        cam.param.deviceInfo.deviceType = 5;
        cam.param.deviceInfo.deviceName = url;
        cam.param.deviceInfo.frameWidth = 320;
        cam.param.deviceInfo.frameHeight = 240;
        cam.param.vistrel.enableVistrel = 0;
        cam.param.webServer.enable = 1;
        cam.param.webServer.port = port;
        cam.param.webServer.nicIndex = AdapterPositionOf("127.0.0.1");
        cam.conditions.autoCapture = 1;
        doc.cameras.push_back(cam);
        ASSERT_TRUE(doc.SaveConfiguration(quiet));
    }
    std::string second = JoinPath(dir_, "second");
    CreateDirectoryOne(second);
    {
        ConfigDocument doc(second);
        CameraConfig cam = doc.NewCamera();
        cam.param.name = "Peer";
        cam.param.deviceInfo.deviceType = 3;
        cam.param.deviceInfo.deviceName = "http://127.0.0.1:" + std::to_string(port) + "/";
        cam.param.deviceInfo.quality = 90;
        cam.param.vistrel.vistrelTimer = 1000;
        cam.param.vistrel.local.saveDirectoryName = pictures_;
        cam.param.vistrel.local.image.imageFilename = "peer";
        cam.param.vistrel.local.image.enablePrintName = 0;
        cam.param.vistrel.local.image.enablePrintDate = 0;
        cam.param.vistrel.local.image.enablePrintTime = 0;
        cam.conditions.autoCapture = 1;
        doc.cameras.push_back(cam);
        ASSERT_TRUE(doc.SaveConfiguration(quiet));
    }
    Process first({kOcuvane, "--headless", "--dir", dir_}, JoinPath(dir_, "a.out"),
                  JoinPath(dir_, "a.err"));
    ASSERT_TRUE(
        WaitFor([&] { return first.Err().find("[WebServer]") != std::string::npos; }, 10000))
        << first.Err();
    Process peer({kOcuvane, "--headless", "--dir", second}, JoinPath(dir_, "b.out"),
                 JoinPath(dir_, "b.err"));
    ASSERT_TRUE(WaitFor([&] { return Pictures(pictures_).size() >= 2; }, 20000))
        << peer.Err() << "\n---\n"
        << first.Err();
    CDibImage pic;
    ASSERT_TRUE(pic.LoadFromFile(JoinPath(pictures_, Pictures(pictures_)[1])));
    EXPECT_EQ(pic.Width(), 320) << "the peer receives the first instance's pictures";
    const uint8_t* px = pic.GetBits();
    size_t bytes = pic.Stride() * pic.Height();
    EXPECT_GT(bytes - std::count(px, px + bytes, 0), bytes / 4);
    peer.Signal(SIGTERM);
    first.Signal(SIGTERM);
    EXPECT_EQ(peer.Wait(10000), 0);
    EXPECT_EQ(first.Wait(10000), 0);
}

TEST_F(HeadlessTest, Sigusr2TakesASnapshotWithEveryRemoteTargetOff) {
    std::string url = StartCamera();
    std::string snaps = JoinPath(dir_, "snaps");
    CreateDirectoryOne(snaps);
    AddCamera(url, [&](CameraConfig& c) {
        c.param.vistrel.enableVistrel = 0;
        c.param.webServer.enable = 1;  // something to start, so the camera monitors
        c.param.webServer.port = FreeLoopbackPort();
        c.param.webServer.nicIndex = AdapterPositionOf("127.0.0.1");
        auto& snap = c.param.snapShot;
        snap.enableFtp = snap.enableSmtp = 0;
        snap.local.saveDirectoryName = snaps;
        snap.local.image.imageFilename = "cap";
        snap.local.image.enableAddNameDate = snap.local.image.enableAddNameTime = 0;
        snap.local.image.enableAddNameCounter = 1;
        snap.local.image.imageFileFormat = IMAGE_FORMAT_PNG;
        snap.local.image.pngBitCount = 24;
    });
    Process app({kOcuvane, "--headless", "--dir", dir_}, JoinPath(dir_, "app.out"),
                JoinPath(dir_, "app.err"));
    ASSERT_TRUE(
        WaitFor([&] { return app.Err().find("との接続を確立") != std::string::npos; }, 15000))
        << app.Err();
    app.Signal(SIGUSR2);
    ASSERT_TRUE(WaitFor([&] { return Pictures(snaps).size() == 1; }, 10000)) << app.Err();
    // A second request while the first snapshot still finishes is refused (one at a time), so
    // ask again until it is taken.
    ASSERT_TRUE(WaitFor(
        [&] {
            app.Signal(SIGUSR2);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return Pictures(snaps).size() >= 2;
        },
        10000))
        << app.Err();
    app.Signal(SIGTERM);
    EXPECT_EQ(app.Wait(10000), 0);
    auto files = Pictures(snaps);
    ASSERT_GE(files.size(), 2u);
    EXPECT_EQ(files[0], "cap0000.png");
    EXPECT_EQ(files[1], "cap0001.png");
    EXPECT_NE(app.Err().find("[Snap] Snapshot start!"), std::string::npos);
    EXPECT_EQ(app.Err().find("[Snap] FTP"), std::string::npos);
    EXPECT_EQ(app.Err().find("[Snap] Send"), std::string::npos);
    CDibImage pic;
    ASSERT_TRUE(pic.LoadFromFile(JoinPath(snaps, "cap0001.png")));
    EXPECT_EQ(pic.Width(), 320);
}

namespace {

// A service manager's notification socket: the datagrams the program sends, in order.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) : path_(path) {
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
    size_t Count(const std::string& what) {
        const std::string& m = Messages();
        size_t n = 0;
        for (size_t at = m.find(what); at != std::string::npos; at = m.find(what, at + 1)) ++n;
        return n;
    }

private:
    std::string path_, messages_;
    int fd_;
};

}  // namespace

TEST_F(HeadlessTest, ServiceNoticesAndSighupReloadWithACameraAdded) {
    std::string url = StartCamera();
    AddCamera(url, [](CameraConfig& c) { c.param.vistrel.enableVistrel = 0; });
    NotifySocket notify(JoinPath(dir_, "notify"));
    Process app({kOcuvane, "--headless", "--dir", dir_}, JoinPath(dir_, "app.out"),
                JoinPath(dir_, "app.err"),
                {"NOTIFY_SOCKET=" + JoinPath(dir_, "notify"),
                 "WATCHDOG_USEC=400000"});  // a beat every 200 ms
    ASSERT_TRUE(WaitFor([&] { return notify.Count("READY=1") == 1; }, 10000)) << app.Err();
    EXPECT_NE(notify.Messages().find("STATUS=1 camera(s)"), std::string::npos);
    ASSERT_TRUE(WaitFor([&] { return notify.Count("WATCHDOG=1") >= 3; }, 5000));

    // A second camera added while the first runs, then a reload takes it.
    std::string out;
    ASSERT_EQ(Run({"--add-camera", "5", url, "--name", "Yard"}, &out), 0) << out;
    app.Signal(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return notify.Count("READY=1") == 2; }, 15000)) << app.Err();
    EXPECT_EQ(notify.Count("RELOADING=1"), 1u);
    EXPECT_NE(notify.Messages().find("STATUS=2 camera(s)"), std::string::npos);
    ASSERT_TRUE(WaitFor([&] { return app.Err().find("\tYard\t") != std::string::npos; }, 15000))
        << app.Err();
    EXPECT_NE(app.Err().find("Configuration reloaded: 2 camera(s)"), std::string::npos);

    // A document that cannot be read is refused and the two cameras keep running.
    { std::ofstream(JoinPath(dir_, "ocv.xml")) << "<OcvML><broken"; }
    app.Signal(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return notify.Count("READY=1") == 3; }, 10000)) << app.Err();
    EXPECT_NE(app.Err().find("Reload refused:"), std::string::npos) << app.Err();

    app.Signal(SIGTERM);
    EXPECT_EQ(app.Wait(10000), 0) << app.Err();
    EXPECT_EQ(notify.Count("STOPPING=1"), 1u);
    CLogger quiet;
    ConfigDocument saved(dir_);
    ASSERT_TRUE(saved.LoadConfiguration(quiet));
    ASSERT_EQ(saved.cameras.size(), 2u) << "the running configuration is what is saved";
    EXPECT_EQ(saved.cameras[1].param.name, "Yard");
}

TEST_F(HeadlessTest, DefaultProgramDirectoryFollowsXdgDataHome) {
    std::string data = JoinPath(dir_, "data");
    Process add({kOcuvane, "--add-camera", "5", "http://127.0.0.1:9/", "--name", "Gate"},
                JoinPath(dir_, "x.out"), JoinPath(dir_, "x.err"), {"XDG_DATA_HOME=" + data});
    ASSERT_EQ(add.Wait(10000), 0) << add.Err();
    EXPECT_TRUE(FileExists(JoinPath(data, "ocuvane/ocv.xml"))) << add.Out();
    // A relative value is not a base directory: the home default applies instead.
    std::string home = JoinPath(dir_, "home");
    CreateDirectoryOne(home);
    Process rel({kOcuvane, "--add-camera", "5", "http://127.0.0.1:9/"}, JoinPath(dir_, "y.out"),
                JoinPath(dir_, "y.err"), {"XDG_DATA_HOME=relative", "HOME=" + home});
    ASSERT_EQ(rel.Wait(10000), 0) << rel.Err();
    EXPECT_TRUE(FileExists(JoinPath(home, ".local/share/ocuvane/ocv.xml"))) << rel.Out();
}
