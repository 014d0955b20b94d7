#pragma once
// "Detail" of the series capture: how long a series lasts (minutes and seconds) and the seconds
// between its pictures. Result() after OK.
#include <QDialog>

#include "config/OcvParam.h"

class QSpinBox;

namespace ocv {

class CLiveShotDialog : public QDialog {
    Q_OBJECT
public:
    explicit CLiveShotDialog(const MotionCapSetting& motion, QWidget* parent = nullptr);
    MotionCapSetting Result() const { return motion_; }
    void accept() override;

private:
    MotionCapSetting motion_;
    QSpinBox* minutes_ = nullptr;
    QSpinBox* seconds_ = nullptr;
    QSpinBox* interval_ = nullptr;
};

}  // namespace ocv
