// The motion dialogs: the preview's meter and status over the camera simulator, the preview
// missing without a camera, the scope dragged in picture pixels, the sound test's messages, and
// every dialog handing its record back unchanged on OK, edited only on OK.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMouseEvent>

#include "../UiTestSupport.h"
#include "platform/SoundPlayer.h"
#include "ui/LiveShotDialog.h"
#include "ui/MotionMessage.h"
#include "ui/MotionPreview.h"
#include "ui/MotionSettingDialog.h"
#include "ui/MotionText.h"
#include "ui/MotionTimeoutSettingDialog.h"
#include "ui/RangeSettingDialog.h"
#include "ui/SettingDialogs.h"
#include "ui/WmvProfileDialog.h"

namespace ocv::test {
namespace {

// Collects the texts of the message boxes while it lives.
class Messages {
public:
    Messages() {
        previous_ = SetMotionMessageHook([this](const QString& t) { texts_.push_back(t); });
    }
    ~Messages() { SetMotionMessageHook(previous_); }
    const std::vector<QString>& Texts() const { return texts_; }

private:
    MotionMessageHook previous_;
    std::vector<QString> texts_;
};

MotionCapSetting EveryMotionSettingChanged() {
    MotionCapSetting m;
    m.enableMotionCapture = m.enableRecording = m.enableRange = m.enableOutline = m.enableLocal = 1;
    m.motionCaptureReception = 17;
    m.motionCaptureThreshold = 3.14f;  // between two slider steps: kept unless moved
    m.motionCaptureMode = 2;
    m.recordingStartTimeBefore = 7;
    m.liveShotTime = 125, m.liveShotInterval = 4;
    m.motionCaptureTimeout = 3, m.motionCaptureTimeoutMM = 250;
    m.motionNextCaptureTimeout = 75, m.motionNextCaptureTimeoutMM = 125;
    m.motionCaptureEnableSound = 0;
    m.motionCaptureSoundFilename = "/opt/監視/alarm.wav";
    m.rangeLeft = 10, m.rangeTop = 20, m.rangeRight = 300, m.rangeBottom = 200;
    m.outlineLevel = 200;
    m.ftp.ftpLoginRetryCount = 7;
    return m;
}

// The preview's level between its last two pictures (MotionLevel itself is the controller's):
// none after one picture or across a size change; on outline pictures two flat pictures differ
// only in their kept border.
TEST(MotionPreview, LevelOfTheLastTwoPictures) {
    auto flat = [](int w, int h, uint8_t v) {
        const BITMAPINFOHEADER f = MakeRgb24Header(w, h);
        return std::make_pair(f, std::vector<uint8_t>(f.biSizeImage, v));
    };
    const std::tuple<int, bool, float, float> cases[] = {  // width, outline, level from, to
        {64, false, 100.0f, 104.0f}, {32, false, 0, 0}, {64, true, 1.0f, 10.0f}};
    for (const auto& [w2, outline, low, high] : cases) {
        SCOPED_TRACE(std::to_string(w2) + (outline ? " outline" : ""));
        CMotionPreview preview;
        auto [f1, p1] = flat(64, 48, 0);
        auto [f2, p2] = flat(w2, w2 * 3 / 4, 200);
        preview.Take(f1, p1);
        EXPECT_EQ(preview.Level(MotionCapSetting{}), 0);
        preview.Take(f2, p2);
        MotionCapSetting m;
        m.enableOutline = outline;
        EXPECT_GE(preview.Level(m), low);
        EXPECT_LE(preview.Level(m), high);
        EXPECT_EQ(preview.Shown(m).size(), QSize(w2, w2 * 3 / 4));
    }
}

TEST(MotionSettingDialog, RoundTrip) {
    const DialogRun<MotionCapSetting> run = [](MotionCapSetting& m, const auto& act) {
        return WithModal(act, [&] { return RunMotionSettingDialog(nullptr, m, nullptr); });
    };
    MotionCapSetting odd = EveryMotionSettingChanged();
    odd.motionCaptureMode = 7;           // off the list
    odd.motionCaptureTimeout = 9;        // more than the delay field shows
    odd.rangeRight = odd.rangeLeft - 5;  // inverted, as a document may hold it
    for (const MotionCapSetting& m : {MotionCapSetting{}, odd}) CheckRoundTrip(m, run, {});
    const MotionCapSetting defaults{};
    CheckRoundTrip<MotionCapSetting>(
        EveryMotionSettingChanged(), run,
        {{"levels, method and recording",
          {{"sensitivity", 20}, {"threshold", 55}, {"method", 1}, {"recording", false}, {"before", 10}},
          [](MotionCapSetting& m) {
              m.motionCaptureReception = 20;
              m.motionCaptureThreshold = 5.5f;  // the threshold field is in tenths
              m.motionCaptureMode = 1;
              m.enableRecording = 0;
              m.recordingStartTimeBefore = 10;
          }},
         {"default levels",
          {{"default", {}}},
          [&](MotionCapSetting& m) {
              m.motionCaptureReception = defaults.motionCaptureReception;
              m.motionCaptureThreshold = defaults.motionCaptureThreshold;
          }},
         {"alarm, outline and scope",
          {{"sound", true}, {"soundFile", "/tmp/bell.wav"}, {"outline", false}, {"outlineLevel", 255},
           {"scope", false}},
          [](MotionCapSetting& m) {
              m.motionCaptureEnableSound = 1;
              m.motionCaptureSoundFilename = "/tmp/bell.wav";
              m.enableOutline = 0;
              m.outlineLevel = 255;
              m.enableRange = 0;
          }}});
}

// Without a camera the dialog has no preview and no scope button.
TEST(MotionSettingDialog, NoPreviewWithoutACamera) {
    CMotionSettingDialog dlg(MotionCapSetting{}, nullptr);
    dlg.show();
    EXPECT_EQ(Child<QLabel>(&dlg, "preview")->text(), MTr(MT::NoPreview));
    EXPECT_TRUE(Child<QLabel>(&dlg, "preview")->pixmap().isNull());
    EXPECT_TRUE(dlg.StatusText().isEmpty());
    EXPECT_FALSE(Child<QPushButton>(&dlg, "scopeSettings")->isVisible());
    EXPECT_FALSE(dlg.PreviewRunning());
}

// The meter and the status over real pictures: a still camera stays under any threshold, a
// moving one crosses a low one.
TEST(MotionSettingDialog, MeterFollowsTheCamerasPictures) {
    struct Case {
        std::vector<std::string> scene;
        float threshold;
        bool detected;
    };
    const Case cases[] = {
        {{"--still"}, 0.1f, false},
        {{}, 0.5f, true},
    };
    for (const Case& c : cases) {
        SimCamera cam("320x240", c.scene);
        ASSERT_TRUE(cam.Connected());
        MotionCapSetting m;
        m.motionCaptureThreshold = c.threshold;
        CMotionSettingDialog dlg(m, cam.Ctrl());
        dlg.show();
        EXPECT_TRUE(dlg.PreviewRunning());
        EXPECT_EQ(dlg.StatusText(), MTr(MT::StatusWatching));
        const uint64_t first = cam.Pictures();
        float highest = 0;
        bool sawDetected = false;
        // Eight new pictures, or the first detection on the moving scene.
        ocvtest::WaitFor(
            [&] {
                dlg.PreviewTick();
                QApplication::processEvents();
                highest = std::max(highest, dlg.Level());
                sawDetected |= dlg.StatusText() == MTr(MT::StatusDetected);
                if (!sawDetected) {
                    EXPECT_EQ(dlg.StatusText(), MTr(MT::StatusWatching));
                }
                return (c.detected && sawDetected) || cam.Pictures() >= first + 8;
            },
            15000);
        EXPECT_GE(cam.Pictures(), first + 2);
        EXPECT_FALSE(Child<QLabel>(&dlg, "preview")->pixmap().isNull());
        EXPECT_EQ(sawDetected, c.detected) << "highest level " << highest;
        EXPECT_EQ(highest >= c.threshold, c.detected) << highest;
    }
}

TEST(RangeSettingDialog, DragStoresPicturePixelsAndAnEmptyOneIsRefused) {
    const BITMAPINFOHEADER format = MakeRgb24Header(640, 480);
    const std::vector<uint8_t> pixels(format.biSizeImage, 0x80);
    struct Case {
        QPoint from, to;  // in the 320 x 240 drawing area
        RangeRect stored;
        bool accepted;
    };
    const Case cases[] = {
        {{10, 20}, {110, 70}, {20, 40, 220, 140}, true},
        {{110, 70}, {10, 20}, {20, 40, 220, 140}, true},       // dragged up and left
        {{300, 200}, {400, 300}, {600, 400, 639, 479}, true},  // past the edge: kept inside
        {{50, 50}, {50, 50}, {1, 2, 3, 4}, false},             // a click: no area
        {{50, 50}, {150, 50}, {1, 2, 3, 4}, false},            // a line: no area
    };
    for (const Case& c : cases) {
        Messages messages;
        CRangeSettingDialog dlg(format, pixels, {1, 2, 3, 4});
        dlg.show();
        CRangeCanvas* canvas = dlg.Canvas();
        const QPoint off(canvas->frameWidth(), canvas->frameWidth());
        auto send = [&](QEvent::Type t, QPoint at, Qt::MouseButton b, Qt::MouseButtons held) {
            QMouseEvent event(t, QPointF(at + off), QPointF(), b, held, Qt::NoModifier);
            QApplication::sendEvent(canvas, &event);
        };
        send(QEvent::MouseButtonPress, c.from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, c.to, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, c.to, Qt::LeftButton, Qt::NoButton);
        Press(dlg, QDialogButtonBox::Ok);
        EXPECT_EQ(dlg.isVisible(), !c.accepted);
        EXPECT_EQ(dlg.Result(), c.stored) << c.from.x() << "," << c.from.y();
        EXPECT_EQ(messages.Texts(), c.accepted ? std::vector<QString>{}
                                               : std::vector<QString>{MTr(MT::ScopeInvalid)});
    }
}

TEST(MotionSettingDialog, SoundTestNeedsAReadableWaveFile) {
    char tmpl[] = "/tmp/ocvsoundXXXXXX";
    const std::string dir = ::mkdtemp(tmpl), garbage = dir + "/noise.wav", wave = dir + "/beep.wav";
    std::ofstream(garbage) << "this is no wave";
    // 8-bit mono PCM, 8000 per second, four samples.
    const unsigned char bytes[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm',
                                   't', ' ', 16, 0, 0, 0, 1, 0, 1, 0, 0x40, 0x1f, 0, 0, 0x40, 0x1f,
                                   0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a', 4, 0, 0, 0, 0x80, 0xff,
                                   0x80, 0};
    std::ofstream(wave, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    const std::pair<std::string, std::vector<QString>> cases[] = {
        {"", {MTr(MT::NeedSoundFile)}},
        {dir + "/missing.wav", {MTr(MT::SoundUnreadable)}},
        {garbage, {MTr(MT::SoundUnreadable)}},
        {wave, {}},
    };
    for (const auto& [file, texts] : cases) {
        Messages messages;
        CMotionSettingDialog dlg(MotionCapSetting{}, nullptr);
        Apply(&dlg, {{"soundFile", QString::fromStdString(file)}, {"testSound", {}}});
        EXPECT_EQ(messages.Texts(), texts) << file;
    }
    StopSound();
    ocv::RemoveDirectoryTree(dir);
}

MotionCapSetting Timing(int32_t timeout, int32_t timeoutMM, int32_t next, int32_t nextMM) {
    MotionCapSetting m;
    m.motionCaptureTimeout = timeout;
    m.motionCaptureTimeoutMM = timeoutMM;
    m.motionNextCaptureTimeout = next;
    m.motionNextCaptureTimeoutMM = nextMM;
    return m;
}

TEST(MotionDetailDialogs, RoundTrip) {
    const auto liveShot = RunMade<CLiveShotDialog, MotionCapSetting>;
    MotionCapSetting shots;
    shots.liveShotTime = -5;  // a length the fields cannot show stays
    shots.liveShotInterval = 10;
    CheckRoundTrip<MotionCapSetting>(shots, liveShot,
                                     {{"length and interval",
                                       {{"minutes", 2}, {"seconds", 30}, {"interval", 15}},
                                       [](MotionCapSetting& m) {
                                           m.liveShotTime = 150;
                                           m.liveShotInterval = 15;
                                       }}});
    const auto timeout = RunMade<CMotionTimeoutSettingDialog, MotionCapSetting>;
    CheckRoundTrip<MotionCapSetting>(
        Timing(9, 999, 3600, 999), timeout,  // more than the fields show
        {{"delay and next capture",
          {{"delay", 2.5}, {"minutes", 1}, {"seconds", 30}, {"milliseconds", 250}},
          [](MotionCapSetting& m) { m = Timing(2, 500, 90, 250); }}});
}

TEST(WmvProfileDialog, RoundTrip) {
    const DialogRun<RecordingInfo> run = [](RecordingInfo& r, const auto& act) {
        return WithModal(act, [&] { return RunWmvProfileDialog(nullptr, r); });
    };
    RecordingInfo r;
    r.wmvProfileType = 0;
    r.wmvSystemProfileIndex = 99;  // an index off the list stays
    CheckRoundTrip<RecordingInfo>(
        r, run,
        {{"custom file", {{"custom", true}, {"path", "/u/プロファイル.prx"}}, [](RecordingInfo& r) {
              r.wmvProfileType = 1;
              r.wmvCustomProfilePath = "/u/プロファイル.prx";
          }}});
    r.wmvProfileType = 2;  // any custom type value stays
    r.wmvCustomProfilePath = "/p/a.prx";
    CheckRoundTrip<RecordingInfo>(
        r, run,
        {{"system profile", {{"system", true}, {"profiles", 5}}, [](RecordingInfo& r) {
              r.wmvProfileType = 0;
              r.wmvSystemProfileIndex = 5;
          }}});
}

// Enter is OK where the fields pass their checks.
TEST(MotionDialogs, KeysAndSize) {
    const BITMAPINFOHEADER format = MakeRgb24Header(320, 240);
    const std::vector<uint8_t> pixels(format.biSizeImage, 0);
    Messages messages;
    CheckKeysAndSize({
        {"motion",
         [] { return std::make_unique<CMotionSettingDialog>(MotionCapSetting{}, nullptr); }},
        {"detail", [] { return std::make_unique<CLiveShotDialog>(MotionCapSetting{}); }},
        {"timeout",
         [] { return std::make_unique<CMotionTimeoutSettingDialog>(MotionCapSetting{}); }},
        {"scope",
         [&] {
             return std::make_unique<CRangeSettingDialog>(format, pixels,
                                                          RangeRect{0, 0, 200, 200});
         }},
        {"empty scope",
         [&] {
             return std::make_unique<CRangeSettingDialog>(format, pixels, RangeRect{5, 5, 5, 90});
         },
         -1},
        {"profile", [] { return std::make_unique<CWmvProfileDialog>(RecordingInfo{}); }},
    });
    EXPECT_EQ(messages.Texts().size(), 2u);  // the empty scope refused, in each language
}

}  // namespace
}  // namespace ocv::test
