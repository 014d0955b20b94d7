// The settings dialogs hand back their record unchanged on OK and on Cancel, the edits only on
// OK; the about box; the language choice; keys and sizes of every dialog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include "ui/AboutDialog.h"
#include "ui/CameraListDialog.h"
#include "ui/CapSettingDialog.h"
#include "ui/ConditionSettingDialog.h"
#include "ui/LogDialog.h"
#include "ui/PropLogPage.h"
#include "ui/PropMailCommandPage.h"
#include "ui/SystemSettingDialog.h"
#include "ui/UiText.h"

namespace {

using namespace ocv;

void Press(QDialog& dlg, QDialogButtonBox::StandardButton which) {
    auto* box = dlg.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    ASSERT_NE(box->button(which), nullptr);
    box->button(which)->click();
}

template <class W>
W* Child(QWidget& parent, const char* name) {
    W* w = parent.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

SystemInfo EverySettingChanged() {
    SystemInfo s = MakeDefaultSystemInfo("/opt/ocuvane");
    s.debugMode = 0;
    s.deleteLog = 0;
    s.logFilePath = "/var/log/監視カメラ";
    s.mailCommandEnable = 1;
    s.enableSenderCheck = 1;
    s.fromAddress = "boss@example.org";
    s.enableReply = 1;
    s.checkTime = 600;
    s.smtpAddress = "smtp.example.org";
    s.smtpPort = 587;
    s.pop3Address = "pop.example.org";
    s.pop3Port = 995;
    s.pop3Password = "pässwörd";
    s.pop3User = "camera";
    s.mailAddress = "camera@example.org";
    s.smtpSecurity = 1;
    s.smtpUser = "sender";
    s.smtpPassword = "s3cret";
    s.smtpAuthMethod = 2;
    s.pop3Security = 2;
    s.acceptSelfSignedCertificate = 1;
    return s;
}

TEST(SystemSettingDialog, RecordsComeBackUnchangedOnOkAndOnCancel) {
    SystemInfo checkerOff = EverySettingChanged();
    checkerOff.mailCommandEnable = 0;  // the page greys its fields out but keeps them
    const SystemInfo records[] = {MakeDefaultSystemInfo("/opt/ocuvane"), EverySettingChanged(),
                                  checkerOff};
    for (const SystemInfo& s : records) {
        CSystemSettingDialog ok(s);
        Press(ok, QDialogButtonBox::Ok);
        EXPECT_EQ(ok.result(), QDialog::Accepted);
        EXPECT_TRUE(ok.Result() == s);

        CSystemSettingDialog cancel(s);
        Child<QLineEdit>(cancel, "pop3Address")->setText("changed.example.org");
        Child<QCheckBox>(cancel, "debugMode")->toggle();
        Press(cancel, QDialogButtonBox::Cancel);
        EXPECT_EQ(cancel.result(), QDialog::Rejected);
        EXPECT_TRUE(cancel.Result() == s);
    }
}

// Each page writes every field it shows: a record stored into the defaults gives the record back.
TEST(SystemSettingDialog, PagesWriteEveryFieldTheyShow) {
    const SystemInfo source = EverySettingChanged();
    SystemInfo target = MakeDefaultSystemInfo("/elsewhere");
    target.deleteLog = source.deleteLog;  // not on a page
    CPropLogPage(source).Store(target);
    CPropMailCommandPage(source).Store(target);
    EXPECT_TRUE(target == source);
}

TEST(SystemSettingDialog, EditsReachTheRecordOnlyOnOk) {
    const SystemInfo before = EverySettingChanged();
    CSystemSettingDialog dlg(before);
    auto* tabs = dlg.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Log settings"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("E-mail command"));
    for (const char* secret : {"pop3Password", "smtpPassword"})
        EXPECT_EQ(Child<QLineEdit>(dlg, secret)->echoMode(), QLineEdit::Password) << secret;

    Child<QCheckBox>(dlg, "debugMode")->setChecked(true);
    Child<QLineEdit>(dlg, "logDirectory")->setText("/srv/logs");
    Child<QSpinBox>(dlg, "pop3Port")->setValue(1995);
    Child<QSpinBox>(dlg, "checkTime")->setValue(0);  // below the range: the field stops at 1
    Child<QGroupBox>(dlg, "enableReply")->setChecked(false);
    Child<QLineEdit>(dlg, "smtpPassword")->setText("new");
    // A text longer than the field keeps the first 255 bytes.
    Child<QLineEdit>(dlg, "fromAddress")->setText(QString(300, QLatin1Char('a')));
    EXPECT_TRUE(dlg.Result() == before);
    Press(dlg, QDialogButtonBox::Ok);

    SystemInfo expected = before;
    expected.debugMode = 1;
    expected.logFilePath = "/srv/logs";
    expected.pop3Port = 1995;
    expected.checkTime = 1;
    expected.enableReply = 0;
    expected.smtpPassword = "new";
    expected.fromAddress = std::string(255, 'a');
    EXPECT_TRUE(dlg.Result() == expected);
}

TEST(ConditionSettingDialog, RecordsComeBackUnchangedOnOkAndOnCancel) {
    ConditionSetting defaults;
    ResetConditions(defaults);
    const ConditionSetting everything{1, 1, 2, 3, -1280, 20, 500, 420, 1, 35};
    ConditionSetting unknownShow = everything;
    unknownShow.show = 7;  // a value the choice has no item for is kept
    for (const ConditionSetting& c : {defaults, everything, unknownShow}) {
        CConditionSettingDialog ok(c);
        Press(ok, QDialogButtonBox::Ok);
        EXPECT_TRUE(ok.Result() == c);

        CConditionSettingDialog cancel(c);
        Child<QCheckBox>(cancel, "autoCapture")->toggle();
        Child<QSlider>(cancel, "transparencySlider")->setValue(5);
        Press(cancel, QDialogButtonBox::Cancel);
        EXPECT_TRUE(cancel.Result() == c);
    }
}

TEST(ConditionSettingDialog, EditsReachTheRecordOnOk) {
    ConditionSetting before;
    ResetConditions(before);
    CConditionSettingDialog dlg(before);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("start up settings"));
    Child<QCheckBox>(dlg, "transparent")->setChecked(true);
    Child<QSlider>(dlg, "transparencySlider")->setValue(55);
    EXPECT_EQ(Child<QSpinBox>(dlg, "TransparentParam")->value(), 55);  // the number follows
    Child<QSpinBox>(dlg, "TransparentParam")->setValue(250);              // stops at 100
    Child<QCheckBox>(dlg, "foreground")->setChecked(true);
    Child<QSpinBox>(dlg, "Left")->setValue(-300);
    Press(dlg, QDialogButtonBox::Ok);
    ConditionSetting expected = before;
    expected.transparent = 1;
    expected.transparentParam = 100;
    expected.foreground = 1;
    expected.left = -300;
    EXPECT_TRUE(dlg.Result() == expected);
}

TEST(CapSettingDialog, HandsTheRecordBackAsItCame) {
    OcvParam p = MakeDefaultOcvParam("/opt/ocuvane");
    p.name = "Door";
    p.deviceInfo.deviceType = 5;
    p.webServer.port = 8181;
    CCapSettingDialog dlg(p);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Capture Setting"));
    Press(dlg, QDialogButtonBox::Ok);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(dlg.Result() == p);
}

TEST(AboutDialog, ShowsTheVersionGiven) {
    for (const char* version : {"2.2.0", "10.0.1-rc"}) {
        CAboutDialog dlg(QString::fromLatin1(version));
        EXPECT_EQ(Child<QLabel>(dlg, "version")->text().toStdString(),
                  std::string("Version ") + version + " ");
        EXPECT_EQ(Child<QLabel>(dlg, "programName")->text(), QStringLiteral("Ocuvane"));
    }
}

TEST(UiText, LanguageFollowsTheLocale) {
    struct Case {
        const char* value;
        UiLanguage language;
    };
    const Case cases[] = {{"ja_JP.UTF-8", UiLanguage::Japanese}, {"ja", UiLanguage::Japanese},
                          {"en_US.UTF-8", UiLanguage::English},  {"C", UiLanguage::English},
                          {"", UiLanguage::English},             {nullptr, UiLanguage::English},
                          {"jp", UiLanguage::English}};
    for (const Case& c : cases)
        EXPECT_EQ(LanguageOfLocale(c.value), c.language) << (c.value ? c.value : "(null)");

    // LC_ALL before LC_MESSAGES before LANG; an empty one does not count.
    struct Env {
        const char* all;
        const char* messages;
        const char* lang;
        const char* chosen;
    };
    const Env envs[] = {{"ja_JP.UTF-8", "en_GB", "de_DE", "ja_JP.UTF-8"},
                        {"", "ja_JP", "en_US", "ja_JP"},
                        {nullptr, nullptr, "ja_JP.eucJP", "ja_JP.eucJP"},
                        {nullptr, nullptr, nullptr, ""}};
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::string saved[3];
    bool had[3];
    for (int i = 0; i < 3; ++i) {
        const char* v = std::getenv(names[i]);
        had[i] = v != nullptr;
        if (v) saved[i] = v;
    }
    for (const Env& e : envs) {
        const char* values[] = {e.all, e.messages, e.lang};
        for (int i = 0; i < 3; ++i) {
            if (values[i]) ::setenv(names[i], values[i], 1);
            else ::unsetenv(names[i]);
        }
        EXPECT_STREQ(LocaleValueFromEnvironment(), e.chosen);
    }
    for (int i = 0; i < 3; ++i) {
        if (had[i]) ::setenv(names[i], saved[i].c_str(), 1);
        else ::unsetenv(names[i]);
    }
}

// Every dialog in both languages: Enter is OK, Escape is Cancel, and it fits a 800 x 600 screen.
TEST(Dialogs, KeysAndSize) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<QDialog>()> make;
        int enterResult;  // what Enter ends the dialog with; -1: Enter does not end it
    };
    const SystemInfo system = EverySettingChanged();
    ConditionSetting cond;
    ResetConditions(cond);
    const OcvParam param = MakeDefaultOcvParam("/opt/ocuvane");
    const Case cases[] = {
        {"system", [&] { return std::make_unique<CSystemSettingDialog>(system); },
         QDialog::Accepted},
        {"conditions", [&] { return std::make_unique<CConditionSettingDialog>(cond); },
         QDialog::Accepted},
        {"capture", [&] { return std::make_unique<CCapSettingDialog>(param); },
         QDialog::Accepted},
        {"about", [] { return std::make_unique<CAboutDialog>(QStringLiteral("2.2.0")); },
         QDialog::Accepted},
        {"log", [] { return std::make_unique<CLogDialog>(); }, -1},
        {"cameras",
         [] {
             return std::make_unique<CCameraListDialog>(
                 [] { return std::vector<const COcvCtrl*>{}; });
         },
         QDialog::Rejected},  // Enter closes the list through its default "Close" button
    };
    for (UiLanguage language : {UiLanguage::English, UiLanguage::Japanese}) {
        SetUiLanguage(language);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) +
                         (language == UiLanguage::Japanese ? " (Japanese)" : ""));
            auto dlg = c.make();
            dlg->show();
            QApplication::processEvents();
            EXPECT_LE(dlg->width(), 800);
            EXPECT_LE(dlg->height(), 600);
            EXPECT_LE(dlg->minimumSizeHint().width(), 800);
            EXPECT_LE(dlg->minimumSizeHint().height(), 600);

            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(dlg.get(), &escape);
            EXPECT_FALSE(dlg->isVisible());
            EXPECT_EQ(dlg->result(), QDialog::Rejected);

            if (c.enterResult < 0) continue;
            dlg->show();
            QApplication::processEvents();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(dlg.get(), &enter);
            EXPECT_FALSE(dlg->isVisible());
            EXPECT_EQ(dlg->result(), c.enterResult);
        }
    }
    SetUiLanguage(UiLanguage::English);
}

}  // namespace
