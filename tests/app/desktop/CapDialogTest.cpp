// The camera window on the offscreen platform: button rules, placement and its record,
// the status strip, the painted picture and the gathering of frame notices into few repaints.
#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/desktop/BaseWnd.h"
#include "app/desktop/CapDialog.h"
#include "app/desktop/MenuDialog.h"
#include "controller/OcvCtrl.h"
#include "../../foundation/FakeSource.h"
#include "DesktopFixture.h"

namespace {

using namespace ocv;

// A picture of the sample's size: the lower half (the first rows of a bottom-up sample) in
// one colour, the upper half in another.
bool FeedHalves(FakeSource& source, QRgb upper, QRgb lower) {
    BITMAPINFOHEADER h{};
    source.GetFormat(&h);
    std::vector<uint8_t> px(h.biSizeImage);
    const uint32_t stride = DibStride(h.biWidth, 24);
    for (int y = 0; y < h.biHeight; ++y)
        for (int x = 0; x < h.biWidth; ++x) {
            QRgb c = y < h.biHeight / 2 ? lower : upper;
            uint8_t* p = &px[y * stride + x * 3];
            p[0] = qBlue(c), p[1] = qGreen(c), p[2] = qRed(c);
        }
    return source.Store(px);
}

struct ForwardHost : IControllerHost {
    CCapDialog* dialog = nullptr;
    void OnStateChanged(COcvCtrl&, uint32_t flags) override {
        if (dialog) dialog->OnStateChanged(flags);
    }
    bool ConfirmForcedStop(COcvCtrl&) override { return true; }
    int RunConnectWizard(COcvCtrl&) override { return 0; }
};

class CapDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ocvtest::App();
        ctrl_ = std::make_unique<COcvCtrl>(
            dispatcher_,
            [this](int32_t, std::shared_ptr<FrameNotifier> v,
                   std::shared_ptr<CLogger> l) -> std::shared_ptr<CCamInterface> {
                source_ = std::make_shared<FakeSource>(v, l);
                return source_;
            },
            dir_.Path(), &host_);
        ctrl_->Create();
        ctrl_->Log().SetMessageBox(0);
        OcvParam& p = ctrl_->Param();
        p.name = "cam1", p.deviceInfo.deviceType = 3;
        p.deviceInfo.deviceName = "http://127.0.0.1:1/";
        p.deviceInfo.frameWidth = 64, p.deviceInfo.frameHeight = 48;
        ctrl_->SetParam(OcvParam(p));
        system_.logFilePath = dir_.Path() + "/", system_.debugMode = 0;
        dialog_ = std::make_unique<CCapDialog>(*ctrl_, conditions_, system_);
        dialog_->SetAnimationDuration(0);
        host_.dialog = dialog_.get();
    }
    void TearDown() override {
        host_.dialog = nullptr;
        dialog_.reset(), ctrl_.reset();
    }
    // Runs the controller's queue and Qt's events until `done` (false after 10 s).
    bool PumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 1000 && !done(); ++i) {
            dispatcher_.ProcessPending(5);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return done();
    }
    void Connect() {
        ASSERT_EQ(ctrl_->ConnectCamera(), 1);
        ASSERT_TRUE(PumpUntil([&] { return (ctrl_->State() & STATE_CONNECTED) != 0; }));
    }
    void ShowAndWait() {
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }
    bool Enabled(const char* name) {
        return dialog_->Button(QString::fromLatin1(name))->isEnabled();
    }

    TempDir dir_;
    ThreadDispatcher dispatcher_;
    ForwardHost host_;
    std::shared_ptr<FakeSource> source_;
    std::unique_ptr<COcvCtrl> ctrl_;
    ConditionSetting conditions_;
    SystemInfo system_;
    std::unique_ptr<CCapDialog> dialog_;
};

TEST_F(CapDialogTest, ButtonsAndMenuFollowTheFlags) {
    struct Row {
        uint32_t flags;
        bool start, stop, cap, rec, setups;
    } rows[] = {
        // Not connected; connected and idle; the schedule armed only.
        {0x000, false, false, false, false, true}, {0x002, true, false, true, true, true},
        {0x202, true, false, true, true, true},
        // Interval capture, motion capture, the web server; stopping.
        {0x006, false, true, true, true, false}, {0x012, false, true, true, true, false},
        {0x102, false, true, true, true, false}, {0x406, false, false, false, false, false},
        // A snapshot in progress, recording, both; running but lost its connection.
        {0x042, true, false, false, true, true}, {0x802, true, false, true, false, true},
        {0x846, false, true, false, false, false}, {0x010, false, false, false, false, false},
    };
    CMenuDialog* menu = dialog_->Menu();
    for (const Row& r : rows) {
        dialog_->OnStateChanged(r.flags);
        EXPECT_EQ(std::make_tuple(Enabled("Start"), Enabled("Stop"), Enabled("Cap"), Enabled("Rec"),
                                  menu->Button(CMenuDialog::kCameraSetup)->isEnabled(),
                                  menu->Button(CMenuDialog::kCaptureSetup)->isEnabled()),
                  std::make_tuple(r.start, r.stop, r.cap, r.rec, r.setups, r.setups))
            << r.flags;
        EXPECT_TRUE(menu->Button(CMenuDialog::kStartUpOptions)->isEnabled());
    }
}

