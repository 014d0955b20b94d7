// The settings dialogs: their record back on OK and untouched on Cancel, each field's edit on OK
// only; the language choice; keys and sizes of the top-level dialogs, the sheet among them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "UiTestSupport.h"
#include "sheet/SheetFixture.h"
#include "ui/AboutDialog.h"
#include "ui/CameraListDialog.h"
#include "ui/CapSettingDialog.h"
#include "ui/ConditionSettingDialog.h"
#include "ui/LogDialog.h"
#include "ui/SystemSettingDialog.h"

namespace ocv::test {
namespace {

SystemInfo EverySettingChanged() {
    SystemInfo s = MakeDefaultSystemInfo("/opt/ocuvane");
    s.debugMode = s.deleteLog = 0, s.logFilePath = "/var/log/監視カメラ";
    s.mailCommandEnable = s.enableSenderCheck = s.enableReply = s.acceptSelfSignedCertificate = 1;
    s.fromAddress = "boss@example.org", s.checkTime = 600, s.mailAddress = "camera@example.org";
    s.smtpAddress = "smtp.example.org", s.smtpPort = 587, s.smtpSecurity = 1;
    s.pop3Address = "pop.example.org", s.pop3Port = 995, s.pop3Security = 2;
    s.pop3User = "camera", s.pop3Password = "pässwörd";
    s.smtpUser = "sender", s.smtpPassword = "s3cret", s.smtpAuthMethod = 2;
    return s;
}

TEST(SettingsDialogs, SystemAndConditionsRoundTrip) {
    SystemInfo checkerOff = EverySettingChanged();
    checkerOff.mailCommandEnable = 0;  // the page greys its fields out but keeps them
    CheckRoundTrip<SystemInfo>(checkerOff, RunMade<CSystemSettingDialog, SystemInfo>, {});
    CheckRoundTrip<SystemInfo>(
        EverySettingChanged(), RunMade<CSystemSettingDialog, SystemInfo>,
        {{"log and mail command",
          {{"debugMode", true}, {"logDirectory", "/srv/logs"}, {"pop3Port", 1995},
           {"checkTime", 0}, {"enableReply", false}, {"smtpPassword", "new"}},
          [](SystemInfo& s) {
              s.debugMode = 1, s.logFilePath = "/srv/logs", s.pop3Port = 1995;
              s.checkTime = 1;  // below the range: the field stops at 1
              s.enableReply = 0, s.smtpPassword = "new";
          }},
         {"text longer than the field keeps the first 255 bytes",
          {{"fromAddress", QString(300, QLatin1Char('a'))}},
          [](SystemInfo& s) { s.fromAddress = std::string(255, 'a'); }}});
    CSystemSettingDialog dlg(EverySettingChanged());
    for (const char* secret : {"pop3Password", "smtpPassword"})
        EXPECT_EQ(Child<QLineEdit>(&dlg, secret)->echoMode(), QLineEdit::Password) << secret;
    ConditionSetting c{1, 1, 2, 3, -1280, 20, 500, 420, 1, 35};
    c.show = 7;  // a value the choice has no item for is kept
    c.transparent = c.foreground = c.autoCapture = 0;
    CheckRoundTrip<ConditionSetting>(
        c, RunMade<CConditionSettingDialog, ConditionSetting>,
        {{"transparency by the slider, window",
          {{"transparent", true}, {"transparencySlider", 55}, {"foreground", true},
           {"Left", -300}, {"autoCapture", true}},
          [](ConditionSetting& c) {
              c.transparent = c.foreground = c.autoCapture = 1;
              c.transparentParam = 55, c.left = -300;
          }}});
}

TEST(UiText, LanguageFollowsTheLocale) {
    for (const char* ja : {"ja_JP.UTF-8", "ja"})
        EXPECT_EQ(LanguageOfLocale(ja), UiLanguage::Japanese) << ja;
    for (const char* en : {"en_US.UTF-8", "C", "", "jp"})
        EXPECT_EQ(LanguageOfLocale(en), UiLanguage::English) << en;
    EXPECT_EQ(LanguageOfLocale(nullptr), UiLanguage::English);
    // LC_ALL before LC_MESSAGES before LANG; an empty one does not count. The suite runs with
    // LANG=C and LC_ALL empty (CMakeLists.txt), which the last row puts back.
    const char* envs[][4] = {{"ja_JP.UTF-8", "en_GB", "de_DE", "ja_JP.UTF-8"}, {"", "ja_JP", "en_US", "ja_JP"},
                             {nullptr, nullptr, "ja_JP.eucJP", "ja_JP.eucJP"},
                             {nullptr, nullptr, nullptr, ""}, {"", nullptr, "C", "C"}};
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const auto& e : envs) {
        for (int i = 0; i < 3; ++i) e[i] ? ::setenv(names[i], e[i], 1) : ::unsetenv(names[i]);
        EXPECT_STREQ(LocaleValueFromEnvironment(), e[3]);
    }
}

TEST(Dialogs, KeysAndSize) {
    const SystemInfo system = EverySettingChanged();
    ConditionSetting cond;
    ResetConditions(cond);
    const OcvParam sheet = MakeDefaultOcvParam("/opt/ocuvane");
    HookScope hooks;  // the sheet's web page asks no router
    auto none = [] { return std::vector<const COcvCtrl*>{}; };
    CheckKeysAndSize({
        {"system", [&] { return std::make_unique<CSystemSettingDialog>(system); }},
        {"conditions", [&] { return std::make_unique<CConditionSettingDialog>(cond); }},
        {"about", [] { return std::make_unique<CAboutDialog>(QStringLiteral("2.2.0")); }},
        {"log", [] { return std::make_unique<CLogDialog>(); }, -1},
        // Enter closes the list through its default "Close" button.
        {"cameras", [&] { return std::make_unique<CCameraListDialog>(none); }, QDialog::Rejected},
        {"capture-setting sheet", [&] { return std::make_unique<CCapSettingDialog>(sheet); }},
    });
}

}  // namespace
}  // namespace ocv::test
