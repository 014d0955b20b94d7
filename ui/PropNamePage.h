#pragma once
// "Files": the camera name, and the whole capture setting read from or written to a file.
#include "ui/SheetPage.h"

namespace ocv {

class CPropNamePage : public CSheetPage {
    Q_OBJECT
public:
    CPropNamePage(SheetContext& context, QWidget* parent = nullptr);
    void Load() override;
    void Store() override;

signals:
    // Asks the sheet to store every page before the record is written to a file.
    void StoreAllRequested();
    // The record was replaced from a file: every page shows it again.
    void Reloaded();

private:
    void Open();
    void SaveAs();

    QLineEdit* name_ = nullptr;
};

}  // namespace ocv
