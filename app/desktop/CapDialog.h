#pragma once
// The window of one camera: the video panel with the live picture and its status strip, the
// four state buttons, "Desk" and "Close", the small menu window, move and size drags.
#include <cstdint>
#include <functional>

#include <QMetaType>
#include <QRect>
#include <QWidget>

#include "config/OcvParam.h"
#include "config/SystemInfo.h"
#include "foundation/LogEntry.h"

namespace ocv {

class COcvCtrl;

class CCapDialog : public QWidget {
    Q_OBJECT
public:
    // Menu window commands, sent through menuCommand().
    static constexpr int kCameraSetup = 1012;
    static constexpr int kCaptureSetup = 1029;
    static constexpr int kStartUpOptions = 1026;

    // `conditions` is the camera's window record in the configuration document; it outlives
    // the window. The panel gives the controller's log channel the log file path and debug flag
    // of `system`.
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

signals:
    void menuCommand(int command);
    // A status message of the camera, for the log window.
    void logEntry(const ocv::LogEntry& entry);

private:
    COcvCtrl& ctrl_;
    ConditionSetting& conditions_;
    std::function<QRect()> trayAnchor_;
    bool desktopMode_ = false;
    bool hiddenInTray_ = false;
};

}  // namespace ocv

Q_DECLARE_METATYPE(ocv::LogEntry)
