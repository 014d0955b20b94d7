#include "app/desktop/BaseWnd.h"

#include <mutex>

#include <QFont>
#include <QImage>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPaintEvent>
#include <QPainter>
#include <QToolButton>

#include "config/ConfigDocument.h"
#include "controller/OcvCtrl.h"
#include "controller/StateFlags.h"
#include "foundation/Logger.h"
#include "platform/Files.h"

namespace ocv {

namespace {

const char* const kMonitoring = "監視中・・・";
const char* const kNoSignal = "NO SIGNAL";

QFont GothicFont(int pixels, bool bold) {
    QFont f(QStringLiteral("IPAGothic"));
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

}  // namespace

// The panel's side of the controller's log channel: notices and message boxes are queued to the
// owner thread. The panel detaches it before it goes, so a worker that logs late reaches nothing.
class PanelLogSink : public ILogNotifySink {
public:
    explicit PanelLogSink(CBaseWnd* panel) : panel_(panel) {}
    void Detach() {
        std::lock_guard lock(mutex_);
        panel_ = nullptr;
    }
    void Notify(const std::string& text, int level) override {
        std::lock_guard lock(mutex_);
        if (!panel_) return;
        CBaseWnd* panel = panel_;
        QString t = QString::fromStdString(text);
        QMetaObject::invokeMethod(
            panel, [panel, t, level] { emit panel->statusText(t, level); }, Qt::QueuedConnection);
    }
    void ShowMessageBox(const std::string& text) override {
        std::lock_guard lock(mutex_);
        if (!panel_) return;
        CBaseWnd* panel = panel_;
        QString t = QString::fromStdString(text);
        QMetaObject::invokeMethod(
            panel,
            [panel, t] { panel->ShowErrorBox(t); },
            Qt::QueuedConnection);
    }

private:
    std::mutex mutex_;
    CBaseWnd* panel_;
};

CBaseWnd::CBaseWnd(COcvCtrl& ctrl, const SystemInfo& system, QWidget* parent)
    : QWidget(parent), ctrl_(ctrl), sink_(std::make_shared<PanelLogSink>(this)) {
    // The camera's log channel writes where the system record says, as the headless host does.
    if (!system.logFilePath.empty())
        ctrl_.Log().SetPath(
            JoinPath(DropTrailingSeparator(system.logFilePath), ConfigDocument::kLogFileName));
    ctrl_.Log().SetDebug(system.debugMode);
    ctrl_.Log().SetNotifySink(sink_);

    setAttribute(Qt::WA_OpaquePaintEvent);
    messageTimer_.setSingleShot(true);
    messageTimer_.setInterval(kMessageMs);
    connect(&messageTimer_, &QTimer::timeout, this, [this] { MessageTimeout(); });
    repaintTimer_.setSingleShot(true);
    repaintTimer_.setInterval(kRepaintMs);
    connect(&repaintTimer_, &QTimer::timeout, this, [this] {
        repaintQueued_.store(false);
        update(PictureRect());
    });

    lostTimer_.setInterval(kLostCheckMs);
    connect(&lostTimer_, &QTimer::timeout, this, [this] {
        if (SourceLost() != lost_) update(PictureRect());
    });

    returnButton_ = new QToolButton(this);
    returnButton_->setObjectName(QStringLiteral("Return"));
    returnButton_->setToolTip(QStringLiteral("Return"));
    returnButton_->setText(QStringLiteral("↩"));
    returnButton_->setFixedSize(18, 16);
    returnButton_->hide();
    connect(returnButton_, &QToolButton::clicked, this, &CBaseWnd::returnRequested);
}

void CBaseWnd::ShowErrorBox(const QString& text) {
    if (isSignalConnected(QMetaMethod::fromSignal(&CBaseWnd::errorBox)))
        emit errorBox(text);
    else
        QMessageBox::critical(window(), QStringLiteral("ERROR"), text);
}

CBaseWnd::~CBaseWnd() {
    sink_->Detach();
    ListenForFrames(false);
}

void CBaseWnd::FrameStored() {
    // One queued request at a time: notices that come while one is pending change nothing.
    if (repaintQueued_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!repaintTimer_.isActive()) repaintTimer_.start();
        },
        Qt::QueuedConnection);
}

void CBaseWnd::ListenForFrames(bool listen) {
    if (listen == listening_) return;
    listening_ = listen;
    // A hidden panel does not listen, so the source need not decode pictures nobody sees.
    if (listen)
        ctrl_.SetFrameListener([this] { FrameStored(); });
    else
        ctrl_.SetFrameListener({});
}

void CBaseWnd::showEvent(QShowEvent*) {
    ListenForFrames(true);
    lostTimer_.start();
}
void CBaseWnd::hideEvent(QHideEvent*) {
    // Moving the panel between the window and the desktop hides it for a moment only.
    if (!isVisible()) {
        ListenForFrames(false);
        lostTimer_.stop();
    }
}

bool CBaseWnd::SourceLost() {
    std::shared_ptr<CCamInterface> source = ctrl_.Source();
    return source && source->IsLost();
}

