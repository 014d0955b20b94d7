// The capture-setting sheet: the record unchanged when untouched, each page's edits on OK only,
// the buttons' dialogs and their packages, the capture-setting file commands and the interval
// dialog (its keys and size are checked with the other dialogs in SettingsDialogsTest.cpp).
#include <gtest/gtest.h>

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
    p.name = "玄関カメラ";
    p.deviceInfo.deviceType = 3;
    p.deviceInfo.deviceName = "http://cam.example/";
    p.vistrel.enableVistrel = 0, p.vistrel.vistrelTimer = 90500, p.vistrel.enableSmtp = 1;
    p.vistrel.ftp.ftpServerAddress = "ftp.example.org";
    p.motion.enableMotionCapture = p.motion.enableLocal = 1;
    p.motion.motionCaptureThreshold = 12.5f;
    p.snapShot.enableFtp = p.snapShot.local.enableMakeDateDirectory = 1;
    p.snapShot.local.saveDirectoryName = "/srv/写真";
    p.recording.recordingTime = 120, p.recording.frameRate = 30, p.recording.enableWMV = 0;
    p.recording.local.saveDirectoryName = "/srv/video";
    p.schedule.enable = 1;
    p.schedule.execWeek = 0x6B;  // Sunday, Monday and Saturday among them
    p.schedule.startHour = 22, p.schedule.startMinute = 15;
    p.schedule.endHour = 6, p.schedule.endMinute = 45;
    p.webServer.enable = p.webServer.enableUPnP = p.webServer.imodeEnable = 1;
    p.webServer.nicIndex = 200;  // an adapter this machine does not have: kept as it is
    p.webServer.port = 8181, p.webServer.password = "geheim";
    return p;
}

struct EditCase {
    const char* what;
    Page page;
    std::vector<Edit> edits;
    std::function<void(OcvParam&)> expect;
};

TEST(CapSettingSheet, EachPageWritesItsEditsOnOkOnly) {
    HookScope hooks;
    const EditCase cases[] = {
        {"untouched", kName, {}, [](OcvParam&) {}},
        {"live",
         kLive,
         {{"enableLive", false}, {"enableLocal", false}, {"enableFtp", true}, {"enableSmtp", true}},
         [](OcvParam& r) {
             r.vistrel.enableVistrel = r.vistrel.enableLocal = 0,
             r.vistrel.enableFtp = r.vistrel.enableSmtp = 1;
         }},
        {"motion",
         kMotion,
         {{"enableMotion", true}, {"enableLocal", true}, {"enableSmtp", true}},
         [](OcvParam& r) {
             r.motion.enableMotionCapture = r.motion.enableLocal = r.motion.enableSmtp = 1;
         }},
        {"snapshot",
         kSnap,
         {{"saveDirectory", "/srv/snap"}, {"dateFolder", true}, {"enableFtp", true}},
         [](OcvParam& r) {
             r.snapShot.local.saveDirectoryName = "/srv/snap";
             r.snapShot.local.enableMakeDateDirectory = r.snapShot.enableFtp = 1;
         }},
        {"video",
         kMovie,
         {{"length", 30}, {"frameRate", 5}, {"enableWmv", false}, {"saveDirectory", "/srv/rec"}},
         [](OcvParam& r) {
             r.recording.recordingTime = 30, r.recording.frameRate = 5, r.recording.enableWMV = 0;
             r.recording.local.saveDirectoryName = "/srv/rec";
         }},
        {"schedule",
         kSchedule,
         {{"sunday", false}, {"saturday", false}, {"enableSchedule", true}, {"startHour", 8},
          {"startMinute", 30}, {"endHour", 17}, {"endMinute", 5}},
         [](OcvParam& r) {
             r.schedule.execWeek &= ~(1 | 64);
             r.schedule.enable = 1, r.schedule.startHour = 8, r.schedule.startMinute = 30;
             r.schedule.endHour = 17, r.schedule.endMinute = 5;
         }},
        {"web",
         kWeb,
         {{"enableWeb", true}, {"port", 9090}, {"enableUpnp", true}, {"enableImode", true}},
         [](OcvParam& r) {
             r.webServer.enable = r.webServer.enableUPnP = r.webServer.imodeEnable = 1,
             r.webServer.port = 9090;
         }},
    };
    // On a record with no field at its default, so a field a page drops or resets shows.
    const OcvParam record = EverythingChanged();
    for (const EditCase& c : cases) {
        for (bool ok : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (ok ? " OK" : " Cancel"));
            CCapSettingDialog dlg(record);
            Apply(PageOf(dlg, c.page), c.edits);
            Press(dlg, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
            OcvParam expected = record;
            if (ok) c.expect(expected);
            EXPECT_EQ(dlg.Result(), expected);
        }
    }
}

