#include "ui/ImageEditDialog.h"

#include <algorithm>
#include <cstdlib>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/SelectColorDialog.h"
#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {
namespace {

QColor ToQColor(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
int32_t FromQColor(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

QLabel* Swatch(QWidget* parent, const char* name) {
    auto* swatch = new QLabel(parent);
    swatch->setObjectName(QString::fromLatin1(name));
    swatch->setFixedSize(40, 20);
    swatch->setFrameShape(QFrame::Box);
    return swatch;
}

void Paint(QLabel* swatch, int32_t color) {
    swatch->setStyleSheet(QStringLiteral("background-color: %1").arg(ToQColor(color).name()));
}

// Asks for a colour starting from `color`; false when the user cancels.
bool PickColor(QWidget* parent, int32_t& color, const QString& title) {
    const QColor chosen = QColorDialog::getColor(ToQColor(color), parent, title);
    if (!chosen.isValid()) return false;
    color = FromQColor(chosen);
    return true;
}

const char kImageFilter[] =
    "Image Files(*.bmp; *.jpg; *.png; *.gif; *.tiff; *.wmf; *.emf; *.ico) (*.bmp *.jpg *.png "
    "*.gif *.tiff *.wmf *.emf *.ico);;All Files(*.*) (*)";

}  // namespace

QFont FontOfStyle(const TextStyle& style) {
    QFont font(QString::fromStdString(style.faceName));
    font.setPixelSize(std::max(1, std::abs(style.height)));
    font.setWeight(
        static_cast<QFont::Weight>(std::clamp(style.weight == 0 ? 400 : style.weight, 100, 900)));
    font.setItalic(style.italic != 0);
    font.setUnderline(style.underline != 0);
    font.setStrikeOut(style.strikeOut != 0);
    return font;
}

void StoreFont(const QFont& font, TextStyle& style) {
    int pixels = font.pixelSize();
    if (pixels <= 0) pixels = static_cast<int>(font.pointSizeF() * 96.0 / 72.0 + 0.5);
    // A negative height asks for the character height, as the caption renderer expects.
    style.height = -std::clamp(pixels, 1, 1000);
    style.weight = font.weight();
    style.italic = font.italic() ? 1 : 0;
    style.underline = font.underline() ? 1 : 0;
    style.strikeOut = font.strikeOut() ? 1 : 0;
    style.faceName = ToBoundedUtf8(font.family(), TextStyle::kFaceNameCapacity);
}

CImageEditTextPage::CImageEditTextPage(const TextStyle& style, QWidget* parent)
    : QWidget(parent), style_(style) {
    switches_ = new QVBoxLayout;
    textSwatch_ = Swatch(this, "textColor");
    backSwatch_ = Swatch(this, "backColor");
    QPushButton* text = NamedButton(this, "textColorButton", Lang("text color", "文字色"));
    QPushButton* back =
        NamedButton(this, "backColorButton", Lang("text background color", "文字背景色"));
    connect(text, &QPushButton::clicked, this, [this] {
        int32_t c = style_.textColor;
        if (PickColor(this, c, Lang("text color", "文字色"))) SetTextColor(c);
    });
    connect(back, &QPushButton::clicked, this, [this] {
        int32_t c = style_.textBkColor;
        if (PickColor(this, c, Lang("text background color", "文字背景色"))) SetBackColor(c);
    });
    transparent_ = FlagBox(this, "transparentText",
                           Lang("transparent background", "背景を透過する"), style.transparentText);
    connect(transparent_, &QCheckBox::toggled, back, [back](bool on) { back->setEnabled(!on); });
    back->setEnabled(!transparent_->isChecked());
    fontLabel_ = new QLabel(this);
    fontLabel_->setObjectName(QStringLiteral("fontName"));
    QPushButton* font = NamedButton(this, "font", Lang("font...", "フォント..."));
    connect(font, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, FontOfStyle(style_), this);
        if (ok) SetFont(chosen);
    });
    vert_ = ChoiceBox(this, "vertPosition",
                      {Lang("top", "上"), Lang("center", "中央"), Lang("bottom", "下")},
                      style.vertPosition);
    horz_ = ChoiceBox(this, "horzPosition",
                      {Lang("left", "左"), Lang("center", "中央"), Lang("right", "右")},
                      style.horzPosition);

