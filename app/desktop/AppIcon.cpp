#include "app/desktop/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace ocv {
namespace {

QPixmap DrawIcon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 44, 78));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    p.setBrush(QColor(70, 140, 220));
    p.drawEllipse(QPointF(32, 32), 22, 22);
    p.setBrush(QColor(20, 30, 50));
    p.drawEllipse(QPointF(32, 32), 15, 15);
    p.setBrush(QColor(120, 220, 255));
    p.drawEllipse(QPointF(32, 32), 6, 6);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(29, 29), 2, 2);
    p.setBrush(QColor(230, 50, 50));
    p.drawEllipse(QPointF(52, 12), 5, 5);
    return pm;
}

}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) icon.addPixmap(DrawIcon(size));
    return icon;
}

}  // namespace ocv
