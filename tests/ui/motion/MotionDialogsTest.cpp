// The motion dialogs: the preview's meter and status over the camera simulator, the preview
// missing without a camera, the scope dragged in picture pixels, the sound test's messages, and
// every dialog handing its record back unchanged on OK, edited only on OK.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include "MotionCamera.h"
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

namespace {

using namespace ocv;
using motiontest::SimCamera;

template <class W>
W* Child(QWidget& parent, const char* name) {
    W* w = parent.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void Press(QDialog& dlg, QDialogButtonBox::StandardButton which) {
    dlg.findChild<QDialogButtonBox*>()->button(which)->click();
}

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

// Runs `fn` on the modal dialog once it is shown (by a Run... entry point's exec).
void OnModal(std::function<void(QDialog&)> fn) {
    QTimer::singleShot(0, [fn] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        fn(*dlg);
    });
}

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

TEST(MotionSettingDialog, OkHandsBackTheRecordUnchanged) {
    MotionCapSetting odd = EveryMotionSettingChanged();
    odd.motionCaptureMode = 7;           // off the list
    odd.motionCaptureTimeout = 9;        // more than the delay field shows
    odd.rangeRight = odd.rangeLeft - 5;  // inverted, as a document may hold it
    const MotionCapSetting rows[] = {MotionCapSetting{}, EveryMotionSettingChanged(), odd};
    for (const MotionCapSetting& in : rows) {
        CMotionSettingDialog dlg(in, nullptr);
        Press(dlg, QDialogButtonBox::Ok);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(dlg.Result() == in) << in.motionCaptureMode;
    }
}

TEST(MotionSettingDialog, FieldsReachTheRecordOnlyOnOk) {
    struct Case {
        const char* what;
        std::function<void(QDialog&)> edit;
        std::function<void(MotionCapSetting&)> expect;
    };
    const Case cases[] = {
        {"sensitivity", [](QDialog& d) { Child<QSlider>(d, "sensitivity")->setValue(20); },
         [](MotionCapSetting& m) { m.motionCaptureReception = 20; }},
        {"threshold in tenths", [](QDialog& d) { Child<QSlider>(d, "threshold")->setValue(55); },
         [](MotionCapSetting& m) { m.motionCaptureThreshold = 5.5f; }},
        {"default", [](QDialog& d) { Child<QPushButton>(d, "default")->click(); },
         [](MotionCapSetting& m) {
             m.motionCaptureReception = MotionCapSetting{}.motionCaptureReception;
             m.motionCaptureThreshold = MotionCapSetting{}.motionCaptureThreshold;
         }},
        {"method", [](QDialog& d) { Child<QComboBox>(d, "method")->setCurrentIndex(1); },
         [](MotionCapSetting& m) { m.motionCaptureMode = 1; }},
        {"recording",
         [](QDialog& d) {
             Child<QCheckBox>(d, "recording")->setChecked(false);
             Child<QSpinBox>(d, "before")->setValue(10);
         },
         [](MotionCapSetting& m) {
             m.enableRecording = 0;
             m.recordingStartTimeBefore = 10;
         }},
        {"alarm",
         [](QDialog& d) {
             Child<QCheckBox>(d, "sound")->setChecked(true);
             Child<QLineEdit>(d, "soundFile")->setText(QStringLiteral("/tmp/bell.wav"));
         },
         [](MotionCapSetting& m) {
             m.motionCaptureEnableSound = 1;
             m.motionCaptureSoundFilename = "/tmp/bell.wav";
         }},
        {"outline",
         [](QDialog& d) {
             Child<QCheckBox>(d, "outline")->setChecked(false);
             Child<QSlider>(d, "outlineLevel")->setValue(255);
         },
         [](MotionCapSetting& m) {
             m.enableOutline = 0;
             m.outlineLevel = 255;
         }},
        {"scope", [](QDialog& d) { Child<QCheckBox>(d, "scope")->setChecked(false); },
         [](MotionCapSetting& m) { m.enableRange = 0; }},
    };
    for (const Case& c : cases) {
        for (bool ok : {true, false}) {
            MotionCapSetting record = EveryMotionSettingChanged();
            MotionCapSetting expected = record;
            if (ok) c.expect(expected);
            OnModal([&](QDialog& d) {
                c.edit(d);
                Press(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
            });
            EXPECT_EQ(RunMotionSettingDialog(nullptr, record, nullptr), ok) << c.what;
            EXPECT_TRUE(record == expected) << c.what << (ok ? " OK" : " Cancel");
        }
    }
}

TEST(MotionSettingDialog, WithoutACameraThereIsNoPreview) {
    SimCamera never("320x240", {"--still"});  // a controller whose camera is not connected
    ASSERT_TRUE(never.Connected());
    never.Ctrl()->Disconnect();
    for (COcvCtrl* camera : {static_cast<COcvCtrl*>(nullptr), never.Ctrl()}) {
        CMotionSettingDialog dlg(MotionCapSetting{}, camera);
        dlg.show();
        EXPECT_EQ(Child<QLabel>(dlg, "preview")->text(), MTr(MT::NoPreview));
        EXPECT_TRUE(Child<QLabel>(dlg, "preview")->pixmap().isNull());
        EXPECT_TRUE(dlg.StatusText().isEmpty());
        EXPECT_FALSE(Child<QPushButton>(dlg, "scopeSettings")->isVisible());
        EXPECT_FALSE(dlg.PreviewRunning());
    }
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
                if (!sawDetected) EXPECT_EQ(dlg.StatusText(), MTr(MT::StatusWatching));
                return (c.detected && sawDetected) || cam.Pictures() >= first + 8;
            },
            15000);
        EXPECT_GE(cam.Pictures(), first + 2);
        EXPECT_FALSE(Child<QLabel>(dlg, "preview")->pixmap().isNull());
        EXPECT_EQ(sawDetected, c.detected) << "highest level " << highest;
        EXPECT_EQ(highest >= c.threshold, c.detected) << highest;
    }
}

