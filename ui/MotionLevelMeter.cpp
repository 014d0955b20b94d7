#include "ui/MotionLevelMeter.h"

#include <algorithm>

#include <QPainter>

namespace ocv {

CMotionLevelMeter::CMotionLevelMeter(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 14);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CMotionLevelMeter::SetLevel(float level) {
    if (level == level_) return;
    level_ = level;
    update();
}

void CMotionLevelMeter::SetThreshold(float threshold) {
    if (threshold == threshold_) return;
    threshold_ = threshold;
    update();
}

float CMotionLevelMeter::FullScale() const { return std::max(2 * threshold_, 1.0f); }

void CMotionLevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(frame, palette().base());
    const int inner = frame.width() - 1;
    const float full = FullScale();
    auto xOf = [&](float level) {
        return frame.left() + 1 + static_cast<int>(std::clamp(level, 0.0f, full) / full * inner);
    };
    const int fill = xOf(level_) - frame.left() - 1;
    if (fill > 0)
        p.fillRect(QRect(frame.left() + 1, frame.top() + 1, fill, frame.height() - 1),
                   OverThreshold() ? QColor(220, 40, 40) : QColor(40, 170, 60));
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(frame);
    const int tx = xOf(threshold_);
    p.setPen(QPen(palette().color(QPalette::WindowText), 2));
    p.drawLine(tx, frame.top(), tx, frame.bottom());
}

}  // namespace ocv
