// The headless program watching the camera simulator: alarms, the three capture modes, recordings
// (Rec by signal and on motion, with the seconds before the event) and stops in each phase.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>

#include "../app/Process.h"
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
        pics_ = JoinPath(dir_, "pics");
        rec_ = JoinPath(dir_, "rec");
        CreateDirectoryOne(pics_);
        CreateDirectoryOne(rec_);
    }
    void TearDown() override {
        app_.reset();
        camsim_.reset();
        RemoveDirectoryTree(dir_);
    }
    // The simulator with a still scene (the shape jumps every `every` seconds, 0: never), then
    // the program with a camera watching it.
    void Start(const std::string& size, int every, const std::function<void(OcvParam&)>& adjust) {
        std::vector<std::string> args{kCamSim, "--port", "0", "--size", size, "--still"};
        if (every > 0) args.insert(args.end(), {"--change-every", std::to_string(every)});
        camsim_ =
            std::make_unique<Process>(args, JoinPath(dir_, "cs.out"), JoinPath(dir_, "cs.err"));
        std::smatch m;
        std::string out;
        std::regex re("127\\.0\\.0\\.1:(\\d+)");
        ASSERT_TRUE(WaitFor([&] { return std::regex_search(out = camsim_->Out(), m, re); }, 10000));
        const std::string url = "http://127.0.0.1:" + m[1].str() + "/";
        Process add({kOcuvane, "--dir", dir_, "--add-camera", "5", url, "--name", "cam"},
                    JoinPath(dir_, "add.out"), JoinPath(dir_, "add.err"));
        ASSERT_EQ(add.Wait(20000), 0);
        CLogger quiet;
        ConfigDocument doc(dir_);
        ASSERT_TRUE(doc.LoadConfiguration(quiet));
        CameraConfig& cam = doc.cameras[0];
        cam.conditions.autoCapture = 1;
        OcvParam& p = cam.param;
        p.vistrel.enableVistrel = 0;
        p.motion.enableMotionCapture = 1;
        p.motion.enableLocal = 1;
        p.motion.motionCaptureThreshold = 3.0f;  // the simulator's shape is 6 % of the picture
        p.motion.motionNextCaptureTimeout = 1;
        p.motion.local.saveDirectoryName = pics_;
        p.recording.local.saveDirectoryName = rec_;
        p.recording.local.image.imageFilename = "clip";
        adjust(p);
        ASSERT_TRUE(doc.SaveConfiguration(quiet));
        app_ = std::make_unique<Process>(
            std::vector<std::string>{kOcuvane, "--dir", dir_, "--headless"},
            JoinPath(dir_, "app.out"), JoinPath(dir_, "app.err"));
        ASSERT_TRUE(WaitFor([&] { return Has("[Motion] Motion capture start!"); }, 15000)) << Log();
    }
    std::string Log() const { return app_ ? app_->Err() : ""; }
    bool Has(const std::string& text) const { return Log().find(text) != std::string::npos; }
    int Count(const std::string& text) const {
        const std::string t = Log();
        int n = 0;
        for (size_t p = t.find(text); p != std::string::npos; p = t.find(text, p + 1)) ++n;
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
    static std::map<std::string, std::string> Probe(const std::string& path) {
        std::map<std::string, std::string> out;
        std::string cmd =
            "ffprobe -v error -count_frames -show_entries stream=codec_name,pix_fmt,"
            "r_frame_rate,nb_read_frames:format=format_name,duration -of "
            "default=noprint_wrappers=1 '" +
            path + "'";
        FILE* p = popen(cmd.c_str(), "r");
        char line[256];
        while (p && fgets(line, sizeof line, p)) {
            std::string s(line);
            s.erase(s.find_last_not_of('\n') + 1);
            auto eq = s.find('=');
            if (eq != std::string::npos) out.emplace(s.substr(0, eq), s.substr(eq + 1));
        }
        if (p) pclose(p);
        return out;
    }

    std::string dir_, pics_, rec_;
    std::unique_ptr<Process> camsim_, app_;
};

}  // namespace

TEST_F(MotionEndToEnd, EachCaptureModeDeliversItsPictures) {
    struct Case {
        int mode;
        std::string size;
        size_t pictures;  // at least
        int width, height;
    } cases[] = {
        {0, "320x240", 1, 320, 240}, {1, "160x120", 1, 484, 364}, {2, "320x240", 4, 320, 240}};
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        TearDown();
        SetUp();
        Start(c.size, 3, [&](OcvParam& p) {
            p.motion.motionCaptureMode = c.mode;
            p.motion.liveShotTime = 3;
            p.motion.liveShotInterval = 1;
        });
        ASSERT_TRUE(WaitFor([&] { return Has("[Motion] 動きを検知しました!"); }, 10000)) << Log();
        if (c.mode == 2) {
            ASSERT_TRUE(WaitFor([&] { return Has("[Motion] 連続ｷｬﾌﾟﾁｬｰ終了"); }, 10000)) << Log();
            EXPECT_TRUE(Has("[Motion] 0分3秒の間、1秒間隔でｷｬﾌﾟﾁｬｰします..."));
        }
        if (c.mode == 1) EXPECT_TRUE(Has("[Motion] Creating panorama image..."));
        ASSERT_TRUE(WaitFor([&] { return Files(pics_, ".jpg").size() >= c.pictures; }, 10000));
        EXPECT_TRUE(StopWithin(5000)) << Log();
        CDibImage pic;
        ASSERT_TRUE(pic.LoadFromFile(Files(pics_, ".jpg")[0]));
        EXPECT_EQ(pic.Width(), c.width);
        EXPECT_EQ(pic.Height(), c.height);
    }
}

