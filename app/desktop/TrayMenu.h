#pragma once
// The tray menu's six commands, in English or, in a Japanese session, in Japanese.
#include <QString>

namespace ocv {

enum TrayCommand : int {
    kCmdAddCamera = 32771,
    kCmdCameraList = 32773,
    kCmdShowLogs = 32774,
    kCmdSystemSettings = 32776,
    kCmdExit = 32780,
    kCmdVersion = 32781,
};

struct TrayMenuItem {
    int command;
    QString text;
};

// True when the session's language is Japanese: LC_ALL when set, else LANG, begins with "ja".
bool JapaneseSession(const char* lcAll, const char* lang);
bool JapaneseSession();

// The menu in its order: add camera, camera list, system settings, logs, version, exit.
const TrayMenuItem* TrayMenuItems(bool japanese, int& count);

// The application title: the tray icon's tool tip and the caption of its message boxes.
QString ApplicationTitle();

}  // namespace ocv