// The scope settings take the camera's picture; the rectangle comes back in its pixels.
TEST(MotionSettingDialog, ScopeNeedsTheCameraAndStoresPicturePixels) {
    SimCamera cam("640x480", {"--still"});
    ASSERT_TRUE(cam.Connected());
    MotionCapSetting record = EveryMotionSettingChanged();
    OnModal([](QDialog& d) {
        auto* scope = Child<QPushButton>(d, "scopeSettings");
        EXPECT_TRUE(scope->isVisible());
        OnModal([](QDialog& r) {
            auto* canvas = r.findChild<CRangeCanvas*>();
            ASSERT_NE(canvas, nullptr);
            const int f = canvas->frameWidth();
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(f + 10, f + 20), QPointF(),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(f + 160, f + 120), QPointF(),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(canvas, &press);
            QApplication::sendEvent(canvas, &release);
            Press(r, QDialogButtonBox::Ok);
        });
        scope->click();
        Press(d, QDialogButtonBox::Ok);
    });
    ASSERT_TRUE(RunMotionSettingDialog(nullptr, record, cam.Ctrl()));
    EXPECT_EQ(RangeRect(record.rangeLeft, record.rangeTop, record.rangeRight, record.rangeBottom),
              RangeRect(20, 40, 320, 240));

    // The camera gone while the dialog is open: the button refuses.
    Messages messages;
    CMotionSettingDialog dlg(MotionCapSetting{}, cam.Ctrl());
    cam.Ctrl()->Disconnect();
    Child<QPushButton>(dlg, "scopeSettings")->click();
    EXPECT_EQ(messages.Texts(), std::vector<QString>{MTr(MT::NeedCamera)});
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
        Child<QLineEdit>(dlg, "soundFile")->setText(QString::fromStdString(c.file));
        Child<QPushButton>(dlg, "testSound")->click();
        EXPECT_EQ(messages.Texts(), c.messages) << c.file;
    }
    StopSound();
    ocv::RemoveDirectoryTree(dir);
}

