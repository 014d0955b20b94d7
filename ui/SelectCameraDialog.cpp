#include "ui/SelectCameraDialog.h"

#include "foundation/Logger.h"
#include "ui/WizardMessage.h"
#include "ui/WizardText.h"

namespace ocv {

CSelectCameraDialog::CSelectCameraDialog(const CameraSelection& initial,
                                         std::shared_ptr<ICaptureSystem> system, CLogger* log,
                                         QWidget* parent)
    : QWizard(parent), quiet_(log ? nullptr : std::make_unique<CLogger>()) {
    setWindowTitle(WizardText(W::WizardTitle));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage, true);
    setButtonText(QWizard::BackButton, WizardText(W::BackButton));
    setButtonText(QWizard::NextButton, WizardText(W::NextButton));
    setButtonText(QWizard::FinishButton, WizardText(W::FinishButton));
    setButtonText(QWizard::CancelButton, WizardText(W::CancelButton));
    if (!system) system = V4l2CaptureSystem();
    CLogger& logger = log ? *log : *quiet_;
    const DeviceInfo& info = initial.info;
    first_ = new CPropSelectDevicePage(initial, this);
    setPage(kPageSelectDevice, first_);
    setPage(kPageVideoCapture, new CPropVideoCapturePage(system, info, this));
    setPage(kPageWmEncorder, new CPropWmEncorderPage(info, this));
    setPage(kPageSelectNetDevice,
            new CPropSelectNetDevicePage(info.deviceType > DEVICE_LOCAL_CAPTURE ? info.deviceType
                                                                                : DEVICE_AXIS,
                                         this));
    setPage(kPagePanasonic, new CPropPanasonicKxPage(info, this));
    setPage(kPageAxis, new CPropAxisNetcamPage(info, this));
    setPage(kPageVivotek, new CPropVivotekNetcamPage(info, this));
    setPage(kPageOcuvane, new CPropOcuvanePage(info, this));
    setPage(kPageFileLoad, new CPropFileLoadPage(logger, this));
    setPage(kPageMegaChips, new CPropMegaChipsSurfeelPage(info, this));
    setPage(kPageMjpegUrl, new CPropMjpegUrlPage(info, this));
    setStartId(kPageSelectDevice);
    resize(560, 440);
}

CSelectCameraDialog::~CSelectCameraDialog() = default;

bool CSelectCameraDialog::validateCurrentPage() {
    refusal_.clear();
    auto* last = dynamic_cast<IFinishPage*>(currentPage());
    if (!last) return QWizard::validateCurrentPage();
    CameraSelection chosen;
    if (!last->Finish(chosen, refusal_)) {
        ShowWizardError(this, refusal_);
        return false;
    }
    chosen.name = first_->Name();
    result_ = chosen;
    return true;
}

std::optional<CameraSelection> CSelectCameraDialog::Ask(const CameraSelection& initial,
                                                        QWidget* parent, CLogger* log) {
    CSelectCameraDialog wizard(initial, nullptr, log, parent);
    if (wizard.exec() != QDialog::Accepted) return std::nullopt;
    return wizard.Result();
}

}  // namespace ocv
