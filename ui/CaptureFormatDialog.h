#pragma once
// The pages of a local capture device: "Format" (picture size and frame rate among the modes the
// device offers) and "Camera" (the device's own controls, applied as they are moved).
#include <functional>
#include <vector>

#include <QDialog>

#include "foundation/DeviceInfo.h"
#include "sources/CaptureDevice.h"

class QComboBox;

namespace ocv {

// The distinct picture sizes of `modes` in their order, and the rates offered for one size
// (every mode of that size; 30 when none lists a rate).
std::vector<CaptureFormat> CaptureSizes(const std::vector<CaptureMode>& modes);
std::vector<int> CaptureRates(const std::vector<CaptureMode>& modes, int width, int height);

class CCaptureFormatDialog : public QDialog {
    Q_OBJECT
public:
    CCaptureFormatDialog(const std::vector<CaptureMode>& modes, const DeviceInfo& info,
                         QWidget* parent = nullptr);
    // The record with "Frame Width", "Frame Height" and "Frame Rate" of the choice.
    DeviceInfo Result() const;
    QComboBox* SizeBox() const { return size_; }
    QComboBox* RateBox() const { return rate_; }

private:
    void RefillRates(int wantedRate);

    std::vector<CaptureMode> modes_;
    std::vector<CaptureFormat> sizes_;
    DeviceInfo info_;
    QComboBox* size_;
    QComboBox* rate_;
};

class CCaptureControlsDialog : public QDialog {
    Q_OBJECT
public:
    using Setter = std::function<bool(uint32_t id, int value)>;
    CCaptureControlsDialog(const std::vector<CaptureControl>& controls, Setter setter,
                           QWidget* parent = nullptr);
};

}  // namespace ocv
