#include "ui/SelectColorDialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

#include "imaging/DibImage.h"
#include "ui/PreviewImageDialog.h"
#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {

QString FrameImageUnreadableText() { return QString::fromUtf8("ﾌﾚｰﾑ画像が読み込めません!"); }

CSelectColorDialog::CSelectColorDialog(const std::string& frameImage, int32_t color, int32_t range,
                                       QWidget* parent)
    : QDialog(parent), color_(color), range_(range) {
    setWindowTitle(Lang("transparency color", "透過色"));
    CDibImage frame;
    if (frameImage.empty() || !frame.LoadFromFile(frameImage) ||
        (image_ = DibToQImage(frame)).isNull()) {
        TargetMessage(parent, FrameImageUnreadableText());
        return;
    }
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("frameImage"));
    picture_->setPixmap(QPixmap::fromImage(image_));
    picture_->setCursor(Qt::CrossCursor);
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture_->installEventFilter(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(picture_);
    swatch_ = new QLabel(this);
    swatch_->setObjectName(QStringLiteral("swatch"));
    swatch_->setFixedSize(40, 20);
    swatch_->setFrameShape(QFrame::Box);
    rangeSlider_ = new QSlider(Qt::Horizontal, this);
    rangeSlider_->setObjectName(QStringLiteral("range"));
    rangeSlider_->setRange(0, kTransparentRangeMax);
    rangeSlider_->setValue(range);
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(Lang("transparency color", "透過色"), this));
    colorRow->addWidget(swatch_);
    colorRow->addStretch(1);
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(Lang("transparency range", "透過範囲"), this));
    rangeRow->addWidget(new QLabel(Lang("min", "最小"), this));
    rangeRow->addWidget(rangeSlider_, 1);
    rangeRow->addWidget(new QLabel(Lang("max", "最大"), this));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(colorRow);
    layout->addLayout(rangeRow);
    layout->addWidget(MakeOkCancel(this));
    ShowColor();
    resize(qMin(image_.width() + 60, 780), qMin(image_.height() + 150, 580));
}

void CSelectColorDialog::ShowColor() {
    if (!swatch_) return;
    const QColor c(color_ & 0xFF, (color_ >> 8) & 0xFF, (color_ >> 16) & 0xFF);
    swatch_->setStyleSheet(QStringLiteral("background-color: %1").arg(c.name()));
}

void CSelectColorDialog::PickAt(int x, int y) {
    if (!image_.valid(x, y)) return;
    const QRgb p = image_.pixel(x, y);
    // Stored with red in the low byte.
    color_ = qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16);
    ShowColor();
}

bool CSelectColorDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picture_ && event->type() == QEvent::MouseButtonPress) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        PickAt(at.x(), at.y());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CSelectColorDialog::accept() {
    if (rangeSlider_) range_ = rangeSlider_->value();
    QDialog::accept();
}

}  // namespace ocv
