#pragma once
// The texts of the capture-setting sheet, its pages and the dialogs they own, each in English and
// Japanese; Sh() gives the one of the current interface language.
#include <QString>

namespace ocv {

struct SheetText {
    const char* english;
    const char* japanese;
};

QString Sh(const SheetText& text);

namespace st {
// Page titles, in the order of the sheet.
inline constexpr SheetText kFilesPage{"Files", "ファイル"};
inline constexpr SheetText kLivePage{"Live mode", "LIVEモード"};
inline constexpr SheetText kMotionPage{"Motion mode", "MOTIONモード"};
inline constexpr SheetText kSnapshotPage{"Snapshot", "スナップショット"};
inline constexpr SheetText kMoviePage{"video", "動画"};
inline constexpr SheetText kSchedulePage{"schedule", "スケジュール"};
inline constexpr SheetText kWebPage{"broadcast", "配信"};

// Shared.
inline constexpr SheetText kSettings{"settings...", "設定..."};
inline constexpr SheetText kImageSettings{"image settings...", "画像設定..."};
inline constexpr SheetText kDetails{"details...", "詳細..."};
inline constexpr SheetText kDetailsTitle{"details", "詳細"};
inline constexpr SheetText kBrowse{"browse...", "参照..."};
inline constexpr SheetText kSaveAsLabel{"save as", "保存先"};
inline constexpr SheetText kDateFolder{"auto create date folder (YYYYMMDD)",
                                       "日付フォルダを自動作成する (YYYYMMDD)"};
inline constexpr SheetText kHardDisk{"harddisk", "ハードディスク"};
inline constexpr SheetText kFtp{"FTP", "FTP"};
inline constexpr SheetText kMail{"e-mail", "メール"};
inline constexpr SheetText kChooseFolder{"Choose a folder", "フォルダの選択"};

// Name page.
inline constexpr SheetText kCameraName{"camera name", "カメラ名称"};
inline constexpr SheetText kOpen{"Open...", "開く..."};
inline constexpr SheetText kSaveAs{"Save as...", "名前を付けて保存..."};
inline constexpr SheetText kCaptureFile{"capture setting file", "キャプチャ設定ファイル"};
inline constexpr SheetText kLoadFailed{"Load capture setting file failed!",
                                       "Load capture setting file failed!"};
inline constexpr SheetText kSaveFailed{"Save capture setting file failed!",
                                       "Save capture setting file failed!"};

// Live page and its interval dialog.
inline constexpr SheetText kActivateLive{"activate LIVE mode", "LIVEモードを有効にする"};
inline constexpr SheetText kCaptureInterval{"Capture interval", "キャプチャ間隔"};
inline constexpr SheetText kIntervalNow{"every %1 min %2 sec", "%1分%2秒ごと"};
inline constexpr SheetText kLiveSettingsTitle{"LIVE mode settings", "LIVEモード設定"};
inline constexpr SheetText kMinutes{"minute(s)", "分"};
inline constexpr SheetText kIntervalOnce{"second(s) interval capture once", "秒間隔で1回キャプチャ"};
inline constexpr SheetText kIntervalTooShort{"Please set an interval of one second or more.",
                                             "キャプチャ間隔は1秒以上に設定してください。"};

// Motion page.
inline constexpr SheetText kActivateMotion{"activate Motion mode", "MOTIONモードを有効にする"};
inline constexpr SheetText kMotionSettings{"Motion detection settings", "動体検知設定"};

// Movie page.
inline constexpr SheetText kLength{"length", "録画時間"};
inline constexpr SheetText kSeconds{"seconds", "秒"};
inline constexpr SheetText kFrameRate{"frame rate ", "フレームレート "};
inline constexpr SheetText kFramePerSec{"frame/sec", "フレーム/秒"};
inline constexpr SheetText kCaptureImageSettings{"capture image settings...", "キャプチャ画像設定..."};
inline constexpr SheetText kSaveWmv{"save as Windows Media Format", "Windows Media 形式で保存する"};

// Schedule page; weekdays from Sunday, the order of the bit mask.
inline constexpr SheetText kActivateSchedule{"activate schedule", "スケジュールを有効にする"};
inline constexpr SheetText kWeekdays[7] = {
    {"Sunday", "日曜日"},   {"Monday", "月曜日"}, {"Tuesday", "火曜日"}, {"Wednesday", "水曜日"},
    {"Thursday", "木曜日"}, {"Friday", "金曜日"}, {"Saturday", "土曜日"}};
inline constexpr SheetText kStart{"start", "開始"};
inline constexpr SheetText kEnd{"end", "終了"};
inline constexpr SheetText kHourUnit{"hour", "時"};
inline constexpr SheetText kMinuteUnit{"minute", "分"};
inline constexpr SheetText k24Hour{"24 hour format(0:00-23:59)", "24時間形式(0:00-23:59)"};
inline constexpr SheetText kDateAdjust{"for Start >End, date adjustment will be done",
                                       "開始 > 終了の場合は日付をまたいで実行します"};

// Web page and its dialogs.
inline constexpr SheetText kBroadcast{"broadcast image", "画像を配信する"};
inline constexpr SheetText kInterface{"network interface to use", "使用するネットワークインターフェース"};
inline constexpr SheetText kUnknownInterface{"Unknown Interface", "Unknown Interface"};
inline constexpr SheetText kNicInfo{"information...", "情報..."};
inline constexpr SheetText kPort{"port", "ポート"};
inline constexpr SheetText kLocalUrl{"Local URL", "Local URL"};
inline constexpr SheetText kGlobalUrl{"GlobalURL", "GlobalURL"};
inline constexpr SheetText kActivateUpnp{"activate UPnP", "UPnPを有効にする"};
inline constexpr SheetText kUpnpTest{"UPnP test...", "UPnPテスト..."};
inline constexpr SheetText kCellular{"for cellular phone", "携帯電話向け"};
inline constexpr SheetText kUsePassword{"password", "パスワード"};
inline constexpr SheetText kConfirmPassword{"confirm password", "パスワードの確認"};
inline constexpr SheetText kMaxConnections{"maximum connections", "最大接続数"};
inline constexpr SheetText kUsersRange{"users [1-100]", "ユーザ [1-100]"};
inline constexpr SheetText kMaximumOf{"maximum of", "最大"};
inline constexpr SheetText kFramesRange{"frames per second [1-30]", "フレーム/秒 [1-30]"};
inline constexpr SheetText kImageSize{"image size(W x H)", "画像サイズ(W x H)"};
inline constexpr SheetText kImageQuality{"image quality", "画質"};
inline constexpr SheetText kQualityRange{"% (1-100)", "% (1-100)"};
inline constexpr SheetText kPasswordMismatch{"The password and its confirmation differ.",
                                             "パスワードと確認用パスワードが一致しません。"};
inline constexpr SheetText kNicInfoTitle{"Network card information", "Network card information"};
inline constexpr SheetText kNicName{"NAME", "NAME"};
inline constexpr SheetText kNicIp{"IP", "IP"};
inline constexpr SheetText kNicMac{"MAC", "MAC"};
inline constexpr SheetText kUpnpTestTitle{"UPnP test", "UPnP test"};
inline constexpr SheetText kClose{"Close", "閉じる"};
}  // namespace st

// Texts of the system's own that are the same in both languages.
inline constexpr const char* kLocalUrlFormat = "http://%s:%d";
inline constexpr const char* kQueryingGlobal = "グローバルIPを取得中...";
inline constexpr const char* kUpnpFailed = "UPnP Failed!";
inline constexpr const char* kNoAddress = "--------------";

}  // namespace ocv
