#pragma once
// "scope settings": the camera's picture drawn scaled into a 320 x 240 area, on which the
// watched rectangle is dragged with the mouse. The rectangle is kept in picture pixels.
#include <cstdint>
#include <vector>

#include <QDialog>
#include <QFrame>
#include <QImage>

#include "foundation/FrameSample.h"

namespace ocv {

// Inclusive picture-pixel corners, as the motion record keeps them.
struct RangeRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const RangeRect&) const = default;
};

// The drawing area: the picture and the rectangle drawn with a dotted inverting pen.
class CRangeCanvas : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    CRangeCanvas(QImage picture, RangeRect range, QWidget* parent = nullptr);
    RangeRect Range() const { return range_; }
    // A point of the drawing area (inside the border) in picture pixels, kept inside the picture.
    QPoint ToPicture(const QPoint& area) const;
    QPoint ToArea(const QPoint& picture) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void DragTo(const QPoint& area);

    QImage picture_;
    RangeRect range_;
    QPoint anchor_;
    bool dragging_ = false;
};

class CRangeSettingDialog : public QDialog {
    Q_OBJECT
public:
    // `format` and `pixels`: the camera's newest frame (bottom-up 24-bit).
    CRangeSettingDialog(const BITMAPINFOHEADER& format, const std::vector<uint8_t>& pixels,
                        RangeRect range, QWidget* parent = nullptr);
    RangeRect Result() const { return result_; }
    CRangeCanvas* Canvas() const { return canvas_; }

    // Accepts a rectangle of positive area only; otherwise says so and stays open.
    void accept() override;

private:
    CRangeCanvas* canvas_ = nullptr;
    RangeRect result_;
};

}  // namespace ocv
