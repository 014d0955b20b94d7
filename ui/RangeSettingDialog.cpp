#include "ui/RangeSettingDialog.h"

#include <algorithm>

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/MotionMessage.h"
#include "ui/MotionPreview.h"
#include "ui/MotionText.h"
#include "ui/SheetButtons.h"

namespace ocv {

CRangeCanvas::CRangeCanvas(QImage picture, RangeRect range, QWidget* parent)
    : QFrame(parent), picture_(std::move(picture)), range_(range) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    const int border = 2 * frameWidth();
    setFixedSize(kWidth + border, kHeight + border);
    setCursor(Qt::CrossCursor);
}

QPoint CRangeCanvas::ToPicture(const QPoint& area) const {
    const int w = std::max(picture_.width(), 1);
    const int h = std::max(picture_.height(), 1);
    // The far edge of the area maps onto the last picture pixel.
    const int x = std::clamp(area.x() - frameWidth(), 0, kWidth);
    const int y = std::clamp(area.y() - frameWidth(), 0, kHeight);
    return {std::min(x * w / kWidth, w - 1), std::min(y * h / kHeight, h - 1)};
}

QPoint CRangeCanvas::ToArea(const QPoint& picture) const {
    const int w = std::max(picture_.width(), 1);
    const int h = std::max(picture_.height(), 1);
    return {frameWidth() + picture.x() * kWidth / w, frameWidth() + picture.y() * kHeight / h};
}

void CRangeCanvas::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect area(frameWidth(), frameWidth(), kWidth, kHeight);
    if (picture_.isNull())
        p.fillRect(area, Qt::black);
    else
        p.drawImage(area, picture_);
    const QPoint a = ToArea({range_.left, range_.top});
    const QPoint b = ToArea({range_.right, range_.bottom});
    p.setClipRect(area);
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.setPen(QPen(Qt::white, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(a, b).normalized());
}

void CRangeCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    anchor_ = ToPicture(event->position().toPoint());
    DragTo(event->position().toPoint());
}

void CRangeCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) DragTo(event->position().toPoint());
}

void CRangeCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    DragTo(event->position().toPoint());
    dragging_ = false;
}

// The rectangle spans the press point and the mouse, whichever way it was dragged, so its
// right edge never lies left of its left edge.
void CRangeCanvas::DragTo(const QPoint& area) {
    const QPoint end = ToPicture(area);
    range_ = {std::min(anchor_.x(), end.x()), std::min(anchor_.y(), end.y()),
              std::max(anchor_.x(), end.x()), std::max(anchor_.y(), end.y())};
    update();
}

CRangeSettingDialog::CRangeSettingDialog(const BITMAPINFOHEADER& format,
                                         const std::vector<uint8_t>& pixels, RangeRect range,
                                         QWidget* parent)
    : QDialog(parent), result_(range) {
    setWindowTitle(MTr(MT::ScopeTitle));
    auto* hint = new QLabel(MTr(MT::ScopeHint), this);
    canvas_ = new CRangeCanvas(FrameToImage(format, pixels.data(), pixels.size()), range, this);
    canvas_->setObjectName(QStringLiteral("canvas"));
    auto* root = new QVBoxLayout(this);
    root->addWidget(hint);
    root->addWidget(canvas_, 0, Qt::AlignHCenter);
    root->addWidget(MakeOkCancel(this));
    root->setSizeConstraint(QLayout::SetFixedSize);
}

void CRangeSettingDialog::accept() {
    const RangeRect r = canvas_->Range();
    const int64_t area = static_cast<int64_t>(r.bottom - r.top) * (r.right - r.left);
    if (area <= 0) {
        ShowMotionMessage(this, MTr(MT::ScopeInvalid));
        return;
    }
    result_ = r;
    QDialog::accept();
}

}  // namespace ocv
