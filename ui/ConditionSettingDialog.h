#pragma once
// The start-up options of one camera window over a copy of its conditions; Result() after OK.
#include <QDialog>

#include "config/OcvParam.h"

class QCheckBox;
class QComboBox;
class QSlider;
class QSpinBox;

namespace ocv {

class CConditionSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CConditionSettingDialog(const ConditionSetting& conditions, QWidget* parent = nullptr);
    ConditionSetting Result() const { return conditions_; }

    // OK copies the fields into the record; Cancel leaves it as it came.
    void accept() override;

private:
    ConditionSetting conditions_;
    QCheckBox* autoCapture_ = nullptr;
    QComboBox* show_ = nullptr;
    QComboBox* lastShow_ = nullptr;
    QCheckBox* foreground_ = nullptr;
    QCheckBox* transparent_ = nullptr;
    QSlider* transparency_ = nullptr;
    QSpinBox* transparencyValue_ = nullptr;
    QSpinBox* left_ = nullptr;
    QSpinBox* top_ = nullptr;
    QSpinBox* right_ = nullptr;
    QSpinBox* bottom_ = nullptr;
};

}  // namespace ocv
