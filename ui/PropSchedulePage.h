#pragma once
// "schedule": the weekly window in which capture runs: the weekdays and the start and end time.
#include "ui/SheetPage.h"

class QSpinBox;

namespace ocv {

class CPropSchedulePage : public CSheetPage {
    Q_OBJECT
public:
    CPropSchedulePage(SheetContext& context, QWidget* parent = nullptr);
    void Load() override;
    void Store() override;

private:
    QCheckBox* enable_ = nullptr;
    QCheckBox* days_[7] = {};
    QSpinBox* startHour_ = nullptr;
    QSpinBox* startMinute_ = nullptr;
    QSpinBox* endHour_ = nullptr;
    QSpinBox* endMinute_ = nullptr;
};

}  // namespace ocv
