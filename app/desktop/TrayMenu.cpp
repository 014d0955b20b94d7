#include "app/desktop/TrayMenu.h"

#include <cstdlib>
#include <cstring>

namespace ocv {

bool JapaneseSession(const char* lcAll, const char* lang) {
    const char* effective = lcAll && *lcAll ? lcAll : lang;
    return effective && std::strncmp(effective, "ja", 2) == 0;
}

bool JapaneseSession() { return JapaneseSession(std::getenv("LC_ALL"), std::getenv("LANG")); }

const TrayMenuItem* TrayMenuItems(bool japanese, int& count) {
    static const TrayMenuItem english[] = {
        {kCmdAddCamera, "&Add camera..."},      {kCmdCameraList, "&Camera list..."},
        {kCmdSystemSettings, "&System settings..."}, {kCmdShowLogs, "Show &logs..."},
        {kCmdVersion, "&Version..."},           {kCmdExit, "E&xit"},
    };
    static const TrayMenuItem japaneseItems[] = {
        {kCmdAddCamera, QString::fromUtf8("カメラの追加(&A)...")},
        {kCmdCameraList, QString::fromUtf8("カメラ一覧(&C)...")},
        {kCmdSystemSettings, QString::fromUtf8("システム設定(&S)...")},
        {kCmdShowLogs, QString::fromUtf8("ログの表示(&L)...")},
        {kCmdVersion, QString::fromUtf8("バージョン情報(&V)...")},
        {kCmdExit, QString::fromUtf8("終了(&X)")},
    };
    count = 6;
    return japanese ? japaneseItems : english;
}

QString ApplicationTitle() { return QStringLiteral("Ocuvane"); }

}  // namespace ocv
