#include "ui/FormatPageHost.h"

#include "sources/LocalCaptureInterface.h"
#include "ui/CaptureFormatDialog.h"
#include "ui/ModelFormatPanel.h"

namespace ocv {

CFormatPageHost::CFormatPageHost(SettingsFn settings, QWidget* parent, ExecFn exec)
    : settings_(std::move(settings)), parent_(parent), exec_(std::move(exec)) {}

bool CFormatPageHost::Exec(QDialog& page) {
    if (exec_) return exec_(page);
    return page.exec() == QDialog::Accepted;
}

bool CFormatPageHost::RunFormatPage(int32_t deviceType, DeviceInfo& info) {
    if (deviceType == DEVICE_LOCAL_CAPTURE) {
        ICaptureSettings* s = settings_ ? settings_() : nullptr;
        if (!s) return false;
        CCaptureFormatDialog page(s->Modes(), info, parent_);
        if (!Exec(page)) return false;
        info = page.Result();
        return true;
    }
    if (deviceType < DEVICE_PEER_INSTANCE || deviceType > DEVICE_MJPEG_URL) return false;
    CModelFormatDialog page(deviceType, info, parent_);
    if (!Exec(page)) return false;
    info = page.Result();
    return true;
}

bool CFormatPageHost::RunDevicePage(int32_t deviceType, DeviceInfo&) {
    ICaptureSettings* s = deviceType == DEVICE_LOCAL_CAPTURE && settings_ ? settings_() : nullptr;
    if (!s) return false;
    CCaptureControlsDialog page(s->Controls(),
                                [s](uint32_t id, int value) { return s->SetControl(id, value); },
                                parent_);
    Exec(page);
    return true;
}

}  // namespace ocv
