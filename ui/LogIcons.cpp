#include "ui/LogIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ocv {
namespace {

constexpr int kSize = 16;

void DrawLetter(QPainter& p, const QRectF& box, const QString& letter, const QColor& colour) {
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, letter);
}

QPixmap Draw(int level) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1, 1, kSize - 2, kSize - 2);
    switch (level) {
        case 0:
            p.setPen(QColor(20, 60, 150));
            p.setBrush(QColor(50, 110, 220));
            p.drawEllipse(box);
            DrawLetter(p, box, QStringLiteral("i"), Qt::white);
            break;
        case 1: {
            QPainterPath tri;
            tri.moveTo(kSize / 2.0, 1);
            tri.lineTo(kSize - 1, kSize - 1.5);
            tri.lineTo(1, kSize - 1.5);
            tri.closeSubpath();
            p.setPen(QColor(150, 110, 0));
            p.setBrush(QColor(250, 200, 30));
            p.drawPath(tri);
            DrawLetter(p, box.adjusted(0, 2, 0, 0), QStringLiteral("!"), Qt::black);
            break;
        }
        case 2: {
            p.setPen(QColor(130, 10, 10));
            p.setBrush(QColor(215, 35, 35));
            p.drawEllipse(box);
            QPen cross(Qt::white, 2.0);
            p.setPen(cross);
            p.drawLine(QPointF(5, 5), QPointF(11, 11));
            p.drawLine(QPointF(11, 5), QPointF(5, 11));
            break;
        }
        case 3:
            p.setPen(QColor(80, 80, 80));
            p.setBrush(QColor(160, 160, 160));
            p.drawRoundedRect(box, 2, 2);
            DrawLetter(p, box, QStringLiteral("D"), Qt::white);
            break;
        default:
            break;
    }
    return pm;
}

}  // namespace

QIcon LogLevelIcon(int level) {
    if (level < 0 || level > 3) return QIcon();
    return QIcon(Draw(level));
}

}  // namespace ocv