TEST_F(CapDialogTest, ASuccessfulCommandLocksTheButtonsUntilTheNextState) {
    VistrelSetting& live = ctrl_->Param().vistrel;
    live.enableVistrel = 1, live.vistrelTimer = 600000, live.local.saveDirectoryName = dir_.Path();
    Connect();
    ASSERT_TRUE(Enabled("Start"));
    QTest::mouseClick(dialog_->Button("Start"), Qt::LeftButton);
    // Started; the buttons wait for the state that says so.
    EXPECT_FALSE(Enabled("Start") || Enabled("Stop") || Enabled("Cap") || Enabled("Rec"));
    ASSERT_TRUE(PumpUntil([&] { return Enabled("Stop"); }));
    EXPECT_FALSE(Enabled("Start"));
    QTest::mouseClick(dialog_->Button("Stop"), Qt::LeftButton);
    // The stop waited for its threads and saw the idle state while it waited.
    ASSERT_TRUE(PumpUntil([&] { return Enabled("Start"); }));
    EXPECT_FALSE(Enabled("Stop"));
    EXPECT_EQ(ctrl_->State() & STATE_VISTREL, 0u);
}

TEST_F(CapDialogTest, PlacementAndStoredStateRoundTrip) {
    struct Row {
        int show, lastShow;
        bool visible, desk, tray;
        int stored;
    } rows[] = {
        {1, 3, true, false, false, 1}, {2, 1, false, true, false, 2}, {3, 1, false, false, true, 3},
        {0, 1, true, false, false, 1}, {0, 2, false, true, false, 2}, {0, 3, false, false, true, 3},
        {7, 2, true, false, false, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.show * 10 + r.lastShow);
        ConditionSetting c;
        c.show = r.show, c.lastShow = r.lastShow;
        c.left = 120, c.top = 70, c.right = 520, c.bottom = 430;
        CCapDialog dlg(*ctrl_, c, system_);
        dlg.SetAnimationDuration(0);
        dlg.PlaceFromConditions();
        QCoreApplication::processEvents();
        EXPECT_EQ(std::make_tuple(dlg.isVisible(), dlg.InDesktopMode(), dlg.HiddenInTray(),
                                  dlg.Panel()->isWindow()),
                  std::make_tuple(r.visible, r.desk, r.tray, r.desk));
        if (r.desk) {
            EXPECT_TRUE(dlg.Panel()->isVisible());
            EXPECT_EQ(dlg.Panel()->geometry(), QRect(125, 95, 390, 305));
        }
        c = ConditionSetting{};
        dlg.StoreConditions();
        EXPECT_EQ(c.lastShow, r.stored);
        EXPECT_EQ(std::tie(c.left, c.top, c.right, c.bottom), std::make_tuple(120, 70, 520, 430));
        // And back again: the restored window is shown with its panel inside it.
        dlg.Restore();
        QCoreApplication::processEvents();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_FALSE(dlg.InDesktopMode() || dlg.HiddenInTray());
        EXPECT_EQ(dlg.Panel()->parentWidget(), &dlg);
        EXPECT_EQ(dlg.Panel()->geometry(), QRect(5, 25, 390, 305));
    }
}

