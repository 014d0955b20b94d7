#pragma once
// The start-up options of one camera window over a copy of its conditions; Result() after OK.
#include <QDialog>

#include "config/OcvParam.h"

namespace ocv {

class CConditionSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CConditionSettingDialog(const ConditionSetting& conditions, QWidget* parent = nullptr);
    ConditionSetting Result() const { return conditions_; }

private:
    ConditionSetting conditions_;
};

}  // namespace ocv
