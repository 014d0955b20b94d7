// The headless program watching the camera simulator: alarms, the three capture modes, recordings
// (on motion with the seconds before the event, and by signal) and stops in each phase.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>

#include "../app/Site.h"
#include "Probe.h"
#include "imaging/DibImage.h"

using namespace ocv;
using namespace ocvtest;
namespace fs = std::filesystem;

namespace {

class MotionEndToEnd : public SiteTest {
protected:
    using Adjust = std::function<void(OcvParam&)>;
    // The simulator with a still scene (the shape jumps every `every` seconds, 0: never), then
    // the program with one camera per `adjust` watching it: camera i is named "cam<i>" and keeps
    // its motion pictures in File("cam<i>") and its recordings in Rec(i).
    void Start(int every, const std::vector<Adjust>& adjust) {
        std::vector<std::string> args{"--fps", "15", "--size", "320x240", "--still"};
        if (every > 0) args.insert(args.end(), {"--change-every", std::to_string(every)});
        const std::string url = StartCamSim("cs", args);
        ConfigDocument doc(dir_);
        for (size_t i = 0; i < adjust.size(); ++i) {
            OcvParam& p = AddCamera(doc, Name(i), 5, url).param;
            p.vistrel.enableVistrel = 0;
            p.motion.enableMotionCapture = p.motion.enableLocal = 1;
            p.motion.motionCaptureThreshold = 3.0f;  // the simulator's shape is 6 % of the picture
            p.motion.motionNextCaptureTimeout = 1;
            p.motion.local.saveDirectoryName = File(Name(i));
            p.recording.local.saveDirectoryName = Rec(i);
            p.recording.local.image.imageFilename = "clip";
            CreateDirectoryOne(Rec(i));
            adjust[i](p);
        }
        Save(doc);
        StartApp();
        for (size_t i = 0; i < adjust.size(); ++i)
            ASSERT_TRUE(
                WaitFor([&] { return Count("[Motion] Motion capture start!", i) > 0; }, 15000))
                << Log();
    }
    static std::string Name(size_t i) { return "cam" + std::to_string(i); }
    std::string Rec(size_t i) const { return File("rec" + std::to_string(i)); }
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
};

}  // namespace

TEST_F(MotionEndToEnd, MotionRecordingStartsWithTheSecondsBeforeAndBecomesWindowsMedia) {
    Start(4, {[](OcvParam& p) {
              p.motion.enableRecording = 1;
              p.motion.recordingStartTimeBefore = 1;
              p.recording.recordingTime = 1;
              p.recording.frameRate = 10;
              p.recording.enableWMV = 1;  // the default custom profile in the program directory
          }});
    ASSERT_TRUE(WaitFor([&] { return Count("[Rec] Encod finished!") > 0; }, 15000)) << Log();
    EXPECT_GT(Count("[Motion] 録画を実行します..."), 0);
    EXPECT_EQ(StopApp(5000), 0);
    EXPECT_TRUE(Files(Rec(0), ".avi").empty()) << "the AVI goes after the conversion";
    auto wmvs = Files(Rec(0), ".wmv");
    ASSERT_GE(wmvs.size(), 1u);
    auto p = Probe(wmvs[0]);
    EXPECT_EQ(p["codec_name"], "wmv2");
    EXPECT_EQ(p["format_name"], "asf");
    // 10 frames before the event and about 10 live ones at 10 per second.
    EXPECT_NEAR(std::stoi(p["nb_read_frames"]), 20, 2);
    EXPECT_NEAR(std::stod(p["duration"]), std::stoi(p["nb_read_frames"]) / 10.0, 0.15);
}

// One camera per capture mode, all watching the same simulator: each delivers its pictures and is
// held in a phase of its own when the program is told to stop. The signal starts a long
// recording on all of them, and a second one is refused.
TEST_F(MotionEndToEnd, EachCaptureModeDeliversItsPicturesAndStopEndsEveryPhase) {
    struct Case {
        const char* phase;  // the log line of the phase the camera is in at the stop
        int mode, liveShotTime, nextCaptureTimeout;
        size_t pictures;  // at least
        int width, height;
    } cases[] = {
        {"[Motion] Capture timeout 30000msec・・・", 0, 3, 30, 1, 320, 240},
        {"[Motion] Creating panorama image...", 1, 3, 1, 1, 964, 724},
        {"[Motion] 連続ｷｬﾌﾟﾁｬｰ終了", 2, 3, 1, 4, 320, 240},
        {"[Motion] 1分0秒の間、1秒間隔でｷｬﾌﾟﾁｬｰします...", 2, 60, 1, 1, 320, 240},
    };
    std::vector<Adjust> cameras;
    for (const Case& c : cases)
        cameras.push_back([&c](OcvParam& p) {
            p.motion.motionCaptureMode = c.mode;
            p.motion.liveShotTime = c.liveShotTime;
            p.motion.liveShotInterval = 1;
            p.motion.motionNextCaptureTimeout = c.nextCaptureTimeout;
            p.recording.recordingTime = 60;
        });
    Start(3, cameras);
    app_->Signal(SIGUSR1);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].phase);
        ASSERT_TRUE(WaitFor([&] { return Count(cases[i].phase, i) > 0; }, 15000)) << Log();
        ASSERT_TRUE(WaitFor(
            [&] { return Files(File(Name(i)), ".jpg").size() >= cases[i].pictures; }, 10000));
    }
    EXPECT_EQ(Count("[Motion] Creating panorama image...", 0), 0);
    EXPECT_EQ(Count("[Rec] 録画中・・・", 0), 1);
    app_->Signal(SIGUSR1);
    ASSERT_TRUE(WaitFor(
        [&] { return Count("録画中に録画指示が出されました。同時録画はできません！", 0) > 0; }, 5000))
        << Log();
    EXPECT_EQ(StopApp(4000), 0) << Log();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].phase);
        EXPECT_TRUE(Files(Rec(i), ".avi").empty()) << "a recording stopped while collecting";
        CDibImage pic;
        ASSERT_TRUE(pic.LoadFromFile(Files(File(Name(i)), ".jpg")[0]));
        EXPECT_EQ(pic.Width(), cases[i].width);
        EXPECT_EQ(pic.Height(), cases[i].height);
    }
}
