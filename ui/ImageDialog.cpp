#include "ui/ImageDialog.h"

#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "config/ParamRanges.h"
#include "ui/FieldWidgets.h"
#include "ui/ImageEditDialog.h"
#include "ui/ImageFormatDialogs.h"
#include "ui/MultiSettingDialogs.h"
#include "ui/PreviewImageDialog.h"
#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {

QString FileNameDotQuestion() {
    return QString::fromUtf8(
        "指定されたファイル名称には拡張子が含まれているようです。\n拡張子は選択された画像フォーマッ"
        "トに従って自動的に追加されます。\n拡張子部分を取り除きますか？");
}

CImageDialog::CImageDialog(const ImageSettings& image,
                           std::function<void(QWidget*, const ImageSettings&)> preview,
                           const ImageChoice* package, QWidget* parent)
    : QDialog(parent), image_(image), preview_(std::move(preview)) {
    if (package) package_ = *package;
    setWindowTitle(Lang("Image setting", "画像設定"));

    auto* nameBox = new QGroupBox(Lang("file name", "ファイル名"), this);
    name_ = new QLineEdit(nameBox);
    name_->setObjectName(QStringLiteral("fileName"));
    SetupTextField(name_, image.imageFilename, ImageSettings::kFilenameCapacity);
    counter_ = FlagBox(nameBox, "addCounter",
                       Lang("append serial number to file name", "ファイル名に連番を付加する"),
                       image.enableAddNameCounter);
    date_ =
        FlagBox(nameBox, "addDate",
                Lang("append date to file name [YYMMDD]", "ファイル名に日付を付加する [YYMMDD]"),
                image.enableAddNameDate);
    time_ =
        FlagBox(nameBox, "addTime",
                Lang("append time to file name [HHMMSS]", "ファイル名に時刻を付加する [HHMMSS]"),
                image.enableAddNameTime);
    auto* nameColumn = new QVBoxLayout(nameBox);
    nameColumn->addWidget(name_);
    nameColumn->addWidget(counter_);
    nameColumn->addWidget(date_);
    nameColumn->addWidget(time_);

    format_ = ChoiceBox(this, "format",
                        {QStringLiteral("BMP"), QStringLiteral("JPEG"), QStringLiteral("PNG"),
                         QStringLiteral("GIF")},
                        image.imageFileFormat);
    detail_ = NamedButton(this, "detail", Lang("detail...", "詳細..."));
    connect(detail_, &QPushButton::clicked, this, &CImageDialog::OpenDetail);
    connect(format_, &QComboBox::currentIndexChanged, this, &CImageDialog::UpdateEnabled);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(format_, 1);
    formatRow->addWidget(detail_);

    grey_ = FlagBox(this, "grey", Lang("convert to monochrome", "モノクロに変換する"),
                    image.enableGrayScale);
    // "Resize Rate" shown in percent.
    const ParamRange* rate = FindParamRange("Image", "Resize Rate");
    resize_ = new QSpinBox(this);
    resize_->setObjectName(QStringLiteral("resize"));
    resize_->setRange(rate ? static_cast<int>(std::lround(rate->min * 100)) : 1,
                      rate ? static_cast<int>(std::lround(rate->max * 100)) : 1000);
    resize_->setSuffix(QStringLiteral(" %"));
    resize_->setValue(static_cast<int>(std::lround(image.resizeRate * 100.0)));
    rotate_ = ChoiceBox(
        this, "rotate",
        {QStringLiteral("0"), QStringLiteral("90"), QStringLiteral("180"), QStringLiteral("270")},
        image.rotate);

    auto* form = new QFormLayout;
    form->addRow(Lang("format", "フォーマット"), formatRow);
    form->addRow(QString(), grey_);
    form->addRow(Lang("Resizing", "リサイズ"), resize_);
    form->addRow(Lang("rotate", "回転"), rotate_);

    QPushButton* edit = NamedButton(this, "edit", Lang("edit image...", "画像編集..."));
    connect(edit, &QPushButton::clicked, this, [this] {
        CImageEditDialog dialog(Current(), preview_, this);
        if (dialog.exec() != QDialog::Accepted) return;
        // The edit dialog owns the captions and the frame; the fields of this dialog stay.
        const ImageSettings& e = dialog.Value();
        image_.enablePrintDate = e.enablePrintDate;
        image_.enablePrintTime = e.enablePrintTime;
        image_.enablePrintName = e.enablePrintName;
        image_.fontDateTime = e.fontDateTime;
        image_.fontName = e.fontName;
        image_.enableFrameImage = e.enableFrameImage;
        image_.frameImageFileName = e.frameImageFileName;
        image_.frameTransparentColor = e.frameTransparentColor;
        image_.frameTransparentRange = e.frameTransparentRange;
    });
    QPushButton* previewButton = NamedButton(this, "preview", Lang("Preview", "プレビュー"));
    connect(previewButton, &QPushButton::clicked, this, [this] {
        if (preview_) preview_(this, Current());
    });
    QPushButton* packageButton = NamedButton(this, "package", Lang("Package setup", "一括設定"));
    packageButton->setVisible(package != nullptr);
    connect(packageButton, &QPushButton::clicked, this, [this] {
        CMultiSettingImageDialog dialog(package_, this);
        if (dialog.exec() == QDialog::Accepted) package_ = dialog.Choice();
    });
    auto* actions = new QHBoxLayout;
    actions->addWidget(edit);
    actions->addWidget(previewButton);
    actions->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(packageButton);
    bottom->addStretch(1);
    bottom->addWidget(MakeOkCancel(this));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameBox);
    layout->addLayout(form);
    layout->addLayout(actions);
    layout->addLayout(bottom);
    UpdateEnabled();
    setMinimumWidth(420);
}