    auto* colors = new QGridLayout;
    colors->addWidget(text, 0, 0);
    colors->addWidget(textSwatch_, 0, 1);
    colors->addWidget(back, 1, 0);
    colors->addWidget(backSwatch_, 1, 1);
    colors->addWidget(transparent_, 1, 2);
    colors->addWidget(font, 2, 0);
    colors->addWidget(fontLabel_, 2, 1, 1, 2);
    colors->setColumnStretch(2, 1);
    auto* form = new QFormLayout;
    form->addRow(Lang("position(Vert)", "位置(縦)"), vert_);
    form->addRow(Lang("position(Horz)", "位置(横)"), horz_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(switches_);
    layout->addLayout(colors);
    layout->addLayout(form);
    layout->addStretch(1);
    ShowStyle();
}

void CImageEditTextPage::AddSwitch(QCheckBox* box) { switches_->addWidget(box); }

void CImageEditTextPage::ShowStyle() {
    Paint(textSwatch_, style_.textColor);
    Paint(backSwatch_, style_.textBkColor);
    fontLabel_->setText(QStringLiteral("%1, %2 px")
                            .arg(QString::fromStdString(style_.faceName))
                            .arg(std::abs(style_.height)));
}

void CImageEditTextPage::SetFont(const QFont& font) {
    StoreFont(font, style_);
    ShowStyle();
}

void CImageEditTextPage::SetTextColor(int32_t color) {
    style_.textColor = color;
    ShowStyle();
}

void CImageEditTextPage::SetBackColor(int32_t color) {
    style_.textBkColor = color;
    ShowStyle();
}

TextStyle CImageEditTextPage::Style() const {
    TextStyle s = style_;
    s.transparentText = FlagOf(transparent_);
    s.vertPosition = ChoiceOf(vert_, s.vertPosition);
    s.horzPosition = ChoiceOf(horz_, s.horzPosition);
    return s;
}

CImageEditDatePage::CImageEditDatePage(const ImageSettings& image, QWidget* parent)
    : CImageEditTextPage(image.fontDateTime, parent) {
    date_ =
        FlagBox(this, "printDate", Lang("insert date", "日付を挿入する"), image.enablePrintDate);
    time_ =
        FlagBox(this, "printTime", Lang("insert time", "時刻を挿入する"), image.enablePrintTime);
    AddSwitch(date_);
    AddSwitch(time_);
}

void CImageEditDatePage::Store(ImageSettings& image) const {
    image.enablePrintDate = FlagOf(date_);
    image.enablePrintTime = FlagOf(time_);
    image.fontDateTime = Style();
}

CImageEditNamePage::CImageEditNamePage(const ImageSettings& image, QWidget* parent)
    : CImageEditTextPage(image.fontName, parent) {
    name_ = FlagBox(this, "printName", Lang("insert camera name", "カメラ名称を挿入する"),
                    image.enablePrintName);
    AddSwitch(name_);
}

void CImageEditNamePage::Store(ImageSettings& image) const {
    image.enablePrintName = FlagOf(name_);
    image.fontName = Style();
}

CImageEditFramePage::CImageEditFramePage(const ImageSettings& image, QWidget* parent)
    : QWidget(parent), color_(image.frameTransparentColor) {
    enable_ = FlagBox(this, "enableFrame", Lang("enable frame image", "フレーム画像を使用する"),
                      image.enableFrameImage);
    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("frameFile"));
    SetupTextField(file_, image.frameImageFileName, ImageSettings::kFrameImageFileNameCapacity);
    QPushButton* browse = NamedButton(this, "browse", Lang("browse...", "参照..."));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, Lang("frame image file name", "フレーム画像ファイル名"), file_->text(),
            QString::fromUtf8(kImageFilter));
        if (!path.isEmpty()) file_->setText(path);
    });
    swatch_ = Swatch(this, "transparentColor");
    QPushButton* load = NamedButton(this, "loadFromImage", Lang("load from image", "画像から取得"));
    range_ = new QSlider(Qt::Horizontal, this);
    range_->setObjectName(QStringLiteral("transparentRange"));
    range_->setRange(0, kTransparentRangeMax);
    range_->setValue(image.frameTransparentRange);
    connect(load, &QPushButton::clicked, this, [this] {
        CSelectColorDialog dialog(
            ToBoundedUtf8(file_->text(), ImageSettings::kFrameImageFileNameCapacity), color_,
            range_->value(), this);
        if (!dialog.Loaded() || dialog.exec() != QDialog::Accepted) return;
        SetColor(dialog.Color());
        range_->setValue(dialog.Range());
    });

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(swatch_);
    colorRow->addWidget(load);
    colorRow->addStretch(1);
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(Lang("min", "最小"), this));
    rangeRow->addWidget(range_, 1);
    rangeRow->addWidget(new QLabel(Lang("max", "最大"), this));
    auto* form = new QFormLayout;
    form->addRow(Lang("frame image file name", "フレーム画像ファイル名"), fileRow);
    form->addRow(Lang("transparency color", "透過色"), colorRow);
    form->addRow(Lang("transparency range", "透過範囲"), rangeRow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enable_);
    layout->addLayout(form);
    layout->addStretch(1);
    ShowColor();
}