TEST_F(MotionEndToEnd, StillSceneRecordsOnSignalAndRefusesASecondRecording) {
    Start("320x240", 0, [](OcvParam& p) {
        p.recording.enableWMV = 0;
        p.recording.recordingTime = 2;
        p.recording.frameRate = 10;
    });
    app_->Signal(SIGUSR1);
    ASSERT_TRUE(WaitFor([&] { return Has("[Rec] 録画中・・・"); }, 5000)) << Log();
    app_->Signal(SIGUSR1);
    ASSERT_TRUE(WaitFor([&] { return Has("[Rec] 録画終了しました!"); }, 10000)) << Log();
    EXPECT_EQ(Count("録画中に録画指示が出されました。同時録画はできません！"), 1);
    EXPECT_EQ(Count("[Rec] 録画中・・・"), 1);
    EXPECT_FALSE(Has("[Motion] 動きを検知しました!")) << "no alarm on a still scene";
    EXPECT_TRUE(StopWithin(5000));
    auto avis = Files(rec_, ".avi");
    ASSERT_EQ(avis.size(), 1u);
    auto p = Probe(avis[0]);
    EXPECT_EQ(p["codec_name"], "rawvideo");
    EXPECT_EQ(p["pix_fmt"], "bgr24");
    EXPECT_EQ(p["r_frame_rate"], "10/1");
    EXPECT_NEAR(std::stoi(p["nb_read_frames"]), 20, 2);
    EXPECT_TRUE(Files(rec_, ".wmv").empty());
}

TEST_F(MotionEndToEnd, MotionRecordingStartsWithTheSecondsBeforeAndBecomesWindowsMedia) {
    Start("320x240", 4, [](OcvParam& p) {
        p.motion.enableRecording = 1;
        p.motion.recordingStartTimeBefore = 1;
        p.recording.recordingTime = 1;
        p.recording.frameRate = 10;
        p.recording.enableWMV = 1;  // the default custom profile in the program directory
    });
    ASSERT_TRUE(WaitFor([&] { return Has("[Rec] Encod finished!"); }, 15000)) << Log();
    EXPECT_TRUE(Has("[Motion] 録画を実行します..."));
    EXPECT_TRUE(StopWithin(5000));
    EXPECT_TRUE(Files(rec_, ".avi").empty()) << "the AVI goes after the conversion";
    auto wmvs = Files(rec_, ".wmv");
    ASSERT_GE(wmvs.size(), 1u);
    auto p = Probe(wmvs[0]);
    EXPECT_EQ(p["codec_name"], "wmv2");
    EXPECT_EQ(p["format_name"], "asf");
    // 10 frames before the event and about 10 live ones at 10 per second.
    EXPECT_NEAR(std::stoi(p["nb_read_frames"]), 20, 2);
    EXPECT_NEAR(std::stod(p["duration"]), std::stoi(p["nb_read_frames"]) / 10.0, 0.15);
}

TEST_F(MotionEndToEnd, StopEndsEveryPhaseWithinTheLimit) {
    struct Case {
        const char* phase;
        const char* waitFor;
        std::function<void(OcvParam&)> adjust;
        bool signalRec;
    } cases[] = {
        {"collecting", "[Rec] 録画中・・・", [](OcvParam& p) { p.recording.recordingTime = 60; },
         true},
        {"series", "1秒間隔でｷｬﾌﾟﾁｬｰします",
         [](OcvParam& p) {
             p.motion.motionCaptureMode = 2;
             p.motion.liveShotTime = 60;
             p.motion.liveShotInterval = 1;
         },
         false},
        {"next-capture wait", "[Motion] Capture timeout 30000msec・・・",
         [](OcvParam& p) { p.motion.motionNextCaptureTimeout = 30; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phase);
        TearDown();
        SetUp();
        Start("320x240", 3, c.adjust);
        if (c.signalRec) app_->Signal(SIGUSR1);
        ASSERT_TRUE(WaitFor([&] { return Has(c.waitFor); }, 10000)) << Log();
        EXPECT_TRUE(StopWithin(4000)) << Log();
        EXPECT_TRUE(Files(rec_, ".avi").empty())
            << "a recording stopped while collecting is dropped";
    }
}
