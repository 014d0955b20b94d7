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
    m.enableMotionCapture = 1;
    m.motionCaptureReception = 17;
    m.motionCaptureThreshold = 3.14f;  // between two slider steps: kept unless moved
    m.motionCaptureMode = 2;
    m.enableRecording = 1;
    m.recordingStartTimeBefore = 7;
    m.liveShotTime = 125;
    m.liveShotInterval = 4;
    m.motionCaptureTimeout = 3;
    m.motionCaptureTimeoutMM = 250;
    m.motionNextCaptureTimeout = 75;
    m.motionNextCaptureTimeoutMM = 125;
    m.motionCaptureEnableSound = 0;
    m.motionCaptureSoundFilename = "/opt/監視/alarm.wav";
    m.enableRange = 1;
    m.rangeLeft = 10;
    m.rangeTop = 20;
    m.rangeRight = 300;
    m.rangeBottom = 200;
    m.enableOutline = 1;
    m.outlineLevel = 200;
    m.enableLocal = 1;
    m.ftp.ftpLoginRetryCount = 7;
    return m;
}

// The preview's level between its last two pictures: plain, with a size change, and on outline
// pictures (two flat pictures have no inner edges, so only their kept border differs).
TEST(MotionPreview, LevelOfTheLastTwoPictures) {
    auto flat = [](int w, int h, uint8_t v) {
        const BITMAPINFOHEADER f = MakeRgb24Header(w, h);
        return std::make_pair(f, std::vector<uint8_t>(f.biSizeImage, v));
    };
    struct Case {
        const char* what;
        int w2, h2;
        uint8_t v1, v2;
        bool outline;
        float low, high;  // the level lies within [low, high]
    };
    const Case cases[] = {
        {"same picture", 64, 48, 100, 100, false, 0, 0},
        {"every pixel changed", 64, 48, 0, 200, false, 100.0f, 104.0f},
        {"small change under the sensitivity", 64, 48, 100, 120, false, 0, 0},
        {"new size", 32, 24, 0, 200, false, 0, 0},
        {"outline: only the border", 64, 48, 0, 200, true, 1.0f, 10.0f},
    };
    for (const Case& c : cases) {
        CMotionPreview preview;
        auto [f1, p1] = flat(64, 48, c.v1);
        auto [f2, p2] = flat(c.w2, c.h2, c.v2);
        preview.Take(f1, p1);
        EXPECT_EQ(preview.Level(MotionCapSetting{}), 0) << c.what;
        preview.Take(f2, p2);
        MotionCapSetting m;
        m.enableOutline = c.outline ? 1 : 0;
        const float level = preview.Level(m);
        EXPECT_GE(level, c.low) << c.what;
        EXPECT_LE(level, c.high) << c.what;
        EXPECT_EQ(preview.Shown(m).size(), QSize(c.w2, c.h2)) << c.what;
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
        {{"levels",
          {{"sensitivity", 20}, {"threshold", 55}},  // the threshold in tenths
          [](MotionCapSetting& m) {
              m.motionCaptureReception = 20;
              m.motionCaptureThreshold = 5.5f;
          }},
         {"default levels",
          {{"default", {}}},
          [&](MotionCapSetting& m) {
              m.motionCaptureReception = defaults.motionCaptureReception;
              m.motionCaptureThreshold = defaults.motionCaptureThreshold;
          }},
         {"method and recording",
          {{"method", 1}, {"recording", false}, {"before", 10}},
          [](MotionCapSetting& m) {
              m.motionCaptureMode = 1;
              m.enableRecording = 0;
              m.recordingStartTimeBefore = 10;
          }},
         {"alarm",
          {{"sound", true}, {"soundFile", "/tmp/bell.wav"}},
          [](MotionCapSetting& m) {
              m.motionCaptureEnableSound = 1;
              m.motionCaptureSoundFilename = "/tmp/bell.wav";
          }},
         {"outline and scope",
          {{"outline", false}, {"outlineLevel", 255}, {"scope", false}},
          [](MotionCapSetting& m) {
              m.enableOutline = 0;
              m.outlineLevel = 255;
              m.enableRange = 0;
          }}});
}

// Without a camera, or with one not connected, the dialog has no preview and no scope button.
void ExpectNoPreview(COcvCtrl* camera) {
    CMotionSettingDialog dlg(MotionCapSetting{}, camera);
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

// The scope settings take the camera's picture; the rectangle comes back in its pixels. Once
// the camera is gone there is no scope and no preview.
TEST(MotionSettingDialog, ScopeNeedsTheCameraAndStoresPicturePixels) {
    SimCamera cam("640x480", {"--still"});
    ASSERT_TRUE(cam.Connected());
    MotionCapSetting record = EveryMotionSettingChanged();
    auto drag = [](QDialog* r) {
        auto* canvas = r->findChild<CRangeCanvas*>();
        ASSERT_NE(canvas, nullptr);
        const int f = canvas->frameWidth();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(f + 10, f + 20), QPointF(),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(f + 160, f + 120), QPointF(),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &press);
        QApplication::sendEvent(canvas, &release);
        Press(*r, QDialogButtonBox::Ok);
    };
    auto withScope = [&](QDialog* d) {
        auto* scope = Child<QPushButton>(d, "scopeSettings");
        EXPECT_TRUE(scope->isVisible());
        WithModal(drag, [&] { return scope->click(), true; });
        Press(*d, QDialogButtonBox::Ok);
    };
    ASSERT_TRUE(
        WithModal(withScope, [&] { return RunMotionSettingDialog(nullptr, record, cam.Ctrl()); }));
    EXPECT_EQ(RangeRect(record.rangeLeft, record.rangeTop, record.rangeRight, record.rangeBottom),
              RangeRect(20, 40, 320, 240));

    // The camera gone while the dialog is open: the button refuses.
    Messages messages;
    CMotionSettingDialog dlg(MotionCapSetting{}, cam.Ctrl());
    cam.Ctrl()->Disconnect();
    Child<QPushButton>(&dlg, "scopeSettings")->click();
    EXPECT_EQ(messages.Texts(), std::vector<QString>{MTr(MT::NeedCamera)});
    ExpectNoPreview(cam.Ctrl());
    ExpectNoPreview(nullptr);
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
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(c.from + off), QPointF(),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent move(QEvent::MouseMove, QPointF(c.to + off), QPointF(), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(c.to + off), QPointF(),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &press);
        QApplication::sendEvent(canvas, &move);
        QApplication::sendEvent(canvas, &release);
        Press(dlg, QDialogButtonBox::Ok);
        EXPECT_EQ(dlg.isVisible(), !c.accepted);
        EXPECT_EQ(dlg.Result(), c.stored) << c.from.x() << "," << c.from.y();
        EXPECT_EQ(messages.Texts(), c.accepted ? std::vector<QString>{}
                                               : std::vector<QString>{MTr(MT::ScopeInvalid)});
    }
}