void CImageEditFramePage::ShowColor() { Paint(swatch_, color_); }

void CImageEditFramePage::SetColor(int32_t color) {
    color_ = color;
    ShowColor();
}

void CImageEditFramePage::Store(ImageSettings& image) const {
    image.enableFrameImage = FlagOf(enable_);
    image.frameImageFileName =
        ToBoundedUtf8(file_->text(), ImageSettings::kFrameImageFileNameCapacity);
    image.frameTransparentColor = color_;
    image.frameTransparentRange = range_->value();
}

CImageEditDialog::CImageEditDialog(const ImageSettings& image,
                                   std::function<void(QWidget*, const ImageSettings&)> preview,
                                   QWidget* parent)
    : QDialog(parent), image_(image) {
    setWindowTitle(Lang("Edit image", "画像編集"));
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    date_ = new CImageEditDatePage(image, tabs);
    date_->setObjectName(QStringLiteral("datePage"));
    name_ = new CImageEditNamePage(image, tabs);
    name_->setObjectName(QStringLiteral("namePage"));
    frame_ = new CImageEditFramePage(image, tabs);
    frame_->setObjectName(QStringLiteral("framePage"));
    tabs->addTab(date_, QString::fromUtf8("日付/時刻"));
    tabs->addTab(name_, QString::fromUtf8("ｶﾒﾗ名称"));
    tabs->addTab(frame_, QString::fromUtf8("ﾌﾚｰﾑ画像"));
    QPushButton* previewButton = NamedButton(this, "preview", Lang("Preview", "プレビュー"));
    connect(previewButton, &QPushButton::clicked, this, [this, preview] {
        if (preview) preview(this, Current());
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(previewButton);
    bottom->addStretch(1);
    bottom->addWidget(MakeOkCancel(this));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addLayout(bottom);
    setMinimumWidth(480);
}

ImageSettings CImageEditDialog::Current() const {
    ImageSettings s = image_;
    date_->Store(s);
    name_->Store(s);
    frame_->Store(s);
    return s;
}

void CImageEditDialog::accept() {
    image_ = Current();
    QDialog::accept();
}

}  // namespace ocv
