#pragma once
// The level meter of the motion dialog: a bar for the motion level with a mark at the threshold
// in the middle; the bar turns red at or over the threshold. The scale runs to twice the
// threshold (at least 1 %), so that the small levels a moving object gives stay visible.
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
    // The level at the right end of the bar.
    float FullScale() const;
    QSize sizeHint() const override { return {320, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float level_ = 0;
    float threshold_ = 0;
};

}  // namespace ocv