void CImageDialog::UpdateEnabled() {
    // BMP has no details.
    detail_->setEnabled(format_->currentIndex() > IMAGE_FORMAT_BMP);
}

void CImageDialog::OpenDetail() {
    ImageSettings s = Current();
    switch (format_->currentIndex()) {
        case IMAGE_FORMAT_JPEG: {
            CFormatJpegDialog dialog(s, this);
            if (dialog.exec() == QDialog::Accepted) image_.jpegQuality = dialog.Value().jpegQuality;
            break;
        }
        case IMAGE_FORMAT_PNG: {
            CFormatPngDialog dialog(s, this);
            if (dialog.exec() != QDialog::Accepted) break;
            image_.pngBitCount = dialog.Value().pngBitCount;
            image_.pngPaletteNo = dialog.Value().pngPaletteNo;
            image_.pngReduceType = dialog.Value().pngReduceType;
            break;
        }
        case IMAGE_FORMAT_GIF: {
            // GIF is always 256 colours: only the palette details.
            CFormatPng8Dialog dialog(s, this);
            if (dialog.exec() != QDialog::Accepted) break;
            image_.pngPaletteNo = dialog.Value().pngPaletteNo;
            image_.pngReduceType = dialog.Value().pngReduceType;
            break;
        }
        default: break;
    }
}

ImageSettings CImageDialog::Current() const {
    ImageSettings s = image_;
    s.imageFilename = ToBoundedUtf8(name_->text(), ImageSettings::kFilenameCapacity);
    s.enableAddNameCounter = FlagOf(counter_);
    s.enableAddNameDate = FlagOf(date_);
    s.enableAddNameTime = FlagOf(time_);
    s.imageFileFormat = ChoiceOf(format_, s.imageFileFormat);
    s.enableGrayScale = FlagOf(grey_);
    // An untouched size keeps the stored rate exactly (percent steps cannot show every float).
    const int shown = static_cast<int>(std::lround(image_.resizeRate * 100.0));
    if (resize_->value() != shown) s.resizeRate = static_cast<float>(resize_->value() / 100.0);
    s.rotate = ChoiceOf(rotate_, s.rotate);
    return s;
}

void CImageDialog::accept() {
    const QString name = name_->text();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        switch (TargetMessage(this, FileNameDotQuestion(),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                              QMessageBox::Question)) {
            case QMessageBox::Yes: name_->setText(name.left(dot)); break;
            case QMessageBox::No: break;
            default: return;  // back to the dialog
        }
    }
    image_ = Current();
    QDialog::accept();
}

bool RunImageDialog(QWidget* parent, ImageSettings& image, COcvCtrl* camera,
                    const std::string& cameraName, ImageChoice* package) {
    auto preview = [camera, cameraName](QWidget* owner, const ImageSettings& settings) {
        ShowImagePreview(owner, camera, settings, cameraName);
    };
    CImageDialog dialog(image, preview, package, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    image = dialog.Value();
    if (package) *package = dialog.Package();
    return true;
}

}  // namespace ocv
