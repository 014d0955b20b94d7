#pragma once
// "Connect Camera Wizard": the connection type, then the page of that type, whose Finish fills
// the new device information. Finish stays refused, with its message, until the last page's
// fields are complete and the address suits the device type.
#include <memory>
#include <optional>

#include <QWizard>

#include "ui/WizardPages.h"

namespace ocv {

class CSelectCameraDialog : public QWizard {
    Q_OBJECT
public:
    // `system` lists the local capture devices (the machine's V4L2 devices when null); `log`
    // receives the failures of reading a connection file (a quiet channel when null).
    CSelectCameraDialog(const CameraSelection& initial, std::shared_ptr<ICaptureSystem> system = {},
                        CLogger* log = nullptr, QWidget* parent = nullptr);
    ~CSelectCameraDialog() override;

    // The last page's check; on failure its message is shown and the wizard stays open.
    bool validateCurrentPage() override;
    // Valid after the wizard was accepted.
    const CameraSelection& Result() const { return result_; }
    // The message that refused Finish the last time; empty when it was not refused.
    const QString& Refusal() const { return refusal_; }

    // Shows the wizard modally; nothing when cancelled.
    static std::optional<CameraSelection> Ask(const CameraSelection& initial,
                                              QWidget* parent = nullptr, CLogger* log = nullptr);

private:
    std::unique_ptr<CLogger> quiet_;
    CameraSelection result_;
    QString refusal_;
    CPropSelectDevicePage* first_;
};

}  // namespace ocv