QRect CBaseWnd::PictureRect() const {
    return QRect(0, 0, width(), qMax(0, height() - kStripHeight));
}

void CBaseWnd::resizeEvent(QResizeEvent*) {
    QRect pic = PictureRect();
    ctrl_.OnSize(pic.width(), pic.height());
    PlaceReturnButton();
}

void CBaseWnd::PlaceReturnButton() { returnButton_->move(width() - returnButton_->width() - 2, 2); }

void CBaseWnd::paintEvent(QPaintEvent* event) {
    ++paintCount_;
    QPainter p(this);
    QRect pic = PictureRect();
    if (event->rect().intersects(pic)) {
        p.fillRect(pic, QColor(0x20, 0x20, 0x20));
        // A lost camera's last picture is not shown as if it were live.
        lost_ = SourceLost();
        bool drawn = !lost_ && ctrl_.Paint(
            [this, &p](const BITMAPINFOHEADER& h, const uint8_t* pixels, const Rect& r) {
                if (ScalePicture(h, pixels, r.right - r.left, r.bottom - r.top))
                    p.drawImage(r.left, r.top, scaled_);
            });
        if (!drawn) {
            p.fillRect(pic, Qt::black);
            p.setPen(QColor(255, 255, 0));
            p.setFont(GothicFont(16, true));
            p.drawText(pic, Qt::AlignCenter | Qt::TextSingleLine, QString::fromLatin1(kNoSignal));
        }
    }
    QRect strip(0, pic.bottom() + 1, width(), height() - pic.height());
    if (event->rect().intersects(strip)) {
        p.fillRect(strip, QColor(0x10, 0x10, 0x10));
        p.setPen(QColor(0xe0, 0xe0, 0xe0));
        p.setFont(GothicFont(12, false));
        p.drawText(strip.adjusted(3, 0, -3, 0),
                   Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, statusText_);
    }
}

bool CBaseWnd::ScalePicture(const BITMAPINFOHEADER& h, const uint8_t* pixels, int w, int ht) {
    const int rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    if (h.biWidth <= 0 || rows == 0 || h.biBitCount != 24 || !pixels || w <= 0 || ht <= 0)
        return false;
    if (scaled_.size() != QSize(w, ht)) scaled_ = QImage(w, ht, QImage::Format_RGB32);
    if (columns_.size() != static_cast<size_t>(w) || columnsFor_ != h.biWidth) {
        columns_.resize(w);
        for (int x = 0; x < w; ++x)
            columns_[x] = static_cast<int>(static_cast<int64_t>(x) * h.biWidth / w) * 3;
        columnsFor_ = h.biWidth;
    }
    // Nearest pixel, as the stretch of the sample does; only the shown pixels are read, each
    // source row straight from the sample (bottom-up rows are taken from the end).
    const size_t stride = DibStride(h.biWidth, 24);
    for (int y = 0; y < ht; ++y) {
        const int sy = static_cast<int>(static_cast<int64_t>(y) * rows / ht);
        const uint8_t* src =
            pixels + stride * static_cast<size_t>(h.biHeight > 0 ? rows - 1 - sy : sy);
        auto* dst = reinterpret_cast<QRgb*>(scaled_.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const uint8_t* px = src + columns_[x];
            dst[x] = 0xff000000u | (uint32_t(px[2]) << 16) | (uint32_t(px[1]) << 8) | px[0];
        }
    }
    return true;
}

void CBaseWnd::SetStripText(const QString& text) {
    if (text == statusText_) return;
    statusText_ = text;
    // Only the strip is repainted for a caption.
    update(QRect(0, height() - kStripHeight, width(), kStripHeight));
}

void CBaseWnd::SetState(uint32_t flags) {
    flags_ = flags;
    if (flags == STATE_CONNECTED) {
        messageTimer_.stop();
        SetStripText(QString());
        return;
    }
    if (MessageShowing()) return;
    if (IsMonitoring(flags)) {
        // A capture in progress and a detected motion keep what the strip says.
        if (!(flags & (STATE_VISTREL_BUSY | STATE_MOTION_DETECTED)))
            SetStripText(QString::fromUtf8(kMonitoring));
    } else {
        // Nothing runs: no caption left over from before.
        SetStripText(QString());
    }
}

void CBaseWnd::ShowMessage(const QString& text) {
    SetStripText(text);
    messageTimer_.start();
}

void CBaseWnd::MessageTimeout() {
    SetStripText(IsMonitoring(flags_) ? QString::fromUtf8(kMonitoring) : QString());
}

void CBaseWnd::EnterDesktopMode(const QRect& screenRect) {
    desktopMode_ = true;
    setParent(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
    setGeometry(screenRect);
    returnButton_->show();
    returnButton_->raise();
    show();
}

void CBaseWnd::LeaveDesktopMode(QWidget* parent, const QRect& geometry) {
    desktopMode_ = false;
    returnButton_->hide();
    setParent(parent, Qt::Widget);
    setGeometry(geometry);
    show();
}

}  // namespace ocv
