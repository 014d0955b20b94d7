#include "app/desktop/CapDialog.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScreen>
#include <QToolButton>
#include <QWindow>

#include "app/desktop/BaseWnd.h"
#include "app/desktop/MenuDialog.h"
#include "controller/OcvCtrl.h"
#include "controller/StateFlags.h"

namespace ocv {

namespace {

constexpr int kMinSize = 300;
constexpr int kStripLeft = 151, kStripRight = 267, kStripHeight = 16;
constexpr int kCornerSize = 17;

enum class Glyph { Start, Stop, Cap, Rec, Desk, Close };

// The small pictures of the buttons, drawn here rather than loaded.
QIcon MakeIcon(Glyph glyph, QSize size) {
    QPixmap pm(size * 2);
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    const QPointF c(w / 2, h / 2);
    switch (glyph) {
        case Glyph::Start: {
            QPainterPath tri;
            tri.moveTo(c.x() - 4, c.y() - 6);
            tri.lineTo(c.x() + 6, c.y());
            tri.lineTo(c.x() - 4, c.y() + 6);
            tri.closeSubpath();
            p.fillPath(tri, QColor(40, 170, 60));
            break;
        }
        case Glyph::Stop:
            p.fillRect(QRectF(c.x() - 5, c.y() - 5, 10, 10), QColor(60, 60, 60));
            break;
        case Glyph::Cap:
            p.setBrush(QColor(50, 50, 60));
            p.setPen(Qt::NoPen);
            p.drawRoundedRect(QRectF(c.x() - 8, c.y() - 5, 16, 11), 2, 2);
            p.drawRect(QRectF(c.x() - 3, c.y() - 7, 6, 3));
            p.setBrush(QColor(200, 210, 230));
            p.drawEllipse(c + QPointF(0, 0.5), 3.5, 3.5);
            break;
        case Glyph::Rec:
            p.setBrush(QColor(220, 30, 30));
            p.setPen(Qt::NoPen);
            p.drawEllipse(c, 5.5, 5.5);
            break;
        case Glyph::Desk:
            p.setPen(QPen(QColor(230, 230, 230), 1.2));
            p.drawRect(QRectF(2.5, 2.5, w - 5, h - 7));
            p.drawLine(QPointF(c.x(), h - 4.5), QPointF(c.x(), h - 2));
            break;
        case Glyph::Close:
            p.setPen(QPen(QColor(230, 230, 230), 1.5));
            p.drawLine(QPointF(4, 3.5), QPointF(w - 4, h - 3.5));
            p.drawLine(QPointF(w - 4, 3.5), QPointF(4, h - 3.5));
            break;
    }
    return QIcon(pm);
}

QToolButton* MakeButton(QWidget* parent, const char* name, Glyph glyph, QSize size) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(QString::fromLatin1(name));
    b->setIcon(MakeIcon(glyph, size));
    b->setIconSize(size);
    b->setFixedSize(size);
    b->setAutoRaise(glyph == Glyph::Desk || glyph == Glyph::Close);
    return b;
}

}  // namespace

