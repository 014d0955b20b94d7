#pragma once
// The "Capture Setting" sheet of one camera over a copy of its parameter record; Result() after OK.
#include <QDialog>

#include "config/OcvParam.h"

namespace ocv {

class CCapSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CCapSettingDialog(const OcvParam& param, QWidget* parent = nullptr);
    OcvParam Result() const { return param_; }

private:
    OcvParam param_;
};

}  // namespace ocv