TEST_F(CapDialogTest, CloseDeskAndMenuStripWithTheAnimation) {
    dialog_->SetAnimationDuration(60);
    ShowAndWait();
    QRect before = dialog_->geometry();
    QTest::mouseClick(dialog_->Button("Close"), Qt::LeftButton);
    EXPECT_TRUE(dialog_->HiddenInTray());
    ASSERT_TRUE(PumpUntil([&] { return !dialog_->isVisible(); }));
    dialog_->Restore();
    ASSERT_TRUE(PumpUntil([&] { return dialog_->geometry() == before; }));
    EXPECT_TRUE(dialog_->isVisible());

    QRect panelOnScreen(dialog_->Panel()->mapToGlobal(QPoint(0, 0)), dialog_->Panel()->size());
    QTest::mouseClick(dialog_->Button("Desk"), Qt::LeftButton);
    ASSERT_TRUE(dialog_->InDesktopMode());
    CBaseWnd* panel = dialog_->Panel();
    EXPECT_TRUE(panel->isWindow() && panel->windowFlags().testFlag(Qt::Tool) &&
                panel->windowFlags().testFlag(Qt::WindowStaysOnBottomHint));
    EXPECT_EQ(panel->geometry(), panelOnScreen);
    ASSERT_TRUE(PumpUntil([&] { return !dialog_->isVisible(); }));
    auto* back = panel->findChild<QWidget*>("Return");
    ASSERT_TRUE(back && back->isVisible());
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_FALSE(dialog_->InDesktopMode());
    EXPECT_EQ(panel->parentWidget(), dialog_.get());
    EXPECT_FALSE(back->isVisible());
    ASSERT_TRUE(PumpUntil([&] { return dialog_->geometry() == before; }));
    // The menu strip at the bottom opens the menu; a command there closes it.
    QSignalSpy commands(dialog_.get(), &CCapDialog::menuCommand);
    QTest::mouseClick(dialog_.get(), Qt::LeftButton, {}, QPoint(200, dialog_->height() - 8));
    ASSERT_TRUE(dialog_->Menu()->isVisible());
    QTest::mouseClick(dialog_->Menu()->Button(CMenuDialog::kCaptureSetup), Qt::LeftButton);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), CCapDialog::kCaptureSetup);
    EXPECT_FALSE(dialog_->Menu()->isVisible());
}

TEST_F(CapDialogTest, StatusStripCaptionsAndMessages) {
    // The panel gave the camera's channel the configured log file and debug flag.
    EXPECT_EQ(ctrl_->Log().Path(), dir_.File("log.txt"));
    EXPECT_EQ(ctrl_->Log().DebugFlag(), 0);
    qRegisterMetaType<ocv::LogEntry>();
    QSignalSpy entries(dialog_.get(), &CCapDialog::logEntry);
    CBaseWnd* panel = dialog_->Panel();
    panel->SetMessageInterval(50);
    const QString monitoring = QString::fromUtf8("監視中・・・");
    struct Row {
        uint32_t flags;
        const char* caption;
    } rows[] = {{0x006, "監視中・・・"}, {0x002, ""}, {0x012, "監視中・・・"}, {0x000, ""},
                {0x106, "監視中・・・"}, {0x202, ""},
                // A capture in progress or a detected motion keeps what the strip said.
                {0x00E, ""}, {0x006, "監視中・・・"}, {0x036, "監視中・・・"}, {0x002, ""},
                {0x032, ""}};
    for (const Row& r : rows) {
        dialog_->OnStateChanged(r.flags);
        EXPECT_EQ(panel->StatusText(), QString::fromUtf8(r.caption)) << r.flags;
    }
    // A notice of the camera's channel, written on a worker thread, reaches the strip and the log.
    dialog_->OnStateChanged(0x006);
    std::thread([&] { ctrl_->Log().Warning("[Live] 保存できませんでした"); }).join();
    ASSERT_TRUE(PumpUntil([&] { return entries.count() == 1; }));
    EXPECT_EQ(panel->StatusText(), QString::fromUtf8("[Live] 保存できませんでした"));
    LogEntry e = entries.at(0).at(0).value<ocv::LogEntry>();
    EXPECT_EQ(std::tie(e.name, e.text, e.level),
              std::make_tuple("cam1", "[Live] 保存できませんでした", LOG_WARNING));
    // A state while the message shows leaves it; its time over, the caption comes back.
    dialog_->OnStateChanged(0x016);
    EXPECT_TRUE(panel->MessageShowing());
    ASSERT_TRUE(PumpUntil([&] { return !panel->MessageShowing(); }));
    EXPECT_EQ(panel->StatusText(), monitoring);
    // Idle again: a message falls back to nothing; exactly connected clears it at once.
    dialog_->OnStateChanged(0x002);
    dialog_->OnStatusText("接続しました", 0);
    ASSERT_TRUE(PumpUntil([&] { return !panel->MessageShowing(); }));
    EXPECT_EQ(panel->StatusText(), QString());
    dialog_->OnStatusText("[Snap] 撮影", 0);
    dialog_->OnStateChanged(0x002);
    EXPECT_EQ(panel->StatusText(), QString());
    EXPECT_EQ(entries.count(), 3);
}

