#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

namespace ocv {

QSize DialogUnitsToPixels(const QWidget* widget, int width, int height) {
    QFontMetrics fm(widget->font());
    return QSize(width * fm.averageCharWidth() / 4, height * fm.height() / 8);
}

}  // namespace ocv
