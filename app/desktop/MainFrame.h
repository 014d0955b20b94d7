#pragma once
// The hidden main window: the tray icon and its menu, one camera window per camera, the log
// window, the dialogs of the tray menu, and the start-up and shut-down of the whole program.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

#include "app/Host.h"
#include "app/desktop/NotifySink.h"
#include "app/desktop/QtDispatcher.h"
#include "foundation/LogEntry.h"
#include "ui/WizardPages.h"

class QMenu;
class QSystemTrayIcon;

namespace ocv {

class CCameraSettingDialog;
class CCapDialog;
class CLogDialog;

class CMainFrame final : public QObject, public IControllerHost {
    Q_OBJECT
public:
    // What the frame asks the person; each empty one is the real dialog or message box.
    struct Prompts {
        // The connection wizard (also when the camera of a window is changed).
        std::function<std::optional<CameraSelection>(const CameraSelection& initial)> camera;
        // The camera-setting dialog, already filled; runs it instead of its modal loop.
        std::function<void(CCameraSettingDialog& dialog)> cameraSetting;
        // A message box with this caption.
        std::function<void(const QString& caption, const QString& text)> message;
        // A Yes/No question; true for Yes.
        std::function<bool(const QString& text)> question;
    };

    CMainFrame(std::string programDir, SourceFactory factory, QObject* parent = nullptr);
    ~CMainFrame() override;
    void SetPrompts(Prompts prompts) { prompts_ = std::move(prompts); }

    // The tray icon, the document with one camera window per camera (each connecting and,
    // with "AutoCapture", starting), the mail-command checker, and "Add camera" when no camera
    // is configured. False when ocv.xml exists but cannot be read.
    bool Start();
    // "E&xit": saves everything, stops the checker, destroys the camera windows last first,
    // removes the tray icon and ends the event loop.
    void Exit();
    // Ends the event loop; whoever runs it calls Exit() when it has returned.
    void RequestExit();
    // The camera windows' state and every controller's record into ocv.xml.
    bool SaveAll();

    // The tray menu's commands.
    void AddCamera();
    void ShowCameraList();
    void ShowSystemSettings();
    void ShowLogs();
    void ShowVersion();
    // The camera list's "Delete" and "Popup".
    void RemoveCamera(int index);
    void RestoreCamera(int index);
    // Tray clicks: every window not in desktop mode to the front / every window restored.
    void BringAllToFront();
    void RestoreAll();
    // A camera window's menu command (camera setup, capture setup, start-up options).
    void OnCameraMenu(int index, int command);

    Host& GetHost() { return *host_; }
    QtDispatcher& GetDispatcher() { return dispatcher_; }
    int CameraCount() const { return static_cast<int>(windows_.size()); }
    CCapDialog& Camera(int index);
    ConditionSetting& Conditions(int index);
    CLogDialog* LogWindow() { return log_.get(); }
    QSystemTrayIcon* Tray() { return tray_.get(); }
    bool Exited() const { return exited_; }

    // IControllerHost, on the GUI thread.
    void OnStateChanged(COcvCtrl& ctrl, uint32_t flags) override;
    bool ConfirmForcedStop(COcvCtrl& ctrl) override;
    int RunConnectWizard(COcvCtrl& ctrl) override;

private:
    struct CameraWindow {
        // The window's "ConditionSetting" record; copied into the document at each save.
        std::unique_ptr<ConditionSetting> conditions;
        std::unique_ptr<CCapDialog> window;
    };
    std::unique_ptr<CameraWindow> MakeWindow(COcvCtrl& ctrl, const ConditionSetting& conditions);
    void DestroyWindow(CameraWindow& w);
    int IndexOf(const CameraWindow* w) const;
    void CreateTray();
    void OnTrayActivated(int reason);
    void AddLogEntry(const LogEntry& entry);
    void ShowError(const std::string& text);
    std::optional<CameraSelection> AskCamera(const CameraSelection& initial, CLogger& log);
    void ChangeCamera(int index);
    void ShowCameraSetting(int index);

    QtDispatcher dispatcher_;
    SourceFactory factory_;
    std::unique_ptr<Host> host_;
    Prompts prompts_;
    std::vector<std::unique_ptr<CameraWindow>> windows_;
    // The window of "Add camera" while its connection wizard runs.
    std::unique_ptr<CameraWindow> pending_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<CLogDialog> log_;
    std::shared_ptr<GuiNotifySink> mainSink_;
    QTimer clickTimer_;
    bool inWizard_ = false;
    bool loaded_ = false;
    bool exited_ = false;
};

}  // namespace ocv