TEST(LiveShotDialog, RoundTripAndEdits) {
    struct Case {
        int32_t time, interval;
        int minutes, seconds, newInterval;  // -1: left alone
        int32_t timeAfter, intervalAfter;
    };
    const Case cases[] = {
        {300, 10, -1, -1, -1, 300, 10}, {125, 4, -1, -1, -1, 125, 4},
        {-5, 1, -1, -1, -1, -5, 1},  // a length the fields cannot show stays
        {300, 10, 2, 30, 15, 150, 15},  {300, 10, 0, 0, -1, 0, 10},
    };
    for (const Case& c : cases) {
        MotionCapSetting m;
        m.liveShotTime = c.time;
        m.liveShotInterval = c.interval;
        CLiveShotDialog dlg(m);
        if (c.minutes >= 0) Child<QSpinBox>(dlg, "minutes")->setValue(c.minutes);
        if (c.seconds >= 0) Child<QSpinBox>(dlg, "seconds")->setValue(c.seconds);
        if (c.newInterval >= 0) Child<QSpinBox>(dlg, "interval")->setValue(c.newInterval);
        Press(dlg, QDialogButtonBox::Ok);
        EXPECT_EQ(dlg.Result().liveShotTime, c.timeAfter) << c.time;
        EXPECT_EQ(dlg.Result().liveShotInterval, c.intervalAfter) << c.time;
    }
}

