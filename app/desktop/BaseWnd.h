#pragma once
// The video panel of a camera window: the live picture painted through the camera's source,
// the status strip under it, and the return button shown while the panel sits on the desktop.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>

#include <QString>
#include <QTimer>
#include <QWidget>

#include "config/SystemInfo.h"
#include "foundation/FrameSample.h"

class QToolButton;

namespace ocv {

class COcvCtrl;
class PanelLogSink;

class CBaseWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kStripHeight = 15;
    static constexpr int kMessageMs = 3000;
    static constexpr int kLostCheckMs = 1000;
    // How long frame notices are gathered into one repaint (about one display refresh).
    static constexpr int kRepaintMs = 33;

    // Gives the controller's log channel the log file path and debug flag of `system`, and
    // becomes the channel's notice window.
    CBaseWnd(COcvCtrl& ctrl, const SystemInfo& system, QWidget* parent = nullptr);
    ~CBaseWnd() override;

    // The controller's complete flag set: the status strip follows it.
    void SetState(uint32_t flags);
    // A status message: shown in the strip for the message time, then back to the caption.
    void ShowMessage(const QString& text);
    QString StatusText() const { return statusText_; }
    bool MessageShowing() const { return messageTimer_.isActive(); }
    // Tests shorten the message time.
    void SetMessageInterval(int ms) { messageTimer_.setInterval(ms); }

    // The panel as a frameless tool window on the desktop at `screenRect`, with its return
    // button; LeaveDesktopMode puts it back into `parent` at `geometry`.
    void EnterDesktopMode(const QRect& screenRect);
    void LeaveDesktopMode(QWidget* parent, const QRect& geometry);
    bool InDesktopMode() const { return desktopMode_; }

    // The picture area (the panel without its status strip).
    QRect PictureRect() const;
    // How many times the panel was painted (the coalescing of frame notices shows in it).
    int PaintCount() const { return paintCount_; }

    // Called on any thread after the source stored a picture: asks for one repaint soon.
    void FrameStored();

    // Hands an error box on through errorBox, or shows it when nobody takes it.
    void ShowErrorBox(const QString& text);

signals:
    // The return button (panel command 101).
    void returnRequested();
    // A notice of the controller's log channel, on the owner thread.
    void statusText(const QString& text, int level);
    // A message box of the controller's log channel ("ERROR"), on the owner thread; shown by
    // the panel itself when nothing is connected to this signal.
    void errorBox(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetStripText(const QString& text);
    void MessageTimeout();
    void ListenForFrames(bool listen);
    void PlaceReturnButton();
    // Scales the sample (bottom-up or top-down BGR rows) to w × h into scaled_.
    bool ScalePicture(const BITMAPINFOHEADER& h, const uint8_t* pixels, int w, int ht);
    bool SourceLost();

    COcvCtrl& ctrl_;
    std::shared_ptr<PanelLogSink> sink_;
    QToolButton* returnButton_;
    QTimer messageTimer_;
    QTimer repaintTimer_;
    // While shown: looks once a second whether the camera has gone quiet (lost) or come back,
    // since a camera that sends nothing gives no frame notice to repaint on.
    QTimer lostTimer_;
    bool lost_ = false;
    std::atomic<bool> repaintQueued_{false};
    QString statusText_;
    uint32_t flags_ = 0;
    bool desktopMode_ = false;
    bool listening_ = false;
    int paintCount_ = 0;
    QImage scaled_;
    std::vector<int> columns_;
    int32_t columnsFor_ = 0;
};

}  // namespace ocv
