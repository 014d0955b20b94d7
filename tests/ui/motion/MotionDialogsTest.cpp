// The motion dialogs: the preview's meter and status over the camera simulator, the preview
// missing without a camera, the scope dragged in picture pixels, and every dialog handing its
// record back unchanged on OK, edited only on OK.
#include <gtest/gtest.h>

#include "../UiTestSupport.h"
#include "ui/LiveShotDialog.h"
#include "ui/MotionMessage.h"
#include "ui/MotionSettingDialog.h"
#include "ui/MotionText.h"
#include "ui/MotionTimeoutSettingDialog.h"
#include "ui/RangeSettingDialog.h"
#include "ui/SettingDialogs.h"
#include "ui/WmvProfileDialog.h"

namespace ocv::test {
namespace {

// Collects the texts of the message boxes while it lives.
struct Messages {
    std::vector<QString> texts;
    MotionMessageHook previous = SetMotionMessageHook([this](const QString& t) { texts.push_back(t); });
    ~Messages() { SetMotionMessageHook(previous); }
};

MotionCapSetting EveryMotionSettingChanged() {
    MotionCapSetting m;
    m.enableMotionCapture = m.enableRecording = m.enableRange = m.enableOutline = m.enableLocal = 1;
    m.motionCaptureThreshold = 3.14f;  // between two slider steps: kept unless moved
    m.motionCaptureReception = 17, m.motionCaptureMode = 2, m.recordingStartTimeBefore = 7;
    m.liveShotTime = 125, m.liveShotInterval = 4;
    m.motionCaptureTimeout = 3, m.motionCaptureTimeoutMM = 250;
    m.motionNextCaptureTimeout = 75, m.motionNextCaptureTimeoutMM = 125;
    m.motionCaptureEnableSound = 0, m.motionCaptureSoundFilename = "/opt/監視/alarm.wav";
    m.rangeLeft = 10, m.rangeTop = 20, m.rangeRight = 300, m.rangeBottom = 200;
    m.outlineLevel = 200, m.ftp.ftpLoginRetryCount = 7;
    return m;
}

// Every motion dialog hands its record back unchanged on OK, edited only on OK.
TEST(MotionDialogs, RoundTrips) {
    MotionCapSetting odd = EveryMotionSettingChanged();
    odd.motionCaptureMode = 7;           // off the list
    odd.motionCaptureTimeout = 9;        // more than the delay field shows
    odd.rangeRight = odd.rangeLeft - 5;  // inverted, as a document may hold it
    const MotionCapSetting defaults{};
    CheckRoundTrip<MotionCapSetting>(
        odd, Modal<MotionCapSetting>([](auto& m) {
            return RunMotionSettingDialog(nullptr, m, nullptr);
        }),
        {{"levels, method and recording",
          {{"sensitivity", 20}, {"threshold", 55}, {"method", 1}, {"recording", false},
           {"before", 10}},
          [](MotionCapSetting& m) {
              m.motionCaptureReception = 20;
              m.motionCaptureThreshold = 5.5f;  // the threshold field is in tenths
              m.motionCaptureMode = 1, m.enableRecording = 0, m.recordingStartTimeBefore = 10;
          }},
         {"default levels", {{"default", {}}},
          [&](MotionCapSetting& m) {
              m.motionCaptureReception = defaults.motionCaptureReception;
              m.motionCaptureThreshold = defaults.motionCaptureThreshold;
          }},
         {"alarm, outline and scope",
          {{"sound", true}, {"soundFile", "/tmp/bell.wav"}, {"outline", false},
           {"outlineLevel", 255}, {"scope", false}},
          [](MotionCapSetting& m) {
              m.motionCaptureEnableSound = 1, m.motionCaptureSoundFilename = "/tmp/bell.wav";
              m.enableOutline = m.enableRange = 0, m.outlineLevel = 255;
          }}});
    MotionCapSetting shots;
    shots.liveShotTime = -5, shots.liveShotInterval = 10;  // a length the fields cannot show stays
    CheckRoundTrip<MotionCapSetting>(
        shots, RunMade<CLiveShotDialog, MotionCapSetting>,
        {{"length and interval",
          {{"minutes", 2}, {"seconds", 30}, {"interval", 15}},
          [](MotionCapSetting& m) { m.liveShotTime = 150, m.liveShotInterval = 15; }}});
    MotionCapSetting timing;
    timing.motionCaptureTimeout = 9, timing.motionCaptureTimeoutMM = 999;
    timing.motionNextCaptureTimeout = 3600, timing.motionNextCaptureTimeoutMM = 999;
    CheckRoundTrip<MotionCapSetting>(
        timing, RunMade<CMotionTimeoutSettingDialog, MotionCapSetting>,
        {{"delay and next capture",  // from more than the fields show
          {{"delay", 2.5}, {"minutes", 1}, {"seconds", 30}, {"milliseconds", 250}},
          [](MotionCapSetting& m) {
              m.motionCaptureTimeout = 2, m.motionCaptureTimeoutMM = 500;
              m.motionNextCaptureTimeout = 90, m.motionNextCaptureTimeoutMM = 250;
          }}});
    RecordingInfo r;
    r.wmvSystemProfileIndex = 99;  // an index off the list stays
    r.wmvProfileType = 0, r.wmvCustomProfilePath = "/p/a.prx";
    CheckRoundTrip<RecordingInfo>(
        r, Modal<RecordingInfo>([](auto& r) { return RunWmvProfileDialog(nullptr, r); }),
        {{"custom file",
          {{"custom", true}, {"path", "/u/プロファイル.prx"}},
          [](RecordingInfo& r) { r.wmvProfileType = 1, r.wmvCustomProfilePath = "/u/プロファイル.prx"; }},
         {"system profile", {{"custom", true}, {"system", true}, {"profiles", 5}},
          [](RecordingInfo& r) { r.wmvSystemProfileIndex = 5; }}});
}

// The meter and the status over real pictures: a still camera stays under any threshold, a
// moving one crosses a low one. Without a camera there is no preview.
TEST(MotionSettingDialog, MeterFollowsTheCamerasPicturesAndNeedsACamera) {
    // Without a camera the dialog has no preview and no scope button.
    CMotionSettingDialog alone(MotionCapSetting{}, nullptr);
    alone.show();
    EXPECT_EQ(Child<QLabel>(&alone, "preview")->text(), MTr(MT::NoPreview));
    EXPECT_TRUE(alone.StatusText().isEmpty());
    EXPECT_FALSE(Child<QPushButton>(&alone, "scopeSettings")->isVisible());
    EXPECT_FALSE(alone.PreviewRunning());
    const std::tuple<std::vector<std::string>, float, bool> cases[] = {  // scene, threshold, detected
        {{"--still"}, 0.1f, false}, {{}, 0.5f, true}};
    for (const auto& [scene, threshold, detected] : cases) {
        SimCamera cam("320x240", scene);
        ASSERT_TRUE(cam.Connected());
        MotionCapSetting m;
        m.motionCaptureThreshold = threshold;
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
                EXPECT_TRUE(sawDetected || dlg.StatusText() == MTr(MT::StatusWatching));
                return (detected && sawDetected) || cam.Pictures() >= first + 8;
            },
            15000);
        EXPECT_GE(cam.Pictures(), first + 2);
        EXPECT_FALSE(Child<QLabel>(&dlg, "preview")->pixmap().isNull());
        EXPECT_EQ(sawDetected, detected) << "highest level " << highest;
        EXPECT_EQ(highest >= threshold, detected) << highest;
    }
}

