#pragma once
// The window of one camera: the video panel with the live picture and its status strip, the
// four state buttons, "Desk" and "Close", the small menu window, move and size drags.
#include <cstdint>
#include <functional>

#include <QMetaType>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include "config/OcvParam.h"
#include "config/SystemInfo.h"
#include "foundation/LogEntry.h"

namespace ocv {

class COcvCtrl;
class CBaseWnd;
class CMenuDialog;

class CCapDialog : public QWidget {
    Q_OBJECT
public:
    // Menu window commands, sent through menuCommand().
    static constexpr int kCameraSetup = 1012;
    static constexpr int kCaptureSetup = 1029;
    static constexpr int kStartUpOptions = 1026;

    // `conditions` is the camera's window record in the configuration document; it outlives
    // the window, and so does the controller. The panel gives the controller's log channel the
    // log file path and debug flag of `system` and takes the channel's notices.
    CCapDialog(COcvCtrl& ctrl, ConditionSetting& conditions, const SystemInfo& system,
               QWidget* parent = nullptr);
    ~CCapDialog() override;

    COcvCtrl& Controller() { return ctrl_; }
    // Where the hide-into-tray animation goes (the tray icon's screen rectangle).
    void SetTrayAnchor(std::function<QRect()> anchor) { trayAnchor_ = std::move(anchor); }

    // Moves the window to the stored rectangle and takes its start-up state from "Show" /
    // "LastShow" (2 desktop mode, 3 hidden in the tray, else shown), then applies "Foreground"
    // and the transparency.
    void PlaceFromConditions();
    // After the start-up options changed: top-most or not, to the front, transparency again.
    void ApplyConditions();
    // Writes the rectangle and "LastShow" (2 desktop mode, 1 visible, 3 hidden) back.
    void StoreConditions();

    // The controller's complete flag set (owner thread): buttons and status strip follow it.
    void OnStateChanged(uint32_t flags);

    void HideIntoTray();
    // A window hidden in the tray reappears; a panel in desktop mode goes back into the window.
    void Restore();
    bool InDesktopMode() const { return desktopMode_; }
    bool HiddenInTray() const { return hiddenInTray_; }
    void BringToFront();

    // A status message of the controller's log channel (owner thread): shown in the status
    // strip for three seconds and handed on as a log entry.
    void OnStatusText(const QString& text, int level);

    // The parts of the window, for the shell and for tests.
    CBaseWnd* Panel() const { return panel_; }
    CMenuDialog* Menu() const { return menu_; }
    // "Start", "Stop", "Cap", "Rec", "Desk" or "Close"; nullptr for any other name.
    QWidget* Button(const QString& name) const;
    // Opens the menu window above the menu strip.
    void OpenMenu();
    // Length of the hide and restore animations (0: none).
    void SetAnimationDuration(int ms) { animationMs_ = ms; }

signals:
    void menuCommand(int command);
    // A status message of the camera, for the log window.
    void logEntry(const ocv::LogEntry& entry);
    // A message box of the camera's log channel, for the owner to show.
    void errorBox(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class Drag { None, Move, Size };
    void Layout();
    void UpdateButtons();
    void SetButtonsEnabled(bool start, bool stop, bool cap, bool rec);
    // Runs one of the four state commands with every button disabled while it runs.
    void RunCommand(const std::function<int()>& command);
    void EnterDesktopMode(bool animate);
    void LeaveDesktopMode();
    void ApplyTransparency();
    void ApplyForeground();
    // Shrinks the window into `target` and hides it, or grows it from there back to the
    // remembered geometry.
    void AnimateHide(const QRect& target);
    void AnimateShow(const QRect& from);
    QRect TrayRect() const;
    bool InMenuStrip(const QPoint& p) const;
    bool InSizeCorner(const QPoint& p) const;

    COcvCtrl& ctrl_;
    ConditionSetting& conditions_;
    std::function<QRect()> trayAnchor_;
    bool desktopMode_ = false;
    bool hiddenInTray_ = false;
    CBaseWnd* panel_ = nullptr;
    CMenuDialog* menu_ = nullptr;
    QWidget* start_ = nullptr;
    QWidget* stop_ = nullptr;
    QWidget* cap_ = nullptr;
    QWidget* rec_ = nullptr;
    QWidget* desk_ = nullptr;
    QWidget* close_ = nullptr;
    uint32_t flags_ = 0;
    // Set while a command runs and after a successful one, until the next state publication.
    bool commandLock_ = false;
    bool inCommand_ = false;
    // Counts state publications, so a command that saw one while it ran does not lock.
    unsigned publications_ = 0;
    QRect deskRect_;
    int animationMs_ = 200;
    QRect normalGeometry_;
    QPointer<QObject> animation_;
    Drag drag_ = Drag::None;
    QPoint dragStart_;
    QRect dragGeometry_;
};

}  // namespace ocv

Q_DECLARE_METATYPE(ocv::LogEntry)
