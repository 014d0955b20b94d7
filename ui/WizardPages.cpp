#include "ui/WizardPages.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QVBoxLayout>

#include "config/ConfigFiles.h"
#include "config/OcvParam.h"
#include "sources/CameraUrl.h"
#include "sources/ModelPages.h"
#include "ui/FieldWidgets.h"
#include "ui/ModelFormatPanel.h"
#include "ui/WizardText.h"

namespace ocv {
namespace {

// The families of the network page in their order, with the page each one leads to.
struct Family {
    int32_t type;
    W label;
    int page;
};
constexpr Family kFamilies[] = {
    {DEVICE_PANASONIC, W::FamilyPanasonic, kPagePanasonic},
    {DEVICE_AXIS, W::FamilyAxis, kPageAxis},
    {DEVICE_VIVOTEK, W::FamilyVivotek, kPageVivotek},
    {DEVICE_MEGACHIPS, W::FamilyMegaChips, kPageMegaChips},
    {DEVICE_PEER_INSTANCE, W::FamilyPeer, kPageOcuvane},
    {DEVICE_NETWORK_STREAM, W::FamilyStream, kPageWmEncorder},
    {DEVICE_MJPEG_URL, W::FamilyMjpegUrl, kPageMjpegUrl},
};

// An address that does not suit the device type, with the reason the command line gives too.
bool CheckAddress(int32_t type, const std::string& address, QString& message) {
    std::string why;
    if (CheckCameraAddress(type, address, why)) return true;
    message = QString::fromStdString(why);
    return false;
}

}  // namespace

QString QtFileFilter(const char* filter) {
    const QStringList parts = QString::fromUtf8(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        // The name already shows the pattern; Qt takes the pattern from the parentheses.
        QString name = parts[i];
        if (!name.contains('(')) name += " (" + parts[i + 1] + ")";
        out << name;
    }
    return out.join(";;");
}

CPropSelectDevicePage::CPropSelectDevicePage(const CameraSelection& initial, QWidget* parent)
    : QWizardPage(parent),
      local_(new QRadioButton(WizardText(W::ChoiceLocal), this)),
      network_(new QRadioButton(WizardText(W::ChoiceNetwork), this)),
      file_(new QRadioButton(WizardText(W::ChoiceFile), this)),
      name_(new QLineEdit(this)) {
    setTitle(WizardText(W::SelectDeviceTitle));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {local_, network_, file_}) {
        group->addButton(b);
        layout->addWidget(b);
    }
    layout->addSpacing(12);
    auto* form = new QFormLayout;
    SetupTextField(name_, initial.name, OcvParam::kNameCapacity);
    form->addRow(WizardText(W::CameraName), name_);
    layout->addLayout(form);
    layout->addStretch();
    Choose(initial.info.deviceType == DEVICE_LOCAL_CAPTURE ? kLocal : kNetwork);
}

CPropSelectDevicePage::Choice CPropSelectDevicePage::Chosen() const {
    if (local_->isChecked()) return kLocal;
    if (file_->isChecked()) return kFile;
    return kNetwork;
}

void CPropSelectDevicePage::Choose(Choice choice) {
    (choice == kLocal ? local_ : choice == kFile ? file_ : network_)->setChecked(true);
}

std::string CPropSelectDevicePage::Name() const {
    return ToBoundedUtf8(name_->text().trimmed(), OcvParam::kNameCapacity);
}

int CPropSelectDevicePage::nextId() const {
    switch (Chosen()) {
        case kLocal: return kPageVideoCapture;
        case kFile: return kPageFileLoad;
        default: return kPageSelectNetDevice;
    }
}

CPropVideoCapturePage::CPropVideoCapturePage(std::shared_ptr<ICaptureSystem> system,
                                             const DeviceInfo& initial, QWidget* parent)
    : QWizardPage(parent), system_(std::move(system)), initial_(initial),
      list_(new QListWidget(this)), details_(new QPlainTextEdit(this)) {
    setTitle(WizardText(W::VideoCaptureTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(WizardText(W::ChooseCamera), this));
    layout->addWidget(list_);
    layout->addWidget(new QLabel(WizardText(W::DeviceDetails), this));
    details_->setReadOnly(true);
    layout->addWidget(details_);
}

void CPropVideoCapturePage::initializePage() {
    // The devices are listed when the page is first reached, not when the wizard opens.
    if (filled_ || !system_) return;
    filled_ = true;
    devices_ = system_->List();
    for (const CaptureDeviceEntry& d : devices_)
        list_->addItem(QString::fromStdString(d.card + "  (" + d.path + ")"));
    if (initial_.deviceType == DEVICE_LOCAL_CAPTURE && !initial_.deviceName.empty()) {
        const int i = SelectCaptureDevice(devices_, initial_.deviceName, initial_.cameraNo);
        if (i >= 0) list_->setCurrentRow(i);
    }
    details_->setPlainText(QString::fromStdString(DescribeCaptureDevices(*system_)));
}

bool CPropVideoCapturePage::Finish(CameraSelection& out, QString& message) {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(devices_.size()) || !list_->currentItem()->isSelected()) {
        message = QString::fromUtf8("接続カメラを選択してください!");
        return false;
    }
    // Devices of the same name are told apart by their place among those of that name.
    int cameraNo = 0;
    for (int i = 0; i < row; ++i)
        if (devices_[static_cast<size_t>(i)].card == devices_[static_cast<size_t>(row)].card) ++cameraNo;
    out.info = DeviceInfo{};
    out.info.deviceType = DEVICE_LOCAL_CAPTURE;
    out.info.deviceName = devices_[static_cast<size_t>(row)].card;
    out.info.cameraNo = cameraNo;
    return CheckAddress(DEVICE_LOCAL_CAPTURE, out.info.deviceName, message);
}

