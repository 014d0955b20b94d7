#pragma once
// Sizes given in dialog units (a quarter of the average character width across, an eighth of
// the character height down) turned into pixels for a widget's font.
#include <QSize>

class QWidget;

namespace ocv {

QSize DialogUnitsToPixels(const QWidget* widget, int width, int height);

}  // namespace ocv
