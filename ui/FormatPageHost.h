#pragma once
// The format and device pages a camera's source asks for: the model format pages of the network
// cameras, the size and rate page and the controls page of a local capture device.
#include <functional>

#include "foundation/CamInterface.h"

class QDialog;
class QWidget;

namespace ocv {

class ICaptureSettings;

class CFormatPageHost : public IDialogHost {
public:
    // `settings` yields the capture device's settings while it is connected (null otherwise).
    using SettingsFn = std::function<ICaptureSettings*()>;
    // Runs a page modally; true for OK. Tests drive the page here instead.
    using ExecFn = std::function<bool(QDialog& page)>;
    CFormatPageHost(SettingsFn settings, QWidget* parent = nullptr, ExecFn exec = {});

    bool RunFormatPage(int32_t deviceType, DeviceInfo& info) override;
    bool RunDevicePage(int32_t deviceType, DeviceInfo& info) override;

private:
    bool Exec(QDialog& page);

    SettingsFn settings_;
    QWidget* parent_;
    ExecFn exec_;
};

}  // namespace ocv
