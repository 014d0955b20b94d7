// The capture-setting sheet: the record unchanged when untouched, each page's edits on OK only,
// the buttons' dialogs and their packages, the capture-setting file commands, the interval
// dialog, Enter, Escape and size.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <QFile>
#include <QTemporaryDir>

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
    p.vistrel.enableVistrel = 0;
    p.vistrel.vistrelTimer = 90500;
    p.vistrel.enableSmtp = 1;
    p.vistrel.ftp.ftpServerAddress = "ftp.example.org";
    p.motion.enableMotionCapture = 1;
    p.motion.enableLocal = 1;
    p.motion.motionCaptureThreshold = 12.5f;
    p.snapShot.enableFtp = 1;
    p.snapShot.local.saveDirectoryName = "/srv/写真";
    p.snapShot.local.enableMakeDateDirectory = 1;
    p.recording.recordingTime = 120;
    p.recording.frameRate = 30;
    p.recording.enableWMV = 0;
    p.recording.local.saveDirectoryName = "/srv/video";
    p.schedule.enable = 1;
    p.schedule.execWeek = 0x6B;  // Sunday, Monday and Saturday among them
    p.schedule.startHour = 22;
    p.schedule.startMinute = 15;
    p.schedule.endHour = 6;
    p.schedule.endMinute = 45;
    p.webServer.enable = 1;
    p.webServer.nicIndex = 200;  // an adapter this machine does not have: kept as it is
    p.webServer.port = 8181;
    p.webServer.enableUPnP = 1;
    p.webServer.imodeEnable = 1;
    p.webServer.password = "geheim";
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
        {"name", kName, {{"cameraName", "Gate"}}, [](OcvParam& r) { r.name = "Gate"; }},
        {"live",
         kLive,
         {{"enableLive", false}, {"enableLocal", false}, {"enableFtp", true}, {"enableSmtp", true}},
         [](OcvParam& r) {
             r.vistrel.enableVistrel = r.vistrel.enableLocal = 0;
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
             r.recording.recordingTime = 30;
             r.recording.frameRate = 5;
             r.recording.enableWMV = 0;
             r.recording.local.saveDirectoryName = "/srv/rec";
         }},
        {"weekdays",
         kSchedule,
         {{"sunday", false}, {"monday", false}, {"saturday", false}},
         [](OcvParam& r) { r.schedule.execWeek &= ~(1 | 2 | 64); }},
        {"times",
         kSchedule,
         {{"enableSchedule", true},
          {"startHour", 8},
          {"startMinute", 30},
          {"endHour", 17},
          {"endMinute", 5}},
         [](OcvParam& r) {
             r.schedule.enable = 1;
             r.schedule.startHour = 8;
             r.schedule.startMinute = 30;
             r.schedule.endHour = 17;
             r.schedule.endMinute = 5;
         }},
        {"web",
         kWeb,
         {{"enableWeb", true}, {"port", 9090}, {"enableUpnp", true}, {"enableImode", true}},
         [](OcvParam& r) {
             r.webServer.enable = r.webServer.enableUPnP = r.webServer.imodeEnable = 1;
             r.webServer.port = 9090;
         }},
    };
    // On a record with no field at its default, so a field a page drops or resets shows.
    const OcvParam record = EverythingChanged();
    for (const EditCase& c : cases) {
        for (auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
            SCOPED_TRACE(std::string(c.what) +
                         (button == QDialogButtonBox::Ok ? " OK" : " Cancel"));
            CCapSettingDialog dlg(record);
            Apply(PageOf(dlg, c.page), c.edits);
            Press(dlg, button);
            OcvParam expected = record;
            if (button == QDialogButtonBox::Ok) c.expect(expected);
            EXPECT_EQ(dlg.Result(), expected);
        }
    }
}

struct DialogCase {
    const char* what;
    Page page;
    const char* button;
    std::function<void(OcvParam&)> expect;
};

