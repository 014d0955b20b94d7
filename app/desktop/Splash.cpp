#include "app/desktop/Splash.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "app/desktop/TrayMenu.h"

namespace ocv {

CSplashWnd::CSplashWnd(const QString& version, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      version_(version) {
    setWindowTitle(ApplicationTitle());
    setFixedSize(360, 200);
}

void CSplashWnd::ShowCentred() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
    raise();
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(24, 44, 78));
    sky.setColorAt(1, QColor(8, 14, 28));
    p.fillRect(rect(), sky);
    // A lens: rings around a bright pupil, left of the name.
    QPointF eye(70, height() / 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 140, 220));
    p.drawEllipse(eye, 38, 38);
    p.setBrush(QColor(20, 30, 50));
    p.drawEllipse(eye, 26, 26);
    p.setBrush(QColor(120, 220, 255));
    p.drawEllipse(eye, 10, 10);
    p.setBrush(Qt::white);
    p.drawEllipse(eye + QPointF(-4, -4), 3, 3);
    p.setPen(Qt::white);
    QFont title = font();
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(125, 50, width() - 135, 60), Qt::AlignLeft | Qt::AlignVCenter,
               ApplicationTitle());
    QFont small = font();
    small.setPixelSize(13);
    p.setFont(small);
    p.setPen(QColor(180, 200, 230));
    p.drawText(QRect(127, 108, width() - 135, 24), Qt::AlignLeft | Qt::AlignVCenter,
               "Version " + version_);
    p.drawText(QRect(127, 130, width() - 135, 24), Qt::AlignLeft | Qt::AlignVCenter,
               "Starting cameras...");
    p.setPen(QColor(70, 140, 220));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace ocv
