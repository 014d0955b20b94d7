// The capture-setting sheet: the record unchanged when untouched, each page's edits on OK only,
// the buttons' dialogs and their packages, the capture-setting file commands and the interval
// dialog (its keys and size are checked with the other dialogs in SettingsDialogsTest.cpp).
#include <gtest/gtest.h>

#include <fstream>

#include "SheetFixture.h"
#include "ui/CapSettingDialog.h"
#include "ui/LiveModeSettingDialog.h"
#include "ui/SheetPackage.h"

namespace ocv::test {
namespace {

enum Page { kName, kLive, kMotion, kSnap, kMovie, kSchedule, kWeb };

QWidget* PageOf(CCapSettingDialog& dlg, Page p) { return dlg.Tabs()->widget(p); }

OcvParam EverythingChanged() {
    OcvParam p = MakeDefaultOcvParam("/opt/ocuvane");
    p.name = "玄関カメラ", p.deviceInfo.deviceType = 3, p.deviceInfo.deviceName = "http://cam.example/";
    p.vistrel.enableVistrel = 0, p.vistrel.vistrelTimer = 90500, p.vistrel.enableSmtp = 1;
    p.vistrel.ftp.ftpServerAddress = "ftp.example.org";
    p.motion.enableMotionCapture = p.motion.enableLocal = 1, p.motion.motionCaptureThreshold = 12.5f;
    p.snapShot.enableFtp = p.snapShot.local.enableMakeDateDirectory = 1;
    p.snapShot.local.saveDirectoryName = "/srv/写真";
    p.recording.recordingTime = 120, p.recording.frameRate = 30, p.recording.enableWMV = 0;
    p.recording.local.saveDirectoryName = "/srv/video";
    p.schedule.execWeek = 0x6B;  // Sunday, Monday and Saturday among them
    p.schedule.enable = 1, p.schedule.startHour = 22, p.schedule.startMinute = 15;
    p.schedule.endHour = 6, p.schedule.endMinute = 45;
    p.webServer.enable = p.webServer.enableUPnP = p.webServer.imodeEnable = 1;
    p.webServer.nicIndex = 200;  // an adapter this machine does not have: kept as it is
    p.webServer.port = 8181, p.webServer.password = "geheim";
    return p;
}

TEST(CapSettingSheet, EachPageWritesItsEditsOnOkOnly) {
    HookScope hooks;
    const std::pair<Page, RoundTripRow<OcvParam>> rows[] = {
        {kLive,
         {"live",
          {{"enableLive", false}, {"enableLocal", false}, {"enableFtp", true}, {"enableSmtp", true}},
          [](OcvParam& r) {
              r.vistrel.enableVistrel = r.vistrel.enableLocal = 0;
              r.vistrel.enableFtp = r.vistrel.enableSmtp = 1;
          }}},
        {kMotion,
         {"motion", {{"enableMotion", true}, {"enableLocal", true}, {"enableSmtp", true}},
          [](OcvParam& r) {
              r.motion.enableMotionCapture = r.motion.enableLocal = r.motion.enableSmtp = 1;
          }}},
        {kSnap,
         {"snapshot", {{"saveDirectory", "/srv/snap"}, {"dateFolder", true}, {"enableFtp", true}},
          [](OcvParam& r) {
              r.snapShot.local.saveDirectoryName = "/srv/snap";
              r.snapShot.local.enableMakeDateDirectory = r.snapShot.enableFtp = 1;
          }}},
        {kMovie,
         {"video",
          {{"length", 30}, {"frameRate", 5}, {"enableWmv", false}, {"saveDirectory", "/srv/rec"}},
          [](OcvParam& r) {
              r.recording.recordingTime = 30, r.recording.frameRate = 5, r.recording.enableWMV = 0;
              r.recording.local.saveDirectoryName = "/srv/rec";
          }}},
        {kSchedule,
         {"schedule",
          {{"sunday", false}, {"saturday", false}, {"enableSchedule", true}, {"startHour", 8},
           {"startMinute", 30}, {"endHour", 17}, {"endMinute", 5}},
          [](OcvParam& r) {
              r.schedule.execWeek &= ~(1 | 64);
              r.schedule.enable = 1, r.schedule.startHour = 8, r.schedule.startMinute = 30;
              r.schedule.endHour = 17, r.schedule.endMinute = 5;
          }}},
        {kWeb,
         {"web", {{"enableWeb", true}, {"port", 9090}, {"enableUpnp", true}, {"enableImode", true}},
          [](OcvParam& r) {
              r.webServer.enable = r.webServer.enableUPnP = r.webServer.imodeEnable = 1;
              r.webServer.port = 9090;
          }}},
    };
    // On a record with no field at its default, so a field a page drops or resets shows.
    for (const auto& [page, row] : rows)
        CheckRoundTrip<OcvParam>(EverythingChanged(), RunMade<CCapSettingDialog, OcvParam>, {row},
                                 [p = page](QDialog* d) {
                                     return PageOf(*static_cast<CCapSettingDialog*>(d), p);
                                 });
}

TEST(CapSettingSheet, ButtonsOpenTheirDialogsOnTheSlicesAndApplyPackages) {
    HookScope hooks;
    SheetHooks& h = CurrentSheetHooks();
    h.localDialog = [](QWidget*, LocalSetting& l) { return l.saveDirectoryName = "/srv/l", true; };
    h.ftpDialog = [](QWidget*, FtpInfo& f, ModeChoice* pkg) {
        f.ftpServerAddress = "pkg.example";
        f.image.jpegQuality = 1;  // never copied by the package
        return *pkg = {true, false, true}, true;
    };
    h.smtpDialog = [](QWidget*, SmtpInfo& m, ModeChoice* pkg) {
        return m.mailFrom = "a@example.org", *pkg = {false, true, false}, true;
    };
    // The name being typed is the one the image dialog stamps.
    h.imageDialog = [](QWidget*, ImageSettings& i, COcvCtrl*, const std::string& name,
                       ImageChoice* pkg) {
        EXPECT_EQ(name, "Gate");
        i.jpegQuality = 42;
        if (pkg) (*pkg)[1][0] = (*pkg)[2][2] = true;
        return true;
    };
    h.motionDialog = [](QWidget*, MotionCapSetting& m, COcvCtrl*) {
        return m.motionCaptureReception = 5, true;
    };
    h.wmvDialog = [](QWidget*, RecordingInfo& r) { return r.wmvSystemProfileIndex = 7, true; };
    auto ftpPackage = [](OcvParam& r, int from, std::initializer_list<int> to) {  // `to` has `from`
        FtpOf(r, from).image.jpegQuality = 1;
        for (int m : to) FtpOf(r, m).ftpServerAddress = "pkg.example";
    };
    auto imagePackage = [](OcvParam& r, ImageSettings& edited) {
        edited.jpegQuality = 42;
        r.motion.local.image = r.snapShot.smtp.image = edited;
    };
    const std::tuple<Page, const char*, std::function<void(OcvParam&)>> rows[] = {
        {kLive, "localSettings", [](OcvParam& r) { r.vistrel.local.saveDirectoryName = "/srv/l"; }},
        {kMotion, "ftpSettings", [&](OcvParam& r) { ftpPackage(r, 1, {0, 1, 2}); }},
        {kSnap, "ftpSettings", [&](OcvParam& r) { ftpPackage(r, 2, {0, 2}); }},
        {kLive, "smtpSettings",
         [](OcvParam& r) {
             // The whole mail setting, subject and body included, but not its image settings.
             r.vistrel.smtp.mailFrom = "a@example.org";
             const ImageSettings own = r.motion.smtp.image;
             r.motion.smtp = r.vistrel.smtp;
             r.motion.smtp.image = own;
         }},
        {kLive, "smtpImage", [&](OcvParam& r) { imagePackage(r, r.vistrel.smtp.image); }},
        {kSnap, "localImage", [&](OcvParam& r) { imagePackage(r, r.snapShot.local.image); }},
        {kMotion, "motionSettings", [](OcvParam& r) { r.motion.motionCaptureReception = 5; }},
        {kMovie, "captureImage", [](OcvParam& r) { r.recording.local.image.jpegQuality = 42; }},
        {kMovie, "wmvProfile", [](OcvParam& r) { r.recording.wmvSystemProfileIndex = 7; }},
    };
    const OcvParam record = MakeDefaultOcvParam("/opt/ocuvane");
    for (const auto& [page, button, expect] : rows)
        for (bool ok : {true, false}) {
            SCOPED_TRACE(std::string(button) + " on page " + std::to_string(page));
            CCapSettingDialog dlg(record);
            // Fields edited on the pages before the dialog opens survive it.
            Apply(&dlg, {{"cameraName", "Gate"}, {"endHour", 20}});
            Apply(PageOf(dlg, page), {{button, {}}});
            ok ? dlg.accept() : dlg.reject();
            OcvParam expected = record;
            if (ok) expect(expected), expected.name = "Gate", expected.schedule.endHour = 20;
            EXPECT_EQ(dlg.Result(), expected);
        }
}

TEST(CapSettingSheet, FileCommandsKeepTheCamerasDeviceAndReportFailures) {
    HookScope hooks;
    QTemporaryDir dir;
    const QString bare = dir.filePath(QStringLiteral("front")), cap = bare + QStringLiteral(".cap");
    const QString garbage = dir.filePath(QStringLiteral("broken.cap"));
    std::ofstream(garbage.toStdString()) << "<not xml";
    // Saved from one camera: the ".cap" extension is added.
    const OcvParam saved = EverythingChanged();
    auto click = [&](const OcvParam& record, const QString& file, const char* button) {
        hooks.messages.clear(), hooks.nextFile = file;
        auto dlg = std::make_unique<CCapSettingDialog>(record);
        Apply(dlg.get(), {{button, {}}});
        return dlg;
    };
    click(saved, bare, "saveAs");
    EXPECT_TRUE(hooks.messages.empty());
    ASSERT_TRUE(QFile::exists(cap));
    OcvParam other = MakeDefaultOcvParam("/opt/ocuvane");
    other.deviceInfo.deviceType = 1, other.deviceInfo.deviceName = "/dev/video0";
    other.deviceInfo.frameWidth = 640;
    const QString failed = QStringLiteral("Load capture setting file failed!");
    // File, message, the file is taken; no file: the user cancelled the chooser.
    const std::tuple<QString, QString, bool> rows[] = {
        {cap, {}, true}, {garbage, failed, false}, {QString(), {}, false}};
    for (const auto& [file, message, takesFile] : rows) {
        SCOPED_TRACE(file.toStdString());
        auto dlg = click(other, file, "open");
        EXPECT_EQ(hooks.messages, message.isEmpty() ? std::vector<QString>{} : std::vector{message});
        // The pages show the file's record: its name is in the name field before OK.
        EXPECT_EQ(Child<QLineEdit>(PageOf(*dlg, kName), "cameraName")->text().toStdString(),
                  (takesFile ? saved : other).name);
        dlg->accept();
        OcvParam expected = takesFile ? saved : other;
        expected.deviceInfo = other.deviceInfo;
        EXPECT_EQ(dlg->Result(), expected);
    }
    click(other, dir.filePath(QStringLiteral("no/such/dir/x.cap")), "saveAs");
    EXPECT_EQ(hooks.messages, std::vector{QStringLiteral("Save capture setting file failed!")});
}

TEST(LiveModeSettingDialog, IntervalInMinutesAndSeconds) {
    HookScope hooks;
    // Timer, minutes, seconds, accepted, result; unchanged seconds keep the milliseconds.
    const int rows[][5] = {
        {300000, 1, 30, true, 90000}, {300500, 5, 0, true, 300500}, {300000, 0, 0, false, 300000}};
    for (const auto& [timerMs, minutes, seconds, accepted, resultMs] : rows) {
        hooks.messages.clear();
        CLiveModeSettingDialog dlg(timerMs);
        EXPECT_EQ(Child<QSpinBox>(&dlg, "minutes")->value(), timerMs / 60000);
        Apply(&dlg, {{"minutes", minutes}, {"seconds", seconds}});
        dlg.open();
        dlg.accept();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, accepted != 0) << minutes << ":" << seconds;
        EXPECT_EQ(dlg.isVisible(), !accepted);
        EXPECT_EQ(dlg.TimerMs(), resultMs);
        EXPECT_EQ(hooks.messages.size(), accepted ? 0u : 1u);
    }
}

}  // namespace
}  // namespace ocv::test
