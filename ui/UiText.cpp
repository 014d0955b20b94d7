#include "ui/UiText.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace ocv {
namespace {

struct Entry {
    T id;
    const char* english;
    const char* japanese;
};

// One row per text, in the order of the enumeration (checked when the table is first used).
constexpr Entry kTexts[] = {
    {T::Ok, "OK", "OK"},
    {T::Cancel, "Cancel", "キャンセル"},
    {T::Browse, "browse...", "参照..."},

    {T::LogTitle, "Log", "ﾛｸﾞ表示"},
    {T::LogColType, "Type", "種類"},
    {T::LogColDate, "Date", "日付"},
    {T::LogColTime, "Time", "時刻"},
    {T::LogColName, "Name", "名前"},
    {T::LogColLog, "Log", "ログ"},
    {T::LogMenuClose, "Close", "閉じる"},
    {T::LogMenuSaveAs, "Save as...", "保存"},
    {T::LogSaveFilterText, "Text Files (*.txt)", "テキスト ファイル (*.txt)"},
    {T::LogSaveFilterAll, "All Files (*.*)", "すべてのファイル (*.*)"},
    {T::LogSaveFailed, "The log could not be written to\n%1", "ログを書き込めませんでした。\n%1"},

    {T::CameraListTitle, "Camera List", "カメラ一覧"},
    {T::CameraListColDevice, "Device", "デバイス"},
    {T::CameraListColStatus, "Status", "状態"},
    {T::CameraListColName, "Name", "名前"},
    {T::CameraListDelete, "Delete", "削除"},
    {T::CameraListPopup, "Popup", "表示"},
    {T::CameraListClose, "Close", "閉じる"},
    {T::DeviceLocal, "Capture device", "PC接続カメラ"},
    {T::DeviceStream, "Network stream", "ネットワークストリーム"},
    {T::DevicePeer, "Ocuvane", "Ocuvane"},
    {T::DevicePanasonic, "Panasonic", "Panasonic"},
    {T::DeviceAxis, "AXIS", "AXIS"},
    {T::DeviceVivotek, "Vivotek", "Vivotek"},
    {T::DeviceMegaChips, "MegaChips", "MegaChips"},
    {T::DeviceMJpegUrl, "Motion-JPEG URL", "Motion-JPEG URL"},
    {T::DeviceUnknown, "Unknown device", "不明なデバイス"},

    {T::SystemSettingTitle, "System Setting", "システム設定"},
    {T::LogPageTitle, "Log settings", "ログ設定"},
    {T::LogEnableDebug, "Enable debug mode", "デバッグモードを有効にする"},
    {T::LogOutputDirectory, "output directory", "出力先フォルダ"},
    {T::LogChooseDirectory, "output directory", "出力先フォルダ"},
    {T::MailPageTitle, "E-mail command", "メールコマンド"},
    {T::MailEnable, "activate e-mail command", "メールコマンドを有効にする"},
    {T::MailPop3Group, "POP3 server (command reception)", "POP3サーバ（コマンド受信）"},
    {T::MailPop3Server, "POP3 server", "POP3サーバ"},
    {T::MailPort, "Port", "ポート"},
    {T::MailUserId, "User ID", "ユーザID"},
    {T::MailPassword, "Password", "パスワード"},
    {T::MailSecurity, "Security", "暗号化"},
    {T::MailPop3SecurityPlain, "none", "なし"},
    {T::MailPop3SecurityStls, "STLS", "STLS"},
    {T::MailPop3SecurityPop3s, "POP3S (TLS)", "POP3S (TLS)"},
    {T::MailCheckTime, "command check interval", "コマンド確認間隔"},
    {T::MailSeconds, "sec", "秒"},
    {T::MailEnableReply, "activate command execution result", "コマンド実行結果を返信する"},
    {T::MailSmtpServer, "SMTP server", "SMTPサーバ"},
    {T::MailReplyAddress, "e-mail address", "メールアドレス"},
    {T::MailSmtpSecurityPlain, "none", "なし"},
    {T::MailSmtpSecurityStartTls, "STARTTLS", "STARTTLS"},
    {T::MailSmtpSecurityTls, "TLS", "TLS"},
    {T::MailSmtpUser, "SMTP user", "SMTPユーザ"},
    {T::MailAuthMethod, "authentication", "認証方式"},
    {T::MailAuthAsOffered, "as offered", "サーバに従う"},
    {T::MailAuthPlain, "PLAIN", "PLAIN"},
    {T::MailAuthLogin, "LOGIN", "LOGIN"},
    {T::MailEnableSenderCheck,
     "The command from other than the following mail address is not permitted.",
     "次のメールアドレス以外からのコマンドを許可しない"},
    {T::MailAcceptSelfSigned, "accept self-signed certificates", "自己署名証明書を受け入れる"},

    {T::AboutTitle, "About Ocuvane", "バージョン情報"},
    {T::AboutProgram, "Ocuvane", "Ocuvane"},
    {T::AboutDescription, "Multi-camera surveillance", "マルチカメラ監視"},

    {T::ConditionTitle, "start up settings", "起動時の設定"},
    {T::ConditionAutoCapture, "run capture settings on start up", "起動時にキャプチャを開始する"},
    {T::ConditionStartupDisplay, "start up display", "起動時の表示"},
    {T::ConditionShowAsLast, "as last time", "前回と同じ"},
    {T::ConditionShowWindow, "show window", "ウィンドウを表示"},
    {T::ConditionShowDesktop, "desktop mode", "デスクトップモード"},
    {T::ConditionShowTray, "hide in the tray", "タスクトレイに格納"},
    {T::ConditionLastShow, "state at last exit", "前回終了時の状態"},
    {T::ConditionForeground, "on top (always show must be selected)",
     "常に手前に表示（表示を選択してください）"},
    {T::ConditionTransparent, "transparent when not active", "非アクティブ時に半透明にする"},
    {T::ConditionTransparency, "transparency", "不透明度"},
    {T::ConditionTransparencyUnit, "% [0%-100%]", "% [0%-100%]"},
    {T::ConditionPosition, "window position", "ウィンドウの位置"},
    {T::ConditionLeft, "left", "左"},
    {T::ConditionTop, "top", "上"},
    {T::ConditionRight, "right", "右"},
    {T::ConditionBottom, "bottom", "下"},

    {T::CapSettingTitle, "Capture Setting", "キャプチャ設定"},
};
static_assert(std::size(kTexts) == static_cast<size_t>(T::Count_), "one row per text");

constexpr bool TableInOrder() {
    for (size_t i = 0; i < std::size(kTexts); ++i)
        if (static_cast<size_t>(kTexts[i].id) != i) return false;
    return true;
}
static_assert(TableInOrder(), "rows in the order of the enumeration");

// -1 not decided yet, else the UiLanguage value.
std::atomic<int> g_language{-1};

}  // namespace

UiLanguage LanguageOfLocale(const char* value) {
    return value && std::strncmp(value, "ja", 2) == 0 ? UiLanguage::Japanese : UiLanguage::English;
}

const char* LocaleValueFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) return v;
    }
    return "";
}

UiLanguage CurrentUiLanguage() {
    int v = g_language.load();
    if (v < 0) {
        v = static_cast<int>(LanguageOfLocale(LocaleValueFromEnvironment()));
        g_language.store(v);
    }
    return static_cast<UiLanguage>(v);
}

void SetUiLanguage(UiLanguage language) { g_language.store(static_cast<int>(language)); }

QString Tr(T id, UiLanguage language) {
    const Entry& e = kTexts[static_cast<size_t>(id)];
    return QString::fromUtf8(language == UiLanguage::Japanese ? e.japanese : e.english);
}

QString Tr(T id) { return Tr(id, CurrentUiLanguage()); }

}  // namespace ocv
