#include "ui/ImageFormatDialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "config/ParamRanges.h"
#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {
namespace {

QRadioButton* Radio(QWidget* parent, const char* name, const QString& text, bool on) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(QString::fromLatin1(name));
    radio->setChecked(on);
    return radio;
}

}  // namespace

CFormatJpegDialog::CFormatJpegDialog(const ImageSettings& image, QWidget* parent)
    : QDialog(parent), image_(image) {
    setWindowTitle(Lang("JPEG Quality", "JPEG品質"));
    const ParamRange* range = FindParamRange("Image", "JPEG Quality");
    quality_ = new QSlider(Qt::Horizontal, this);
    quality_->setObjectName(QStringLiteral("quality"));
    quality_->setRange(range ? static_cast<int>(range->min) : 0,
                       range ? static_cast<int>(range->max) : 100);
    quality_->setPageStep(10);
    quality_->setValue(image.jpegQuality);
    auto* value = new QLabel(QString::number(quality_->value()), this);
    value->setMinimumWidth(30);
    connect(quality_, &QSlider::valueChanged, value,
            [value](int v) { value->setText(QString::number(v)); });
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(Lang("low", "低"), this));
    row->addWidget(quality_, 1);
    row->addWidget(new QLabel(Lang("high", "高"), this));
    row->addWidget(value);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(MakeOkCancel(this));
    setMinimumWidth(320);
}

void CFormatJpegDialog::accept() {
    image_.jpegQuality = quality_->value();
    QDialog::accept();
}

CFormatPng8Dialog::CFormatPng8Dialog(const ImageSettings& image, QWidget* parent)
    : QDialog(parent), image_(image) {
    setWindowTitle(Lang("256Color Palette", "256色パレット"));
    palette_ = ChoiceBox(
        this, "palette",
        {Lang("216 colors (6x6x6)", "216色 (6x6x6)"), Lang("256 colors (8x8x4)", "256色 (8x8x4)")},
        image.pngPaletteNo);
    auto* algorithm = new QGroupBox(Lang("algorithm", "減色方法"), this);
    nearColor_ =
        Radio(algorithm, "nearColor", Lang("Near Color", "近似色"), image.pngReduceType == 0);
    dither_ = Radio(algorithm, "dither", Lang("Dither", "ディザ"), image.pngReduceType == 1);
    auto* column = new QVBoxLayout(algorithm);
    column->addWidget(nearColor_);
    column->addWidget(dither_);
    auto* form = new QFormLayout;
    form->addRow(Lang("Palette", "パレット"), palette_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(algorithm);
    layout->addWidget(MakeOkCancel(this));
}

void CFormatPng8Dialog::accept() {
    image_.pngPaletteNo = ChoiceOf(palette_, image_.pngPaletteNo);
    if (nearColor_->isChecked()) image_.pngReduceType = 0;
    if (dither_->isChecked()) image_.pngReduceType = 1;
    QDialog::accept();
}

CFormatPngDialog::CFormatPngDialog(const ImageSettings& image, QWidget* parent)
    : QDialog(parent), image_(image) {
    setWindowTitle(Lang("PNG format setting", "PNG形式設定"));
    auto* kind = new QGroupBox(Lang("PNG kind", "PNGの種類"), this);
    full_ = Radio(kind, "png24", Lang("24bit color", "24ビットカラー"), image.pngBitCount == 24);
    indexed_ = Radio(kind, "png8", Lang("256 colors", "256色"), image.pngBitCount == 8);
    detail_ = NamedButton(kind, "detail", Lang("detail...", "詳細..."));
    connect(detail_, &QPushButton::clicked, this, [this] {
        CFormatPng8Dialog dialog(image_, this);
        if (dialog.exec() == QDialog::Accepted) image_ = dialog.Value();
    });
    connect(indexed_, &QRadioButton::toggled, detail_, &QPushButton::setEnabled);
    detail_->setEnabled(indexed_->isChecked());
    auto* indexedRow = new QHBoxLayout;
    indexedRow->addWidget(indexed_);
    indexedRow->addWidget(detail_);
    indexedRow->addStretch(1);
    auto* column = new QVBoxLayout(kind);
    column->addWidget(full_);
    column->addLayout(indexedRow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(kind);
    layout->addWidget(MakeOkCancel(this));
}

void CFormatPngDialog::accept() {
    // A bit count neither button stands for stays unless one is chosen.
    if (full_->isChecked()) image_.pngBitCount = 24;
    if (indexed_->isChecked()) image_.pngBitCount = 8;
    QDialog::accept();
}

}  // namespace ocv
