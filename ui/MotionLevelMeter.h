#pragma once
// The level meter of the motion dialog: a bar for the motion level (0-100 %, a level a little
// over 100 fills it) with a mark at the threshold; the bar turns red at or over the threshold.
#include <QWidget>

namespace ocv {

class CMotionLevelMeter : public QWidget {
    Q_OBJECT
public:
    explicit CMotionLevelMeter(QWidget* parent = nullptr);
    void SetLevel(float level);
    void SetThreshold(float threshold);
    float Level() const { return level_; }
    float Threshold() const { return threshold_; }
    bool OverThreshold() const { return level_ >= threshold_; }
    QSize sizeHint() const override { return {320, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float level_ = 0;
    float threshold_ = 0;
};

}  // namespace ocv
