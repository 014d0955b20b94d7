#include "ui/MotionText.h"

#include <iterator>

#include "ui/UiText.h"

namespace ocv {

namespace {

struct Pair {
    MT id;
    const char* en;
    const char* ja;
};

// One row per text; the Japanese column is what the Japanese dialogs show.
constexpr Pair kTexts[] = {
    {MT::MotionTitle, "MOTION mode setting", "MOTIONモード設定"},
    {MT::Preview, "Preview", "プレビュー"},
    {MT::LevelSettings, "Level settings", "レベル設定"},
    {MT::Sensitivity, "sensitivity", "感度"},
    {MT::Threshold, "threshold", "しきい値"},
    {MT::LevelMeter, "level", "レベル"},
    {MT::Default, "default", "デフォルト"},
    {MT::CaptureMethod, "capture method", "キャプチャー方法"},
    {MT::MethodSingle, "single picture", "1枚撮影"},
    {MT::MethodPanorama, "panorama (3x3)", "パノラマ (3x3)"},
    {MT::MethodSeries, "series at an interval", "連続撮影"},
    {MT::Detail, "detail...", "詳細..."},
    {MT::Timeout, "timeout...", "タイムアウト..."},
    {MT::ActivateRecording, "activate recording", "録画を有効にする"},
    {MT::Record, "record", "検知前"},
    {MT::SecondsAfterDetection, "second(s) after detection(0-10sec)", "秒間を録画(0-10秒)"},
    {MT::AlarmSettings, "alarm settings", "アラーム設定"},
    {MT::SetAlarm, "set alarm upon motion", "動きを検知したらアラームを鳴らす"},
    {MT::SoundFile, "sound file", "サウンドファイル"},
    {MT::TestSound, "TEST", "TEST"},
    {MT::EnableScope, "enable scope", "検知範囲を有効にする"},
    {MT::ScopeSettings, "settings...", "設定..."},
    {MT::OutlineExtraction, "outline extraction", "輪郭抽出"},
    {MT::OutlineActivate, "activate", "有効にする"},
    {MT::OutlineLevel, "extraction level", "抽出レベル"},
    {MT::SoundFilter, "Sound File (*.wav);;All Files (*.*)", "Sound File (*.wav);;All Files (*.*)"},
    {MT::StatusDetected, "動く物体を検知しました!!", "動く物体を検知しました!!"},
    {MT::StatusWatching, "監視中・・・", "監視中・・・"},
    {MT::NoPreview, "カメラと接続していない為、プレビューが表示できません。",
     "カメラと接続していない為、プレビューが表示できません。"},
    {MT::NeedSoundFile, "サウンドファイルを選択してください!",
     "サウンドファイルを選択してください!"},
    {MT::SoundUnreadable,
     "The specified sound file cannot be read!\r\nPlease check whether a sound file exists.",
     "The specified sound file cannot be read!\r\nPlease check whether a sound file exists."},
    {MT::NeedCamera, "この機能はカメラと接続できていないと使用できません！",
     "この機能はカメラと接続できていないと使用できません！"},
    {MT::LiveShotTitle, "Detail", "詳細"},
    {MT::ConstantInterval, "capture at a constant interval", "一定間隔でキャプチャー"},
    {MT::Time, "time", "時間"},
    {MT::Minutes, "min", "分"},
    {MT::Seconds, "sec", "秒"},
    {MT::Interval, "interval", "間隔"},
    {MT::TimeoutTitle, "Timeout", "タイムアウト"},
    {MT::CaptureImage, "capture image", "検知後"},
    {MT::SecondsAfterDetect, "seconds after detection", "秒後に画像をキャプチャー"},
    {MT::ChooseWithin, "(choose within 0.0-5.0 seconds)", "(0.0-5.0秒の範囲で指定)"},
    {MT::TimeoutGroup, "timeout", "タイムアウト"},
    {MT::AfterCapture, "after capture", "キャプチャー後"},
    {MT::Milliseconds, "ms", "ミリ秒"},
    {MT::ScopeTitle, "scope settings", "検知範囲設定"},
    {MT::ScopeHint, "Please specify the detection range by the mouse drug.",
     "マウスのドラッグで検知範囲を指定してください。"},
    {MT::ScopeInvalid, "設定範囲は無効です!\n再度設定しなおしてください",
     "設定範囲は無効です!\n再度設定しなおしてください"},
    {MT::ProfileTitle, "profile preference", "プロファイル設定"},
    {MT::SystemProfile, "choose system profile", "システムプロファイルを選択"},
    {MT::CustomProfile, "choose custom profile", "カスタムプロファイルを選択"},
    {MT::ProfileFilter, "WindowsMedia Encorder Profile(*.prx);;All Files(*.*)",
     "WindowsMedia Encorder Profile(*.prx);;All Files(*.*)"},
};
static_assert(std::size(kTexts) == static_cast<size_t>(MT::Count_), "one row per text");

}  // namespace

QString MTr(MT id) {
    const bool ja = CurrentUiLanguage() == UiLanguage::Japanese;
    for (const Pair& p : kTexts)
        if (p.id == id) return QString::fromUtf8(ja ? p.ja : p.en);
    return {};
}

}  // namespace ocv
