#pragma once
// The texts of the dialogs in English and Japanese. The language follows the locale of the
// process (LC_ALL, then LC_MESSAGES, then LANG: a value starting with "ja" selects Japanese) and
// can be set explicitly (the screenshot tool does).
#include <QString>

namespace ocv {

enum class UiLanguage { English, Japanese };

// The language picked from the environment the first time it is asked, unless one was set.
UiLanguage CurrentUiLanguage();
void SetUiLanguage(UiLanguage language);
// The language a locale value selects ("ja_JP.UTF-8" -> Japanese, "" or "C" -> English).
UiLanguage LanguageOfLocale(const char* value);
// The value that decides the language: the first non-empty of LC_ALL, LC_MESSAGES, LANG.
const char* LocaleValueFromEnvironment();

enum class T {
    // Shared buttons.
    Ok,
    Cancel,
    Browse,
    // The log window.
    LogTitle,
    LogColType,
    LogColDate,
    LogColTime,
    LogColName,
    LogColLog,
    LogMenuClose,
    LogMenuSaveAs,
    LogSaveFilterText,
    LogSaveFilterAll,
    LogSaveFailed,
    // The camera list.
    CameraListTitle,
    CameraListColDevice,
    CameraListColStatus,
    CameraListColName,
    CameraListDelete,
    CameraListPopup,
    CameraListClose,
    DeviceLocal,
    DeviceStream,
    DevicePeer,
    DevicePanasonic,
    DeviceAxis,
    DeviceVivotek,
    DeviceMegaChips,
    DeviceMJpegUrl,
    DeviceUnknown,
    // System settings.
    SystemSettingTitle,
    LogPageTitle,
    LogEnableDebug,
    LogOutputDirectory,
    LogChooseDirectory,
    MailPageTitle,
    MailEnable,
    MailPop3Group,
    MailPop3Server,
    MailPort,
    MailUserId,
    MailPassword,
    MailSecurity,
    MailPop3SecurityPlain,
    MailPop3SecurityStls,
    MailPop3SecurityPop3s,
    MailCheckTime,
    MailSeconds,
    MailEnableReply,
    MailSmtpServer,
    MailReplyAddress,
    MailSmtpSecurityPlain,
    MailSmtpSecurityStartTls,
    MailSmtpSecurityTls,
    MailSmtpUser,
    MailAuthMethod,
    MailAuthAsOffered,
    MailAuthPlain,
    MailAuthLogin,
    MailEnableSenderCheck,
    MailAcceptSelfSigned,
    // About box.
    AboutTitle,
    AboutProgram,
    AboutDescription,
    // Start-up options.
    ConditionTitle,
    ConditionAutoCapture,
    ConditionStartupDisplay,
    ConditionShowAsLast,
    ConditionShowWindow,
    ConditionShowDesktop,
    ConditionShowTray,
    ConditionLastShow,
    ConditionForeground,
    ConditionTransparent,
    ConditionTransparency,
    ConditionTransparencyUnit,
    ConditionPosition,
    ConditionLeft,
    ConditionTop,
    ConditionRight,
    ConditionBottom,
    // Capture settings.
    CapSettingTitle,
    Count_
};

// The text in the current language.
QString Tr(T id);
// The text in a given language.
QString Tr(T id, UiLanguage language);

}  // namespace ocv
