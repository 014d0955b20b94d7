// The headless program watching the camera simulator: alarms, the three capture modes, recordings
// (on motion with the seconds before the event, and by signal) and stops in each phase.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>

#include "../app/Process.h"
#include "Probe.h"
#include "config/ConfigDocument.h"
#include "foundation/Logger.h"
#include "imaging/DibImage.h"
#include "platform/Files.h"

using namespace ocv;
using namespace ocvtest;
namespace fs = std::filesystem;

namespace {

const std::string kOcuvane = std::string(OCV_BINARY_DIR) + "/app/ocuvane";
const std::string kCamSim = std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim";

class MotionEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ocvmotionXXXXXX";
        dir_ = mkdtemp(tmpl);
    }
    void TearDown() override {
        app_.reset();
        camsim_.reset();
        RemoveDirectoryTree(dir_);
    }
    using Adjust = std::function<void(OcvParam&)>;
    // The simulator with a still scene (the shape jumps every `every` seconds, 0: never), then
    // the program with one camera per `adjust` watching it: camera i is named "cam<i>" and saves
    // into Pics(i) and Rec(i).
    void Start(const std::string& size, int every, const std::vector<Adjust>& adjust) {
        std::vector<std::string> args{kCamSim, "--port", "0", "--size", size, "--still"};
        if (every > 0) args.insert(args.end(), {"--change-every", std::to_string(every)});
        camsim_ =
            std::make_unique<Process>(args, JoinPath(dir_, "cs.out"), JoinPath(dir_, "cs.err"));
        std::smatch m;
        std::string out;
        std::regex re("127\\.0\\.0\\.1:(\\d+)");
        ASSERT_TRUE(WaitFor([&] { return std::regex_search(out = camsim_->Out(), m, re); }, 10000));
        const std::string url = "http://127.0.0.1:" + m[1].str() + "/";
        for (size_t i = 0; i < adjust.size(); ++i) {
            Process add({kOcuvane, "--dir", dir_, "--add-camera", "5", url, "--name", Name(i)},
                        JoinPath(dir_, "add.out"), JoinPath(dir_, "add.err"));
            ASSERT_EQ(add.Wait(20000), 0);
        }
        CLogger quiet;
        ConfigDocument doc(dir_);
        ASSERT_TRUE(doc.LoadConfiguration(quiet));
        for (size_t i = 0; i < adjust.size(); ++i) {
            CameraConfig& cam = doc.cameras[i];
            cam.conditions.autoCapture = 1;
            OcvParam& p = cam.param;
            p.vistrel.enableVistrel = 0;
            p.motion.enableMotionCapture = 1;
            p.motion.enableLocal = 1;
            p.motion.motionCaptureThreshold = 3.0f;  // the simulator's shape is 6 % of the picture
            p.motion.motionNextCaptureTimeout = 1;
            p.motion.local.saveDirectoryName = Pics(i);
            p.recording.local.saveDirectoryName = Rec(i);
            p.recording.local.image.imageFilename = "clip";
            CreateDirectoryOne(Pics(i));
            CreateDirectoryOne(Rec(i));
            adjust[i](p);
        }
        ASSERT_TRUE(doc.SaveConfiguration(quiet));
        app_ = std::make_unique<Process>(
            std::vector<std::string>{kOcuvane, "--dir", dir_, "--headless"},
            JoinPath(dir_, "app.out"), JoinPath(dir_, "app.err"));
        for (size_t i = 0; i < adjust.size(); ++i)
            ASSERT_TRUE(
                WaitFor([&] { return Count("[Motion] Motion capture start!", i) > 0; }, 15000))
                << Log();
    }
    static std::string Name(size_t i) { return "cam" + std::to_string(i); }
    std::string Pics(size_t i) const { return JoinPath(dir_, "pics" + std::to_string(i)); }
    std::string Rec(size_t i) const { return JoinPath(dir_, "rec" + std::to_string(i)); }
    std::string Log() const { return app_ ? app_->Err() : ""; }
    bool Has(const std::string& text) const { return Log().find(text) != std::string::npos; }
    // Log lines holding `text`, of camera `camera` only when it is given.
    int Count(const std::string& text, std::optional<size_t> camera = {}) const {
        std::istringstream in(Log());
        int n = 0;
        for (std::string line; std::getline(in, line);)
            n += line.find(text) != std::string::npos &&
                 (!camera || line.find("\t" + Name(*camera) + "\t") != std::string::npos);
        return n;
    }
    std::vector<std::string> Files(const std::string& dir, const std::string& ext) const {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(dir))
            if (e.path().extension() == ext) out.push_back(e.path().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    // SIGTERM; true when the program ended (cleanly) within `ms`.
    bool StopWithin(int ms) {
        app_->Signal(SIGTERM);
        return app_->Wait(ms) == 0;
    }

    std::string dir_;
    std::unique_ptr<Process> camsim_, app_;
};

}  // namespace

