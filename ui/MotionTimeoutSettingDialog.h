#pragma once
// "Timeout": the wait between a detection and its capture (0.0-5.0 seconds) and the wait after
// a capture before watching again (minutes, seconds, milliseconds). Result() after OK.
#include <QDialog>

#include "config/OcvParam.h"

class QDoubleSpinBox;
class QSpinBox;

namespace ocv {

class CMotionTimeoutSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CMotionTimeoutSettingDialog(const MotionCapSetting& motion, QWidget* parent = nullptr);
    MotionCapSetting Result() const { return motion_; }
    void accept() override;

private:
    MotionCapSetting motion_;
    QDoubleSpinBox* delay_ = nullptr;
    double delayShown_ = 0;
    QSpinBox* minutes_ = nullptr;
    QSpinBox* seconds_ = nullptr;
    QSpinBox* milliseconds_ = nullptr;
};

}  // namespace ocv