TEST(MotionSettingDialog, SoundTestNeedsAReadableWaveFile) {
    char tmpl[] = "/tmp/ocvsoundXXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    const std::string garbage = dir + "/noise.wav";
    std::ofstream(garbage) << "this is no wave";
    // 8-bit mono PCM, 8000 per second, four samples.
    const std::string wave = dir + "/beep.wav";
    {
        const unsigned char bytes[] = {
            'R', 'I', 'F', 'F', 40,  0,   0,   0,   'W',  'A',  'V', 'E', 'f',  'm',  't',  ' ',
            16,  0,   0,   0,   1,   0,   1,   0,   0x40, 0x1f, 0,   0,   0x40, 0x1f, 0,    0,
            1,   0,   8,   0,   'd', 'a', 't', 'a', 4,    0,    0,   0,   0x80, 0xff, 0x80, 0};
        std::ofstream(wave, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    struct Case {
        std::string file;
        std::vector<QString> messages;
    };
    const Case cases[] = {
        {"", {MTr(MT::NeedSoundFile)}},
        {dir + "/missing.wav", {MTr(MT::SoundUnreadable)}},
        {garbage, {MTr(MT::SoundUnreadable)}},
        {wave, {}},
    };
    for (const Case& c : cases) {
        Messages messages;
        CMotionSettingDialog dlg(MotionCapSetting{}, nullptr);
        Child<QLineEdit>(&dlg, "soundFile")->setText(QString::fromStdString(c.file));
        Child<QPushButton>(&dlg, "testSound")->click();
        EXPECT_EQ(messages.Texts(), c.messages) << c.file;
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
    shots.liveShotTime = 300;
    shots.liveShotInterval = 10;
    MotionCapSetting odd = shots;
    odd.liveShotTime = -5;  // a length the fields cannot show stays
    CheckRoundTrip(odd, liveShot, {});
    CheckRoundTrip<MotionCapSetting>(
        shots, liveShot,
        {{"length and interval",
          {{"minutes", 2}, {"seconds", 30}, {"interval", 15}},
          [](MotionCapSetting& m) {
              m.liveShotTime = 150;
              m.liveShotInterval = 15;
          }},
         {"no length", {{"minutes", 0}, {"seconds", 0}}, [](MotionCapSetting& m) {
              m.liveShotTime = 0;
          }}});

    const auto timeout = RunMade<CMotionTimeoutSettingDialog, MotionCapSetting>;
    CheckRoundTrip(Timing(9, 999, 3600, 999), timeout, {});  // more than the fields show
    CheckRoundTrip<MotionCapSetting>(
        Timing(1, 0, 5, 0), timeout,
        {{"delay and next capture",
          {{"delay", 2.5}, {"minutes", 1}, {"seconds", 30}, {"milliseconds", 250}},
          [](MotionCapSetting& m) { m = Timing(2, 500, 90, 250); }},
         {"all zero", {{"delay", 0.0}, {"minutes", 0}, {"seconds", 0}}, [](MotionCapSetting& m) {
              m = Timing(0, 0, 0, 0);
          }}});
}

TEST(WmvProfileDialog, RoundTrip) {
    const DialogRun<RecordingInfo> run = [](RecordingInfo& r, const auto& act) {
        const bool system = r.wmvProfileType == 0;
        return WithModal(
            [&](QDialog* d) {
                EXPECT_EQ(Child<QComboBox>(d, "profiles")->isEnabled(), system);
                act(d);
            },
            [&] { return RunWmvProfileDialog(nullptr, r); });
    };
    auto profile = [](int32_t type, int32_t index, const char* path) {
        RecordingInfo r;
        r.wmvProfileType = type;
        r.wmvSystemProfileIndex = index;
        r.wmvCustomProfilePath = path;
        return r;
    };
    CheckRoundTrip(profile(2, 5, "/p/b.prx"), run, {});  // any custom type value stays
    // An index off the list stays.
    CheckRoundTrip<RecordingInfo>(
        profile(0, 99, ""), run,
        {{"custom file", {{"custom", true}, {"path", "/u/プロファイル.prx"}}, [](RecordingInfo& r) {
              r.wmvProfileType = 1;
              r.wmvCustomProfilePath = "/u/プロファイル.prx";
          }}});
    CheckRoundTrip<RecordingInfo>(
        profile(1, 1, "/p/a.prx"), run,
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