TEST(CapSettingSheet, ButtonsOpenTheirDialogsOnTheSlicesAndApplyPackages) {
    HookScope hooks;
    std::string stampedName;
    SheetHooks& h = CurrentSheetHooks();
    h.localDialog = [](QWidget*, LocalSetting& l) { return l.saveDirectoryName = "/srv/l", true; };
    h.ftpDialog = [](QWidget*, FtpInfo& f, ModeChoice* pkg) {
        f.ftpServerAddress = "pkg.example";
        f.image.jpegQuality = 1;  // never copied by the package
        return *pkg = {true, false, true}, true;
    };
    h.smtpDialog = [](QWidget*, SmtpInfo& m, ModeChoice* pkg) {
        m.mailFrom = "a@example.org";
        return *pkg = {false, true, false}, true;
    };
    h.imageDialog = [&](QWidget*, ImageSettings& i, COcvCtrl*, const std::string& name,
                        ImageChoice* pkg) {
        stampedName = name;
        i.jpegQuality = 42;
        if (pkg) (*pkg)[1][0] = (*pkg)[2][2] = true;
        return true;
    };
    h.motionDialog = [](QWidget*, MotionCapSetting& m, COcvCtrl*) {
        return m.motionCaptureReception = 5, true;
    };
    h.wmvDialog = [](QWidget*, RecordingInfo& r) { return r.wmvSystemProfileIndex = 7, true; };
    auto ftpPackage = [](OcvParam& r, int from, std::initializer_list<int> to) {
        FtpOf(r, from).ftpServerAddress = "pkg.example";
        FtpOf(r, from).image.jpegQuality = 1;
        for (int m : to) FtpOf(r, m).ftpServerAddress = "pkg.example";
    };
    auto imagePackage = [](OcvParam& r, ImageSettings& edited) {
        edited.jpegQuality = 42;
        r.motion.local.image = r.snapShot.smtp.image = edited;
    };
    struct Row {
        Page page;
        const char* button;
        std::function<void(OcvParam&)> expect;
    };
    const Row rows[] = {
        {kLive, "localSettings", [](OcvParam& r) { r.vistrel.local.saveDirectoryName = "/srv/l"; }},
        {kMotion, "ftpSettings", [&](OcvParam& r) { ftpPackage(r, 1, {0, 2}); }},
        {kSnap, "ftpSettings", [&](OcvParam& r) { ftpPackage(r, 2, {0}); }},
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
    for (const Row& c : rows) {
        for (bool ok : {true, false}) {
            SCOPED_TRACE(std::string(c.button) + " on page " + std::to_string(c.page));
            CCapSettingDialog dlg(record);
            // A field edited on the page before the dialog opens survives it; the name being
            // typed is the one the image dialog stamps.
            Apply(PageOf(dlg, kName), {{"cameraName", "Gate"}});
            Apply(PageOf(dlg, kSchedule), {{"endHour", 20}});
            stampedName.clear();
            Child<QPushButton>(PageOf(dlg, c.page), c.button)->click();
            if (std::string(c.button).find("Image") != std::string::npos) {
                EXPECT_EQ(stampedName, "Gate");
            }
            Press(dlg, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
            OcvParam expected = record;
            if (ok) {
                c.expect(expected);
                expected.name = "Gate";
                expected.schedule.endHour = 20;
            }
            EXPECT_EQ(dlg.Result(), expected);
        }
    }
}

TEST(CapSettingSheet, FileCommandsKeepTheCamerasDeviceAndReportFailures) {
    HookScope hooks;
    QTemporaryDir dir;
    const QString bare = dir.filePath(QStringLiteral("front")), cap = bare + QStringLiteral(".cap");
    const QString garbage = dir.filePath(QStringLiteral("broken.cap"));
    QFile f(garbage);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("<not xml") > 0);
    f.close();
    // Saved from one camera: the ".cap" extension is added.
    const OcvParam saved = EverythingChanged();
    auto click = [&](const OcvParam& record, const QString& file, const char* button) {
        hooks.messages.clear();
        hooks.nextFile = file;
        auto dlg = std::make_unique<CCapSettingDialog>(record);
        Child<QPushButton>(PageOf(*dlg, kName), button)->click();
        return dlg;
    };
    click(saved, bare, "saveAs");
    EXPECT_TRUE(hooks.messages.empty());
    ASSERT_TRUE(QFile::exists(cap));
    OcvParam other = MakeDefaultOcvParam("/opt/ocuvane");
    other.deviceInfo.deviceType = 1;
    other.deviceInfo.deviceName = "/dev/video0";
    other.deviceInfo.frameWidth = 640;
    const QString failed = QStringLiteral("Load capture setting file failed!");
    const std::tuple<QString, QString, bool> rows[] = {
        // file, message, the file is taken
        {cap, {}, true},
        {garbage, failed, false},
        {QString(), {}, false},  // the user cancelled the chooser
    };
    for (const auto& [file, message, takesFile] : rows) {
        SCOPED_TRACE(file.toStdString());
        auto dlg = click(other, file, "open");
        EXPECT_EQ(hooks.messages,
                  message.isEmpty() ? std::vector<QString>{} : std::vector{message});
        // The pages show the file's record: its name is in the name field before OK.
        EXPECT_EQ(Child<QLineEdit>(PageOf(*dlg, kName), "cameraName")->text().toStdString(),
                  (takesFile ? saved : other).name);
        Press(*dlg, QDialogButtonBox::Ok);
        OcvParam expected = takesFile ? saved : other;
        expected.deviceInfo = other.deviceInfo;
        EXPECT_EQ(dlg->Result(), expected);
    }
    click(other, dir.filePath(QStringLiteral("no/such/dir/x.cap")), "saveAs");
    EXPECT_EQ(hooks.messages, std::vector{QStringLiteral("Save capture setting file failed!")});
}

TEST(LiveModeSettingDialog, IntervalInMinutesAndSeconds) {
    HookScope hooks;
    const int rows[][5] = {
        // timer, minutes, seconds, accepted, result
        {300000, 1, 30, true, 90000},
        {300500, 5, 0, true, 300500},  // unchanged seconds keep the milliseconds
        {300000, 0, 0, false, 300000},
    };
    for (const auto& [timerMs, minutes, seconds, accepted, resultMs] : rows) {
        hooks.messages.clear();
        CLiveModeSettingDialog dlg(timerMs);
        EXPECT_EQ(Child<QSpinBox>(&dlg, "minutes")->value(), timerMs / 60000);
        Apply(&dlg, {{"minutes", minutes}, {"seconds", seconds}});
        dlg.open();
        Press(dlg, QDialogButtonBox::Ok);
        EXPECT_EQ(dlg.result() == QDialog::Accepted, accepted != 0) << minutes << ":" << seconds;
        EXPECT_EQ(dlg.isVisible(), !accepted);
        EXPECT_EQ(dlg.TimerMs(), resultMs);
        EXPECT_EQ(hooks.messages.size(), accepted ? 0u : 1u);
    }
}

}  // namespace
}  // namespace ocv::test
