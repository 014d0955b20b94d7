#pragma once
// "Live mode": the interval capture switch, its interval and its three delivery targets.
#include "ui/SheetPage.h"

class QLabel;

namespace ocv {

class CPropLiveModePage : public CSheetPage {
    Q_OBJECT
public:
    CPropLiveModePage(SheetContext& context, QWidget* parent = nullptr);
    void Load() override;
    void Store() override;

private:
    QCheckBox* enable_ = nullptr;
    QLabel* interval_ = nullptr;
    CTargetRows* targets_ = nullptr;
};

}  // namespace ocv
