#pragma once
// The headless program end to end: a program directory of its own, ocv-camsim peers on
// loopback, and cameras that keep their interval pictures in a directory each.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "Process.h"
#include "config/ConfigDocument.h"
#include "foundation/Logger.h"
#include "platform/Files.h"

namespace ocvtest {

inline const std::string kOcuvane = std::string(OCV_BINARY_DIR) + "/app/ocuvane";
inline const std::string kCamSim = std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim";

inline size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// The regular files of `dir`, sorted by name.
inline std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> out;
    if (!ocv::DirectoryExists(dir)) return out;
    for (auto& e : std::filesystem::directory_iterator(dir))
        // A name starting with "." is a picture still being written.
        if (e.is_regular_file() && e.path().filename().string()[0] != '.')
            out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

class SiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ocvsiteXXXXXX";
        dir_ = ::mkdtemp(tmpl);
    }
    void TearDown() override {
        app_.reset();
        peers_.clear();
        if (!HasFailure()) ocv::RemoveDirectoryTree(dir_);
    }
    std::string File(const std::string& name) const { return ocv::JoinPath(dir_, name); }

    // Starts a simulator at 10 pictures a second with these options; its base URL.
    std::string StartCamSim(const std::string& tag, std::vector<std::string> args = {},
                            int port = 0) {
        std::vector<std::string> argv{kCamSim, "--port", std::to_string(port), "--fps", "10"};
        argv.insert(argv.end(), args.begin(), args.end());
        auto& p = peers_[tag] = std::make_unique<Process>(argv, File(tag + ".out"),
                                                          File(tag + ".err"));
        port = ListeningPort(*p);
        EXPECT_NE(port, 0) << tag << ": " << p->Err();
        return "http://127.0.0.1:" + std::to_string(port) + "/";
    }
    // A camera of 320x240 that keeps a picture a second as name/live0000.jpg, live0001.jpg...
    ocv::CameraConfig& AddCamera(ocv::ConfigDocument& doc, const std::string& name, int32_t type,
                                 const std::string& url) {
        ocv::CameraConfig cam = doc.NewCamera();
        cam.param.name = name;
        cam.param.deviceInfo.deviceType = type, cam.param.deviceInfo.deviceName = url;
        cam.param.deviceInfo.frameWidth = 320, cam.param.deviceInfo.frameHeight = 240;
        cam.conditions.autoCapture = 1;
        auto& live = cam.param.vistrel;
        live.enableVistrel = live.enableLocal = 1, live.vistrelTimer = 1000;
        ocv::CreateDirectoryOne(live.local.saveDirectoryName = File(name));
        auto& image = live.local.image;
        image.imageFilename = "live", image.enableAddNameCounter = 1;
        image.enableAddNameDate = image.enableAddNameTime = image.enablePrintDate =
            image.enablePrintTime = image.enablePrintName = 0;
        doc.cameras.push_back(std::move(cam));
        return doc.cameras.back();
    }
    void Save(ocv::ConfigDocument& doc) {
        ocv::CLogger quiet;
        ASSERT_TRUE(doc.SaveConfiguration(quiet));
    }
    void StartApp(const std::string& tag = "app", const std::vector<std::string>& env = {}) {
        app_ = std::make_unique<Process>(
            std::vector<std::string>{kOcuvane, "--headless", "--dir", dir_}, File(tag + ".out"),
            File(tag + ".err"), env);
        started_ = std::chrono::steady_clock::now();
    }
    // SIGTERM; the exit code, -1 when the program did not end within `ms`.
    int StopApp(int ms = 10000) {
        app_->Signal(SIGTERM);
        return app_->Wait(ms);
    }
    // Runs the program to its end with these arguments; the exit code, -1 after 20 s.
    int Run(const std::vector<std::string>& args, std::string* out = nullptr,
            std::string* err = nullptr, const std::vector<std::string>& env = {}) {
        std::vector<std::string> argv{kOcuvane, "--dir", dir_};
        argv.insert(argv.end(), args.begin(), args.end());
        Process p(argv, File("run.out"), File("run.err"), env);
        int rc = p.Wait(20000);
        if (out) *out = p.Out();
        if (err) *err = p.Err();
        return rc;
    }
    // ocv.xml as a new start reads it.
    ocv::ConfigDocument Load() {
        ocv::ConfigDocument doc(dir_);
        ocv::CLogger quiet;
        EXPECT_TRUE(doc.LoadConfiguration(quiet));
        return doc;
    }
    std::vector<std::string> Pictures(const std::string& name) const { return FilesIn(File(name)); }
    std::string Log() const { return Process::Read(File("log.txt")); }

    std::string dir_;
    std::map<std::string, std::unique_ptr<Process>> peers_;
    std::unique_ptr<Process> app_;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace ocvtest