TEST(RangeSettingDialog, DragStoresPicturePixelsAndAnEmptyOneIsRefused) {
    const BITMAPINFOHEADER format = MakeRgb24Header(640, 480);
    const std::vector<uint8_t> pixels(format.biSizeImage, 0x80);
    const std::tuple<QPoint, QPoint, RangeRect, bool> cases[] = {
        // From, to (in the 320 x 240 drawing area), stored, OK: a drag either way; past the edge,
        // kept inside; a click and a line have no area.
        {{10, 20}, {110, 70}, {20, 40, 220, 140}, true}, {{110, 70}, {10, 20}, {20, 40, 220, 140}, true},
        {{300, 200}, {400, 300}, {600, 400, 639, 479}, true},
        {{50, 50}, {50, 50}, {1, 2, 3, 4}, false}, {{50, 50}, {150, 50}, {1, 2, 3, 4}, false},
    };
    for (const auto& [from, to, stored, accepted] : cases) {
        Messages messages;
        CRangeSettingDialog dlg(format, pixels, {1, 2, 3, 4});
        dlg.show();
        CRangeCanvas* canvas = dlg.Canvas();
        const QPoint off(canvas->frameWidth(), canvas->frameWidth());
        auto send = [&](QEvent::Type t, QPoint at, Qt::MouseButton b, Qt::MouseButtons held) {
            QMouseEvent event(t, QPointF(at + off), QPointF(), b, held, Qt::NoModifier);
            QApplication::sendEvent(canvas, &event);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        dlg.accept();
        EXPECT_EQ(dlg.isVisible(), !accepted);
        EXPECT_EQ(dlg.Result(), stored) << from.x() << "," << from.y();
        EXPECT_EQ(messages.texts,
                  accepted ? std::vector<QString>{} : std::vector<QString>{MTr(MT::ScopeInvalid)});
    }
}


}  // namespace
}  // namespace ocv::test
