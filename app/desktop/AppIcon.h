#pragma once
// The program's icon, drawn in code (the tray, the windows); the same lens as ocuvane.svg.
#include <QIcon>

namespace ocv {

QIcon ApplicationIcon();

}  // namespace ocv
