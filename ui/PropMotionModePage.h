#pragma once
// "Motion mode": the motion capture switch, the motion dialog and the three delivery targets.
#include "ui/SheetPage.h"

namespace ocv {

class CPropMotionModePage : public CSheetPage {
    Q_OBJECT
public:
    CPropMotionModePage(SheetContext& context, QWidget* parent = nullptr);
    void Load() override;
    void Store() override;

private:
    QCheckBox* enable_ = nullptr;
    CTargetRows* targets_ = nullptr;
};

}  // namespace ocv