CPropWmEncorderPage::CPropWmEncorderPage(const DeviceInfo& initial, QWidget* parent)
    : QWizardPage(parent), url_(new QLineEdit(this)) {
    setTitle(WizardText(W::WmEncoderTitle));
    auto* form = new QFormLayout(this);
    SetupTextField(url_, initial.deviceType == DEVICE_NETWORK_STREAM ? initial.deviceName : "",
                   DeviceInfo::kNameCapacity);
    form->addRow(WizardText(W::StreamUrl), url_);
}

bool CPropWmEncorderPage::Finish(CameraSelection& out, QString& message) {
    const std::string url = ToBoundedUtf8(url_->text().trimmed(), DeviceInfo::kNameCapacity);
    if (url.empty()) {
        message = QString::fromUtf8(kUrlMissingMessage);
        return false;
    }
    out.info = DeviceInfo{};
    out.info.deviceType = DEVICE_NETWORK_STREAM;
    out.info.deviceName = url;
    return CheckAddress(DEVICE_NETWORK_STREAM, url, message);
}

CPropSelectNetDevicePage::CPropSelectNetDevicePage(int32_t initialType, QWidget* parent)
    : QWizardPage(parent), family_(new QComboBox(this)), info_(new QLabel(this)) {
    setTitle(WizardText(W::NetDeviceTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(WizardText(W::ChooseNetType), this));
    for (const Family& f : kFamilies) family_->addItem(WizardText(f.label), f.type);
    layout->addWidget(family_);
    info_->setWordWrap(true);
    info_->setFrameShape(QFrame::StyledPanel);
    info_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    info_->setMinimumHeight(120);
    layout->addWidget(info_);
    layout->addStretch();
    connect(family_, &QComboBox::currentIndexChanged, this,
            [this](int) { info_->setText(FamilyInformation(ChosenType())); });
    ChooseType(initialType);
    info_->setText(FamilyInformation(ChosenType()));
}

int32_t CPropSelectNetDevicePage::ChosenType() const { return family_->currentData().toInt(); }

void CPropSelectNetDevicePage::ChooseType(int32_t deviceType) {
    const int i = family_->findData(deviceType);
    family_->setCurrentIndex(i < 0 ? 0 : i);
}

QString CPropSelectNetDevicePage::Information() const { return info_->text(); }

int CPropSelectNetDevicePage::nextId() const {
    for (const Family& f : kFamilies)
        if (f.type == ChosenType()) return f.page;
    return kPagePanasonic;
}

CModelWizardPage::CModelWizardPage(int32_t deviceType, const DeviceInfo& initial, QWidget* parent)
    : QWizardPage(parent), panel_(new CModelFormatPanel(deviceType, this)) {
    const char* title = FormatPageTitle(deviceType);
    setTitle(*title ? QString::fromUtf8(title) : WizardText(W::SetupTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel_);
    layout->addStretch();
    // The camera's own values when it already is of this family.
    if (initial.deviceType == deviceType) panel_->Load(initial);
    else panel_->Load(DeviceInfo{});
}

bool CModelWizardPage::Finish(CameraSelection& out, QString& message) {
    std::string why;
    if (!panel_->Check(why)) {
        message = QString::fromStdString(why);
        return false;
    }
    out.info = DeviceInfo{};
    panel_->Store(out.info);
    return true;
}

CPropFileLoadPage::CPropFileLoadPage(CLogger& log, QWidget* parent)
    : QWizardPage(parent), log_(log), path_(new QLineEdit(this)) {
    setTitle(WizardText(W::FileLoadTitle));
    auto* form = new QFormLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(path_);
    auto* browse = new QPushButton(WizardText(W::Browse), this);
    row->addWidget(browse);
    form->addRow(WizardText(W::FileName), row);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QString(), path_->text(),
                                                          QtFileFilter(kDeviceFileFilter));
        if (!path.isEmpty()) path_->setText(path);
    });
}

bool CPropFileLoadPage::Finish(CameraSelection& out, QString& message) {
    DeviceInfo info;  // cleared to zeros before the file is read
    const std::string path = path_->text().trimmed().toStdString();
    if (path.empty() || !LoadDeviceInfoFile(path, info, log_) ||
        !IsKnownDeviceType(info.deviceType)) {
        message = WizardText(W::FileFailed);
        return false;
    }
    if (!CheckAddress(info.deviceType, info.deviceName, message)) return false;
    out.info = info;
    return true;
}

}  // namespace ocv