CCapDialog::CCapDialog(COcvCtrl& ctrl, ConditionSetting& conditions, const SystemInfo& system,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ctrl_(ctrl), conditions_(conditions) {
    setMinimumSize(kMinSize, kMinSize);
    setMouseTracking(true);
    panel_ = new CBaseWnd(ctrl_, system, this);
    menu_ = new CMenuDialog(this);
    auto* start = MakeButton(this, "Start", Glyph::Start, QSize(30, 20));
    auto* stop = MakeButton(this, "Stop", Glyph::Stop, QSize(30, 20));
    auto* cap = MakeButton(this, "Cap", Glyph::Cap, QSize(30, 20));
    auto* rec = MakeButton(this, "Rec", Glyph::Rec, QSize(30, 20));
    auto* desk = MakeButton(this, "Desk", Glyph::Desk, QSize(16, 14));
    auto* close = MakeButton(this, "Close", Glyph::Close, QSize(16, 14));
    start_ = start, stop_ = stop, cap_ = cap, rec_ = rec, desk_ = desk, close_ = close;
    connect(start, &QToolButton::clicked, this,
            [this] { RunCommand([this] { return ctrl_.StartCapture(); }); });
    connect(stop, &QToolButton::clicked, this,
            [this] { RunCommand([this] { return ctrl_.StopCapture(); }); });
    connect(cap, &QToolButton::clicked, this,
            [this] { RunCommand([this] { return ctrl_.TakeSnapshot(); }); });
    connect(rec, &QToolButton::clicked, this,
            [this] { RunCommand([this] { return ctrl_.StartRecording(); }); });
    connect(desk, &QToolButton::clicked, this, [this] { EnterDesktopMode(true); });
    connect(close, &QToolButton::clicked, this, [this] { HideIntoTray(); });
    connect(panel_, &CBaseWnd::returnRequested, this, [this] { Restore(); });
    connect(panel_, &CBaseWnd::statusText, this, &CCapDialog::OnStatusText);
    connect(panel_, &CBaseWnd::errorBox, this, &CCapDialog::errorBox);
    connect(menu_, &CMenuDialog::command, this, &CCapDialog::menuCommand);

    resize(kMinSize, kMinSize);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    normalGeometry_ = geometry();
    OnStateChanged(ctrl_.State());
}

CCapDialog::~CCapDialog() {
    // A panel on the desktop is no child of the window any more.
    delete panel_;
}

QWidget* CCapDialog::Button(const QString& name) const {
    for (QWidget* w : {start_, stop_, cap_, rec_, desk_, close_})
        if (w->objectName() == name) return w;
    return nullptr;
}

void CCapDialog::Layout() {
    const int w = width(), h = height();
    if (!desktopMode_) panel_->setGeometry(5, 25, qMax(0, w - 10), qMax(0, h - 55));
    start_->move(5, h - 25);
    stop_->move(35, h - 25);
    cap_->move(65, h - 25);
    rec_->move(95, h - 25);
    desk_->move(w - 37, 5);
    close_->move(w - 21, 5);
}

void CCapDialog::resizeEvent(QResizeEvent*) { Layout(); }

void CCapDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(58, 62, 70));
    p.setPen(QColor(225, 228, 235));
    QFont f = font();
    f.setPixelSize(12);
    p.setFont(f);
    p.drawText(QRect(7, 4, qMax(0, width() - 50), 16), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(ctrl_.Param().name));
    // The menu strip and the size corner.
    QRect strip(kStripLeft, height() - kStripHeight, kStripRight - kStripLeft + 1,
                kStripHeight - 2);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(78, 84, 96));
    p.setPen(QColor(100, 106, 120));
    p.drawRoundedRect(QRectF(strip).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p.setPen(QColor(225, 228, 235));
    p.drawText(strip, Qt::AlignCenter, QStringLiteral("▲ menu"));
    p.setPen(QColor(130, 136, 150));
    for (int i = 4; i <= 12; i += 4)
        p.drawLine(width() - i, height() - 2, width() - 2, height() - i);
}

void CCapDialog::PlaceFromConditions() {
    const ConditionSetting& c = conditions_;
    if (c.right > c.left && c.bottom > c.top) {
        move(c.left, c.top);
        resize(c.right - c.left, c.bottom - c.top);
    }
    normalGeometry_ = geometry();
    int state = c.show != 0 ? c.show : c.lastShow;
    ApplyForeground();
    if (state == 3) {
        hiddenInTray_ = true;
        hide();
    } else {
        hiddenInTray_ = false;
        show();
        if (state == 2)
            EnterDesktopMode(false);
        else
            BringToFront();
    }
    ApplyTransparency();
    update();
}

void CCapDialog::ApplyConditions() {
    ApplyForeground();
    if (!hiddenInTray_ && !desktopMode_) BringToFront();
    ApplyTransparency();
}