// Whether a pixel is close to a colour (scaling may blend at band edges, not in their middle).
bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 8 && std::abs(qGreen(a) - qGreen(b)) < 8 &&
           std::abs(qBlue(a) - qBlue(b)) < 8;
}

TEST_F(CapDialogTest, NoSignalThenThePictureUprightLetterBoxedAndRepaintedSparingly) {
    ShowAndWait();
    QImage shot = dialog_->Panel()->grab().toImage();
    const QRect frame = dialog_->Panel()->PictureRect();
    // Not connected: "NO SIGNAL".
    int yellow = 0, other = 0;
    for (int x = 0; x < frame.width(); ++x) {
        QRgb c = shot.pixel(x, frame.height() / 2);
        // The text's smoothed edges are darker yellow; anything else does not belong.
        bool bright = qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 60;
        yellow += bright, other += !bright && (qBlue(c) > 20 || std::abs(qRed(c) - qGreen(c)) > 20);
    }
    EXPECT_GT(yellow, 0);
    EXPECT_EQ(other, 0);  // black with yellow text, nothing else
    EXPECT_EQ(shot.pixel(2, 2), qRgb(0, 0, 0));
    Connect();
    const QRgb red = qRgb(230, 20, 10), blue = qRgb(10, 40, 220);
    FeedHalves(*source_, red, blue);
    CBaseWnd* panel = dialog_->Panel();
    ASSERT_TRUE(PumpUntil([&] {
        shot = panel->grab().toImage();
        QRect pic = panel->PictureRect();
        return Near(shot.pixel(pic.width() / 2, pic.height() / 4), red);
    }));
    // 64x48 in 290x230: 290x217, 6 rows of background above.
    QRect pic = panel->PictureRect();
    ASSERT_EQ(pic.size(), QSize(290, 230));
    EXPECT_TRUE(Near(shot.pixel(145, 6 + 217 / 4), red));
    EXPECT_TRUE(Near(shot.pixel(145, 6 + 217 * 3 / 4), blue));
    EXPECT_TRUE(Near(shot.pixel(1, 6 + 217 * 3 / 4), blue));
    EXPECT_FALSE(Near(shot.pixel(145, 2), red));
    EXPECT_FALSE(Near(shot.pixel(145, 227), blue));
    // One colour all over: the centre pixel is that colour.
    const QRgb green = qRgb(20, 200, 60);
    FeedHalves(*source_, green, green);
    ASSERT_TRUE(
        PumpUntil([&] { return Near(panel->grab().toImage().pixel(pic.center()), green); }));
    // A burst of frame notices is gathered into few repaints, and the newest picture shows.
    QTest::qWait(100);
    const int before = panel->PaintCount();
    std::thread feeder([&] {
        for (int i = 0; i < 100; ++i) FeedHalves(*source_, qRgb(i, 2 * i, 255 - i), qRgb(i, 0, 0));
    });
    feeder.join();
    ASSERT_TRUE(PumpUntil([&] { return panel->PaintCount() > before; }));
    QTest::qWait(100);
    EXPECT_LE(panel->PaintCount() - before, 3);
    EXPECT_TRUE(
        Near(panel->grab().toImage().pixel(pic.width() / 2, pic.height() / 4), qRgb(99, 198, 156)));
}

TEST_F(CapDialogTest, DragsMoveAndSizeTheWindow) {
    struct Row {
        QPoint press, release, moved;
        QSize size;
    } rows[] = {
        {{150, 10}, {180, 40}, {30, 30}, {300, 300}},     // anywhere else: moves
        {{100, 150}, {60, 130}, {-40, -20}, {300, 300}},  // on the picture too
        {{295, 295}, {345, 325}, {0, 0}, {350, 330}},     // the corner: sizes
        {{295, 295}, {200, 250}, {0, 0}, {300, 300}},     // never below the minimum
    };
    ShowAndWait();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.press.x() * 1000 + r.press.y());
        dialog_->setGeometry(100, 100, 300, 300);
        QCoreApplication::processEvents();
        QWidget* target = dialog_->childAt(r.press);
        if (!target) target = dialog_.get();
        const QPoint start = dialog_->pos();
        QTest::mousePress(target, Qt::LeftButton, {}, target->mapFrom(dialog_.get(), r.press));
        QTest::mouseMove(target, target->mapFrom(dialog_.get(), r.release));
        QTest::mouseRelease(target, Qt::LeftButton, {}, target->mapFrom(dialog_.get(), r.release));
        EXPECT_EQ(dialog_->pos() - start, r.moved);
        EXPECT_EQ(dialog_->size(), r.size);
    }
}

}  // namespace
