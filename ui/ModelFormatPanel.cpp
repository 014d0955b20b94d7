#include "ui/ModelFormatPanel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

#include "sources/CameraUrl.h"
#include "ui/FieldWidgets.h"
#include "ui/WizardMessage.h"
#include "ui/WizardText.h"

namespace ocv {
namespace {

QComboBox* MakeBox(const std::vector<std::string>& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const std::string& s : items) box->addItem(QString::fromStdString(s));
    return box;
}

}  // namespace

CModelFormatPanel::CModelFormatPanel(int32_t deviceType, QWidget* parent)
    : QWidget(parent), type_(deviceType) {
    auto* form = new QFormLayout(this);
    url_ = new QLineEdit(this);
    url_->setMaxLength(static_cast<int>(DeviceInfo::kNameCapacity) - 1);
    form->addRow(WizardText(W::Url), url_);
    auto* hint = new QLabel(WizardText(W::UrlHint), this);
    hint->setEnabled(false);
    form->addRow(QString(), hint);
    switch (type_) {
        case DEVICE_PEER_INSTANCE: {
            auto* row = new QHBoxLayout;
            qualitySlider_ = new QSlider(Qt::Horizontal, this);
            qualitySlider_->setRange(0, 100);
            qualityValue_ = new QLabel("0", this);
            qualityValue_->setMinimumWidth(30);
            connect(qualitySlider_, &QSlider::valueChanged, qualityValue_,
                    [this](int v) { qualityValue_->setNum(v); });
            row->addWidget(qualitySlider_);
            row->addWidget(qualityValue_);
            form->addRow(WizardText(W::Quality), row);
            password_ = new QLineEdit(this);
            password_->setEchoMode(QLineEdit::Password);
            password_->setMaxLength(static_cast<int>(DeviceInfo::kPasswordCapacity) - 1);
            form->addRow(WizardText(W::Password), password_);
            break;
        }
        case DEVICE_PANASONIC:
            size_ = MakeBox(SizeLabels(SizeChoices(DEVICE_PANASONIC, 0)), this);
            form->addRow(WizardText(W::ImageSize), size_);
            qualityBox_ = MakeBox(KxQualityChoices(), this);
            form->addRow(WizardText(W::Quality), qualityBox_);
            break;
        case DEVICE_AXIS:
            subType_ = MakeBox(AxisTypeChoices(), this);
            form->addRow(WizardText(W::Type), subType_);
            size_ = new QComboBox(this);
            form->addRow(WizardText(W::ImageSize), size_);
            camera_ = MakeBox(AxisCameraChoices(), this);
            form->addRow(WizardText(W::Camera), camera_);
            RefillSizes(0);
            // A new type brings its own size list; the camera choice is for type 3 only.
            connect(subType_, &QComboBox::currentIndexChanged, this, [this](int) { RefillSizes(0); });
            break;
        case DEVICE_VIVOTEK:
            camera_ = MakeBox(VivotekCameraChoices(), this);
            form->addRow(WizardText(W::Camera), camera_);
            subType_ = MakeBox(VivotekTypeChoices(), this);
            form->addRow(WizardText(W::Type), subType_);
            qualityBox_ = MakeBox(VivotekQualityChoices(), this);
            form->addRow(WizardText(W::Quality), qualityBox_);
            size_ = MakeBox(VivotekSizeChoices(), this);
            form->addRow(WizardText(W::Size), size_);
            break;
        case DEVICE_MEGACHIPS:
            form->addRow(new QLabel(QString::fromUtf8(kMegaChipsNote), this));
            break;
        default: break;
    }
}

void CModelFormatPanel::RefillSizes(int keepIndex) {
    if (!size_ || !subType_) return;
    const int sub = subType_->currentIndex();
    size_->clear();
    for (const std::string& s : SizeLabels(SizeChoices(DEVICE_AXIS, sub)))
        size_->addItem(QString::fromStdString(s));
    size_->setCurrentIndex(keepIndex);
    camera_->setEnabled(AxisCameraEnabled(sub));
}

void CModelFormatPanel::Load(const DeviceInfo& info) {
    DeviceInfo typed = info;
    typed.deviceType = type_;
    const FormatPageData page = LoadFormatPage(typed);
    url_->setText(QString::fromStdString(page.url));
    if (qualitySlider_) qualitySlider_->setValue(page.quality);
    if (password_) password_->setText(QString::fromStdString(page.password));
    if (subType_) {
        const QSignalBlocker block(subType_);
        subType_->setCurrentIndex(page.subType);
    }
    if (type_ == DEVICE_AXIS) RefillSizes(page.sizeIndex);
    else if (size_) size_->setCurrentIndex(page.sizeIndex);
    if (camera_) camera_->setCurrentIndex(page.cameraNo);
    // A stored quality outside the list selects no entry.
    if (qualityBox_) qualityBox_->setCurrentIndex(page.quality < qualityBox_->count() ? page.quality : -1);
}

FormatPageData CModelFormatPanel::Data() const {
    FormatPageData page;
    page.url = ToBoundedUtf8(url_->text().trimmed(), DeviceInfo::kNameCapacity);
    if (qualitySlider_) page.quality = qualitySlider_->value();
    if (qualityBox_) page.quality = qualityBox_->currentIndex() < 0 ? qualityBox_->count()
                                                                  : qualityBox_->currentIndex();
    if (password_) page.password = ToBoundedUtf8(password_->text(), DeviceInfo::kPasswordCapacity);
    if (size_) page.sizeIndex = std::max(0, size_->currentIndex());
    if (subType_) page.subType = std::max(0, subType_->currentIndex());
    if (camera_) page.cameraNo = std::max(0, camera_->currentIndex());
    return page;
}

void CModelFormatPanel::Store(DeviceInfo& info) const {
    info.deviceType = type_;
    StoreFormatPage(Data(), info);
}

bool CModelFormatPanel::Check(std::string& message) const {
    const FormatPageData page = Data();
    if (!ValidateFormatPage(page, message)) return false;
    return CheckCameraAddress(type_, page.url, message);
}

CModelFormatDialog::CModelFormatDialog(int32_t deviceType, const DeviceInfo& info, QWidget* parent)
    : QDialog(parent), info_(info), panel_(new CModelFormatPanel(deviceType, this)) {
    const char* title = FormatPageTitle(deviceType);
    setWindowTitle(WizardText(W::FormatTitle));
    setMinimumWidth(420);
    auto* layout = new QVBoxLayout(this);
    if (*title) layout->addWidget(new QLabel(QString::fromUtf8(title), this));
    layout->addWidget(panel_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CModelFormatDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    panel_->Load(info);
}

void CModelFormatDialog::accept() {
    std::string message;
    if (!panel_->Check(message)) {
        ShowWizardError(this, QString::fromStdString(message));
        return;
    }
    panel_->Store(info_);
    QDialog::accept();
}

}  // namespace ocv