void CCapDialog::StoreConditions() {
    QRect g = (animation_ || hiddenInTray_ || desktopMode_ || !isVisible()) ? normalGeometry_
                                                                            : geometry();
    conditions_.left = g.left();
    conditions_.top = g.top();
    conditions_.right = g.left() + g.width();
    conditions_.bottom = g.top() + g.height();
    conditions_.lastShow = desktopMode_ ? 2 : (!hiddenInTray_ && isVisible() ? 1 : 3);
}

void CCapDialog::OnStateChanged(uint32_t flags) {
    flags_ = flags;
    ++publications_;
    commandLock_ = false;
    UpdateButtons();
    panel_->SetState(flags);
    menu_->SetState(flags);
}

void CCapDialog::SetButtonsEnabled(bool start, bool stop, bool cap, bool rec) {
    start_->setEnabled(start);
    stop_->setEnabled(stop);
    cap_->setEnabled(cap);
    rec_->setEnabled(rec);
}

void CCapDialog::UpdateButtons() {
    if (commandLock_ || inCommand_) {
        SetButtonsEnabled(false, false, false, false);
        return;
    }
    const bool ready = (flags_ & STATE_CONNECTED) && !(flags_ & STATE_STOPPING);
    const bool running = IsMonitoring(flags_);
    SetButtonsEnabled(ready && !running, ready && running, ready && !(flags_ & STATE_SNAPSHOT),
                      ready && !(flags_ & STATE_RECORDING));
}

void CCapDialog::RunCommand(const std::function<int()>& command) {
    if (inCommand_) return;
    inCommand_ = true;
    UpdateButtons();
    const unsigned before = publications_;
    QPointer<CCapDialog> self(this);
    // Stop keeps the event loop running while it waits, so the window may see states (or go).
    int result = command();
    if (!self) return;
    inCommand_ = false;
    // After a success the buttons wait for the state it brings; a state that came already counts.
    commandLock_ = result > 0 && publications_ == before;
    UpdateButtons();
}

void CCapDialog::OnStatusText(const QString& text, int level) {
    panel_->ShowMessage(text);
    emit logEntry(MakeLogEntry(ctrl_.Log().Name(), text.toStdString(), level));
}

QRect CCapDialog::TrayRect() const {
    if (trayAnchor_) {
        QRect r = trayAnchor_();
        if (r.isValid()) return r;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect s = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    return QRect(s.right() - 24, s.bottom() - 24, 16, 16);
}

void CCapDialog::AnimateHide(const QRect& target) {
    // A window still growing back has the remembered geometry already, not its current one.
    const bool wasAnimating = static_cast<bool>(animation_);
    if (wasAnimating) delete animation_.data();
    if (isVisible() && !wasAnimating) normalGeometry_ = geometry();
    if (animationMs_ <= 0 || !isVisible()) {
        hide();
        setMinimumSize(kMinSize, kMinSize);
        setGeometry(normalGeometry_);
        return;
    }
    setMinimumSize(1, 1);
    auto* a = new QPropertyAnimation(this, "geometry", this);
    a->setDuration(animationMs_);
    a->setStartValue(normalGeometry_);
    a->setEndValue(QRect(target.center(), QSize(1, 1)));
    a->setEasingCurve(QEasingCurve::InQuad);
    connect(a, &QPropertyAnimation::finished, this, [this] {
        hide();
        setMinimumSize(kMinSize, kMinSize);
        setGeometry(normalGeometry_);
    });
    animation_ = a;
    a->start(QAbstractAnimation::DeleteWhenStopped);
}

void CCapDialog::AnimateShow(const QRect& from) {
    if (animation_) delete animation_.data();
    if (animationMs_ <= 0) {
        setMinimumSize(kMinSize, kMinSize);
        setGeometry(normalGeometry_);
        show();
        return;
    }
    setMinimumSize(1, 1);
    QRect start(from.center(), QSize(1, 1));
    setGeometry(start);
    show();
    auto* a = new QPropertyAnimation(this, "geometry", this);
    a->setDuration(animationMs_);
    a->setStartValue(start);
    a->setEndValue(normalGeometry_);
    a->setEasingCurve(QEasingCurve::OutQuad);
    connect(a, &QPropertyAnimation::finished, this, [this] {
        setMinimumSize(kMinSize, kMinSize);
        setGeometry(normalGeometry_);
    });
    animation_ = a;
    a->start(QAbstractAnimation::DeleteWhenStopped);
}

void CCapDialog::HideIntoTray() {
    if (hiddenInTray_ || desktopMode_) return;
    hiddenInTray_ = true;
    menu_->hide();
    AnimateHide(TrayRect());
}

void CCapDialog::EnterDesktopMode(bool animate) {
    if (desktopMode_) return;
    const QRect screenRect(panel_->mapToGlobal(QPoint(0, 0)), panel_->size());
    deskRect_ = screenRect;
    desktopMode_ = true;
    menu_->hide();
    if (animate) {
        AnimateHide(screenRect);
    } else {
        normalGeometry_ = geometry();
        hide();
    }
    panel_->EnterDesktopMode(screenRect);
}

void CCapDialog::LeaveDesktopMode() {
    desktopMode_ = false;
    panel_->LeaveDesktopMode(this, QRect(5, 25, qMax(0, normalGeometry_.width() - 10),
                                         qMax(0, normalGeometry_.height() - 55)));
    AnimateShow(deskRect_);
}

void CCapDialog::Restore() {
    if (desktopMode_) {
        LeaveDesktopMode();
    } else if (hiddenInTray_) {
        hiddenInTray_ = false;
        AnimateShow(TrayRect());
    } else if (!isVisible()) {
        show();
    }
    BringToFront();
}

void CCapDialog::BringToFront() {
    if (desktopMode_) return;
    raise();
    activateWindow();
}

void CCapDialog::ApplyForeground() {
    const bool onTop = conditions_.foreground != 0;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible) show();
}

