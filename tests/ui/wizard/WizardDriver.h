#pragma once
// Drives the connection wizard the way a person does: the connection type, the family, the
// address, then Finish. Shared by the wizard's own tests and the desktop's.
#include <memory>
#include <string>
#include <vector>

#include <QLineEdit>
#include <QListWidget>

#include "sources/CaptureDevice.h"
#include "ui/ModelFormatPanel.h"
#include "ui/SelectCameraDialog.h"
#include "ui/WizardPages.h"

namespace ocvtest {

// Capture devices that are listed but cannot be opened (the wizard only lists and names them).
struct ListedDevices : ocv::ICaptureSystem {
    explicit ListedDevices(std::vector<ocv::CaptureDeviceEntry> d) : devices(std::move(d)) {}
    std::vector<ocv::CaptureDeviceEntry> List() override { return devices; }
    std::unique_ptr<ocv::ICaptureDevice> Open(const std::string&, std::string& error) override {
        return error = "not a real device", nullptr;
    }
    std::vector<ocv::CaptureDeviceEntry> devices;
};

// Goes from the first page to the last page of a camera of `type` (0: the connection file).
inline void GoToLastPage(ocv::CSelectCameraDialog& w, int type) {
    using namespace ocv;
    w.restart();
    auto* first = static_cast<CPropSelectDevicePage*>(w.page(kPageSelectDevice));
    first->Choose(type == 0 ? CPropSelectDevicePage::kFile
                  : type == DEVICE_LOCAL_CAPTURE ? CPropSelectDevicePage::kLocal
                                                 : CPropSelectDevicePage::kNetwork);
    w.next();
    if (type >= DEVICE_NETWORK_STREAM) {
        static_cast<CPropSelectNetDevicePage*>(w.currentPage())->ChooseType(type);
        w.next();
    }
}

// The address field (or the device list) of the current last page gets `address`.
inline void EnterAddress(ocv::CSelectCameraDialog& w, const std::string& address) {
    using namespace ocv;
    const QString text = QString::fromStdString(address);
    QWizardPage* page = w.currentPage();
    if (auto* m = dynamic_cast<CModelWizardPage*>(page)) m->Panel()->UrlField()->setText(text);
    else if (auto* s = dynamic_cast<CPropWmEncorderPage*>(page)) s->UrlField()->setText(text);
    else if (auto* f = dynamic_cast<CPropFileLoadPage*>(page)) f->PathField()->setText(text);
    else if (auto* c = dynamic_cast<CPropVideoCapturePage*>(page)) {
        c->List()->clearSelection();
        c->List()->setCurrentRow(-1);
        for (int i = 0; i < c->List()->count(); ++i)
            if (c->List()->item(i)->text().startsWith(text + "  (")) return c->List()->setCurrentRow(i);
    }
}

}  // namespace ocvtest
