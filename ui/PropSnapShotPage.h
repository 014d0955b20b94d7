#pragma once
// "Snapshot": the save directory and image settings of the snapshot, and its FTP and e-mail
// targets.
#include "ui/SheetPage.h"

namespace ocv {

class CPropSnapShotPage : public CSheetPage {
    Q_OBJECT
public:
    CPropSnapShotPage(SheetContext& context, QWidget* parent = nullptr);
    void Load() override;
    void Store() override;

private:
    CFolderRow* folder_ = nullptr;
    CTargetRows* targets_ = nullptr;
};

}  // namespace ocv