void CCapDialog::ApplyTransparency() {
    if (!conditions_.transparent) {
        setWindowOpacity(1.0);
        return;
    }
    const int percent = qBound(0, static_cast<int>(conditions_.transparentParam), 100);
    const int alpha = percent * 255 / 100;
    setWindowOpacity(isActiveWindow() ? 1.0 : alpha / 255.0);
}

void CCapDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) ApplyTransparency();
    QWidget::changeEvent(event);
}

bool CCapDialog::InMenuStrip(const QPoint& p) const {
    return p.x() >= kStripLeft && p.x() <= kStripRight && p.y() >= height() - kStripHeight &&
           p.y() < height();
}

bool CCapDialog::InSizeCorner(const QPoint& p) const {
    return p.x() >= width() - kCornerSize && p.y() >= height() - kCornerSize;
}

void CCapDialog::OpenMenu() {
    menu_->SetState(flags_);
    menu_->Popup(mapToGlobal(QPoint(kStripLeft, height() - kStripHeight)));
}

void CCapDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    if (InMenuStrip(p)) {
        OpenMenu();
        return;
    }
    const bool size = InSizeCorner(p);
    QWindow* win = windowHandle();
    // The window manager drags best; without its help the window follows the mouse itself.
    bool system = win && (size ? win->startSystemResize(Qt::RightEdge | Qt::BottomEdge)
                               : win->startSystemMove());
    if (!system) {
        drag_ = size ? Drag::Size : Drag::Move;
        dragStart_ = event->globalPosition().toPoint();
        dragGeometry_ = geometry();
    }
}

void CCapDialog::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (drag_ == Drag::None) {
        if (InMenuStrip(p))
            setCursor(Qt::PointingHandCursor);
        else if (InSizeCorner(p))
            setCursor(Qt::SizeFDiagCursor);
        else
            unsetCursor();
        return;
    }
    const QPoint delta = event->globalPosition().toPoint() - dragStart_;
    if (drag_ == Drag::Move) {
        move(dragGeometry_.topLeft() + delta);
    } else {
        resize(qMax(kMinSize, dragGeometry_.width() + delta.x()),
               qMax(kMinSize, dragGeometry_.height() + delta.y()));
    }
}

void CCapDialog::mouseReleaseEvent(QMouseEvent* event) {
    drag_ = Drag::None;
    QWidget::mouseReleaseEvent(event);
}

}  // namespace ocv