TEST(CapSettingSheet, ButtonsOpenTheirDialogsOnTheSlicesAndApplyPackages) {
    HookScope hooks;
    std::string stampedName;
    SheetHooks& h = CurrentSheetHooks();
    h.localDialog = [](QWidget*, LocalSetting& l) { return l.saveDirectoryName = "/srv/l", true; };
    h.ftpDialog = [](QWidget*, FtpInfo& f, ModeChoice* pkg) {
        f.ftpServerAddress = "pkg.example";
        f.image.jpegQuality = 1;  // never copied by the package
        *pkg = {true, false, true};
        return true;
    };
    h.smtpDialog = [](QWidget*, SmtpInfo& m, ModeChoice* pkg) {
        m.mailFrom = "a@example.org";
        *pkg = {false, true, false};
        return true;
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
    const DialogCase cases[] = {
        {"live local", kLive, "localSettings",
         [](OcvParam& r) { r.vistrel.local.saveDirectoryName = "/srv/l"; }},
        {"motion ftp", kMotion, "ftpSettings",
         [&](OcvParam& r) {
             ftpPackage(r, 1, {0, 2});
         }},
        {"snapshot ftp", kSnap, "ftpSettings", [&](OcvParam& r) { ftpPackage(r, 2, {0}); }},
        {"live mail", kLive, "smtpSettings",
         [](OcvParam& r) {
             // The whole mail setting, subject and body included, but not its image settings.
             r.vistrel.smtp.mailFrom = "a@example.org";
             const ImageSettings own = r.motion.smtp.image;
             r.motion.smtp = r.vistrel.smtp;
             r.motion.smtp.image = own;
         }},
        {"live mail image", kLive, "smtpImage",
         [&](OcvParam& r) { imagePackage(r, r.vistrel.smtp.image); }},
        {"snapshot image", kSnap, "localImage",
         [&](OcvParam& r) { imagePackage(r, r.snapShot.local.image); }},
        {"motion settings", kMotion, "motionSettings",
         [](OcvParam& r) { r.motion.motionCaptureReception = 5; }},
        {"recording image", kMovie, "captureImage",
         [](OcvParam& r) { r.recording.local.image.jpegQuality = 42; }},
        {"recording profile", kMovie, "wmvProfile",
         [](OcvParam& r) { r.recording.wmvSystemProfileIndex = 7; }},
    };
    const OcvParam record = MakeDefaultOcvParam("/opt/ocuvane");
    for (const DialogCase& c : cases) {
        for (auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
            CCapSettingDialog dlg(record);
            // A field edited on the page before the dialog opens survives it; the name being
            // typed is the one the image dialog stamps.
            Apply(PageOf(dlg, kName), {{"cameraName", "Gate"}});
            Apply(PageOf(dlg, kSchedule), {{"endHour", 20}});
            stampedName.clear();
            Child<QPushButton>(PageOf(dlg, c.page), c.button)->click();
            if (std::string(c.button).find("Image") != std::string::npos) {
                EXPECT_EQ(stampedName, "Gate") << c.what;
            }
            Press(dlg, button);
            OcvParam expected = record;
            if (button == QDialogButtonBox::Ok) {
                c.expect(expected);
                expected.name = "Gate";
                expected.schedule.endHour = 20;
            }
            EXPECT_EQ(dlg.Result(), expected) << c.what;
        }
    }
}

TEST(CapSettingSheet, FileCommandsKeepTheCamerasDeviceAndReportFailures) {
    HookScope hooks;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString bare = dir.filePath(QStringLiteral("front"));
    const QString garbage = dir.filePath(QStringLiteral("broken.cap"));
    {
        QFile f(garbage);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<not xml");
    }

    // Saved from one camera: the ".cap" extension is added.
    const OcvParam saved = EverythingChanged();
    {
        CCapSettingDialog dlg(saved);
        hooks.nextFile = bare;
        Child<QPushButton>(PageOf(dlg, kName), "saveAs")->click();
        EXPECT_TRUE(hooks.messages.empty());
        ASSERT_TRUE(QFile::exists(bare + QStringLiteral(".cap")));
    }

    OcvParam other = MakeDefaultOcvParam("/opt/ocuvane");
    other.deviceInfo.deviceType = 1;
    other.deviceInfo.deviceName = "/dev/video0";
    other.deviceInfo.frameWidth = 640;
    struct Row {
        QString file;
        const char* message;  // nullptr: no message
        bool takesFile;
    };
    const Row rows[] = {
        {bare + QStringLiteral(".cap"), nullptr, true},
        {garbage, "Load capture setting file failed!", false},
        {dir.filePath(QStringLiteral("missing.cap")), "Load capture setting file failed!", false},
        {QString(), nullptr, false},  // the user cancelled the chooser
    };
    for (const Row& row : rows) {
        hooks.messages.clear();
        CCapSettingDialog dlg(other);
        hooks.nextFile = row.file;
        Child<QPushButton>(PageOf(dlg, kName), "open")->click();
        if (row.message) {
            ASSERT_EQ(hooks.messages.size(), 1u) << row.file.toStdString();
            EXPECT_EQ(hooks.messages[0], QString::fromUtf8(row.message));
        } else {
            EXPECT_TRUE(hooks.messages.empty()) << row.file.toStdString();
        }
        // The pages show the file's record: its name is in the name field before OK.
        if (row.takesFile) {
            EXPECT_EQ(Child<QLineEdit>(PageOf(dlg, kName), "cameraName")->text().toStdString(),
                      saved.name);
        }
        Press(dlg, QDialogButtonBox::Ok);
        OcvParam expected = row.takesFile ? saved : other;
        expected.deviceInfo = other.deviceInfo;
        EXPECT_EQ(dlg.Result(), expected) << row.file.toStdString();
    }

    // A file that cannot be written.
    hooks.messages.clear();
    CCapSettingDialog dlg(other);
    hooks.nextFile = dir.filePath(QStringLiteral("no/such/dir/x.cap"));
    Child<QPushButton>(PageOf(dlg, kName), "saveAs")->click();
    ASSERT_EQ(hooks.messages.size(), 1u);
    EXPECT_EQ(hooks.messages[0], QStringLiteral("Save capture setting file failed!"));
}

TEST(LiveModeSettingDialog, IntervalInMinutesAndSeconds) {
    HookScope hooks;
    struct Row {
        int timerMs, minutes, seconds;
        bool accepted;
        int resultMs;
    } rows[] = {
        {300000, 1, 30, true, 90000},
        {300500, 5, 0, true, 300500},  // unchanged seconds keep the
                                       // milliseconds
        {300500, 5, 1, true, 301000},
        {0, 0, 5, true, 5000},
        {300000, 0, 0, false, 300000},
    };
    for (const Row& r : rows) {
        hooks.messages.clear();
        CLiveModeSettingDialog dlg(r.timerMs);
        if (r.timerMs == 300000 && r.minutes == 1) {
            EXPECT_EQ(Child<QSpinBox>(&dlg, "minutes")->value(), 5);
            EXPECT_EQ(Child<QSpinBox>(&dlg, "seconds")->value(), 0);
        }
        Child<QSpinBox>(&dlg, "minutes")->setValue(r.minutes);
        Child<QSpinBox>(&dlg, "seconds")->setValue(r.seconds);
        dlg.open();
        Press(dlg, QDialogButtonBox::Ok);
        EXPECT_EQ(dlg.result() == QDialog::Accepted, r.accepted) << r.minutes << ":" << r.seconds;
        EXPECT_EQ(dlg.TimerMs(), r.resultMs);
        EXPECT_EQ(hooks.messages.size(), r.accepted ? 0u : 1u);
        if (!r.accepted) {
            EXPECT_TRUE(dlg.isVisible());
        }
    }
}

TEST(CapSettingSheet, KeysAndSize) {
    HookScope hooks;
    CheckKeysAndSize({{"sheet", [] {
                           return std::make_unique<CCapSettingDialog>(
                               MakeDefaultOcvParam("/opt/ocuvane"));
                       }}});
}

}  // namespace
}  // namespace ocv::test