TEST(MotionTimeoutSettingDialog, RoundTripAndEdits) {
    struct Case {
        int32_t timeout, timeoutMM, next, nextMM;
        double delay;  // < 0: left alone
        int minutes, seconds, ms;
        int32_t timeoutAfter, timeoutMMAfter, nextAfter, nextMMAfter;
    };
    const Case cases[] = {
        {0, 0, 5, 0, -1, -1, -1, -1, 0, 0, 5, 0},
        {3, 250, 75, 125, -1, -1, -1, -1, 3, 250, 75, 125},
        {9, 999, 3600, 999, -1, -1, -1, -1, 9, 999, 3600, 999},  // more than the field shows
        {0, 0, 5, 0, 2.5, 1, 30, 250, 2, 500, 90, 250},
        {1, 0, 5, 0, 0.0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        MotionCapSetting m;
        m.motionCaptureTimeout = c.timeout;
        m.motionCaptureTimeoutMM = c.timeoutMM;
        m.motionNextCaptureTimeout = c.next;
        m.motionNextCaptureTimeoutMM = c.nextMM;
        CMotionTimeoutSettingDialog dlg(m);
        if (c.delay >= 0) Child<QDoubleSpinBox>(dlg, "delay")->setValue(c.delay);
        if (c.minutes >= 0) Child<QSpinBox>(dlg, "minutes")->setValue(c.minutes);
        if (c.seconds >= 0) Child<QSpinBox>(dlg, "seconds")->setValue(c.seconds);
        if (c.ms >= 0) Child<QSpinBox>(dlg, "milliseconds")->setValue(c.ms);
        Press(dlg, QDialogButtonBox::Ok);
        const MotionCapSetting r = dlg.Result();
        EXPECT_EQ(r.motionCaptureTimeout, c.timeoutAfter) << c.timeout;
        EXPECT_EQ(r.motionCaptureTimeoutMM, c.timeoutMMAfter) << c.timeout;
        EXPECT_EQ(r.motionNextCaptureTimeout, c.nextAfter) << c.next;
        EXPECT_EQ(r.motionNextCaptureTimeoutMM, c.nextMMAfter) << c.next;
    }
}

TEST(WmvProfileDialog, RoundTripAndChoices) {
    struct Case {
        int32_t type, index;
        const char* path;
        std::function<void(QDialog&)> edit;
        int32_t typeAfter, indexAfter;
        const char* pathAfter;
    };
    auto none = [](QDialog&) {};
    const Case cases[] = {
        {0, 3, "/p/a.prx", none, 0, 3, "/p/a.prx"},
        {1, 1, "/opt/ovndefault.prx", none, 1, 1, "/opt/ovndefault.prx"},
        {2, 5, "/p/b.prx", none, 2, 5, "/p/b.prx"},  // any custom type value stays
        {0, 99, "", none, 0, 99, ""},                // an index off the list stays
        {1, 1, "/p/a.prx",
         [](QDialog& d) {
             Child<QRadioButton>(d, "system")->setChecked(true);
             Child<QComboBox>(d, "profiles")->setCurrentIndex(5);
         },
         0, 5, "/p/a.prx"},
        {0, 2, "",
         [](QDialog& d) {
             Child<QRadioButton>(d, "custom")->setChecked(true);
             Child<QLineEdit>(d, "path")->setText(QStringLiteral("/home/u/プロファイル.prx"));
         },
         1, 2, "/home/u/プロファイル.prx"},
    };
    for (const Case& c : cases) {
        for (bool ok : {true, false}) {
            RecordingInfo rec;
            rec.wmvProfileType = c.type;
            rec.wmvSystemProfileIndex = c.index;
            rec.wmvCustomProfilePath = c.path;
            const RecordingInfo before = rec;
            OnModal([&](QDialog& d) {
                EXPECT_EQ(Child<QComboBox>(d, "profiles")->isEnabled(), c.type == 0);
                c.edit(d);
                Press(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
            });
            EXPECT_EQ(RunWmvProfileDialog(nullptr, rec), ok);
            RecordingInfo expected = before;
            if (ok) {
                expected.wmvProfileType = c.typeAfter;
                expected.wmvSystemProfileIndex = c.indexAfter;
                expected.wmvCustomProfilePath = c.pathAfter;
            }
            EXPECT_TRUE(rec == expected) << c.type << " " << c.index << (ok ? " OK" : " Cancel");
        }
    }
}

// Enter is OK (where the fields pass their checks), Escape is Cancel, and each fits 800 x 600.
TEST(MotionDialogs, EnterAcceptsEscapeCancelsAndEachFitsTheScreen) {
    const BITMAPINFOHEADER format = MakeRgb24Header(320, 240);
    const std::vector<uint8_t> pixels(format.biSizeImage, 0);
    struct Case {
        const char* name;
        std::function<std::unique_ptr<QDialog>()> make;
        int onEnter;  // the result Enter gives: accepted, or still open (-1)
    };
    const Case cases[] = {
        {"motion",
         [] { return std::make_unique<CMotionSettingDialog>(MotionCapSetting{}, nullptr); },
         QDialog::Accepted},
        {"detail", [] { return std::make_unique<CLiveShotDialog>(MotionCapSetting{}); },
         QDialog::Accepted},
        {"timeout",
         [] { return std::make_unique<CMotionTimeoutSettingDialog>(MotionCapSetting{}); },
         QDialog::Accepted},
        {"scope",
         [&] {
             return std::make_unique<CRangeSettingDialog>(format, pixels,
                                                          RangeRect{0, 0, 200, 200});
         },
         QDialog::Accepted},
        {"empty scope",
         [&] {
             return std::make_unique<CRangeSettingDialog>(format, pixels, RangeRect{5, 5, 5, 90});
         },
         -1},
        {"profile", [] { return std::make_unique<CWmvProfileDialog>(RecordingInfo{}); },
         QDialog::Accepted},
    };
    for (const Case& c : cases) {
        for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
            Messages messages;
            std::unique_ptr<QDialog> dlg = c.make();
            dlg->show();
            EXPECT_LE(dlg->width(), 800) << c.name;
            EXPECT_LE(dlg->height(), 600) << c.name;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(dlg.get(), &press);
            if (key == Qt::Key_Escape) {
                EXPECT_EQ(dlg->result(), QDialog::Rejected) << c.name;
                EXPECT_FALSE(dlg->isVisible()) << c.name;
            } else if (c.onEnter < 0) {
                EXPECT_TRUE(dlg->isVisible()) << c.name;
                EXPECT_EQ(messages.Texts().size(), 1u) << c.name;
            } else {
                EXPECT_EQ(dlg->result(), c.onEnter) << c.name;
                EXPECT_FALSE(dlg->isVisible()) << c.name;
            }
        }
    }
}

}  // namespace