TEST_F(MotionEndToEnd, EachCaptureModeDeliversItsPictures) {
    // One camera per mode, all watching the same simulator.
    struct Case {
        int mode;
        size_t pictures;  // at least
        int width, height;
    } cases[] = {{0, 1, 320, 240}, {1, 1, 964, 724}, {2, 4, 320, 240}};
    std::vector<Adjust> cameras;
    for (const Case& c : cases)
        cameras.push_back([&c](OcvParam& p) {
            p.motion.motionCaptureMode = c.mode;
            p.motion.liveShotTime = 3;
            p.motion.liveShotInterval = 1;
        });
    Start("320x240", 3, cameras);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("mode " + std::to_string(cases[i].mode));
        ASSERT_TRUE(WaitFor([&] { return Count("[Motion] 動きを検知しました!", i) > 0; }, 10000))
            << Log();
        ASSERT_TRUE(
            WaitFor([&] { return Files(Pics(i), ".jpg").size() >= cases[i].pictures; }, 10000));
    }
    EXPECT_GE(Count("[Motion] 0分3秒の間、1秒間隔でｷｬﾌﾟﾁｬｰします...", 2), 1);
    EXPECT_GE(Count("[Motion] 連続ｷｬﾌﾟﾁｬｰ終了", 2), 1);
    EXPECT_GE(Count("[Motion] Creating panorama image...", 1), 1);
    EXPECT_EQ(Count("[Motion] Creating panorama image...", 0), 0);
    EXPECT_TRUE(StopWithin(5000)) << Log();
    for (size_t i = 0; i < 3; ++i) {
        CDibImage pic;
        ASSERT_TRUE(pic.LoadFromFile(Files(Pics(i), ".jpg")[0]));
        EXPECT_EQ(pic.Width(), cases[i].width) << "mode " << cases[i].mode;
        EXPECT_EQ(pic.Height(), cases[i].height) << "mode " << cases[i].mode;
    }
}

TEST_F(MotionEndToEnd, MotionRecordingStartsWithTheSecondsBeforeAndBecomesWindowsMedia) {
    Start("320x240", 4, {[](OcvParam& p) {
              p.motion.enableRecording = 1;
              p.motion.recordingStartTimeBefore = 1;
              p.recording.recordingTime = 1;
              p.recording.frameRate = 10;
              p.recording.enableWMV = 1;  // the default custom profile in the program directory
          }});
    ASSERT_TRUE(WaitFor([&] { return Has("[Rec] Encod finished!"); }, 15000)) << Log();
    EXPECT_TRUE(Has("[Motion] 録画を実行します..."));
    EXPECT_TRUE(StopWithin(5000));
    EXPECT_TRUE(Files(Rec(0), ".avi").empty()) << "the AVI goes after the conversion";
    auto wmvs = Files(Rec(0), ".wmv");
    ASSERT_GE(wmvs.size(), 1u);
    auto p = Probe(wmvs[0], true);
    EXPECT_EQ(p["codec_name"], "wmv2");
    EXPECT_EQ(p["format_name"], "asf");
    // 10 frames before the event and about 10 live ones at 10 per second.
    EXPECT_NEAR(std::stoi(p["nb_read_frames"]), 20, 2);
    EXPECT_NEAR(std::stod(p["duration"]), std::stoi(p["nb_read_frames"]) / 10.0, 0.15);
}

TEST_F(MotionEndToEnd, StopEndsEveryPhaseWithinTheLimit) {
    // Three cameras, each held in another phase when the program is told to stop; the signal
    // starts a long recording on all of them, and a second one is refused.
    struct Case {
        const char* phase;
        const char* waitFor;
        Adjust adjust;
    } cases[] = {
        {"collecting", "[Rec] 録画中・・・", [](OcvParam&) {}},
        {"series", "1秒間隔でｷｬﾌﾟﾁｬｰします",
         [](OcvParam& p) {
             p.motion.motionCaptureMode = 2;
             p.motion.liveShotTime = 60;
             p.motion.liveShotInterval = 1;
         }},
        {"next-capture wait", "[Motion] Capture timeout 30000msec・・・",
         [](OcvParam& p) { p.motion.motionNextCaptureTimeout = 30; }},
    };
    std::vector<Adjust> cameras;
    for (const Case& c : cases)
        cameras.push_back([&c](OcvParam& p) {
            p.recording.recordingTime = 60;
            c.adjust(p);
        });
    Start("320x240", 3, cameras);
    app_->Signal(SIGUSR1);
    for (size_t i = 0; i < 3; ++i)
        ASSERT_TRUE(WaitFor([&] { return Count(cases[i].waitFor, i) > 0; }, 10000))
            << cases[i].phase << "\n"
            << Log();
    app_->Signal(SIGUSR1);
    ASSERT_TRUE(WaitFor(
        [&] { return Count("録画中に録画指示が出されました。同時録画はできません！", 0) > 0; }, 5000))
        << Log();
    EXPECT_EQ(Count("[Rec] 録画中・・・", 0), 1);
    EXPECT_TRUE(StopWithin(4000)) << Log();
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(Files(Rec(i), ".avi").empty())
            << cases[i].phase << ": a recording stopped while collecting is dropped";
}
