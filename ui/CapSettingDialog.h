#pragma once
// The "Capture Setting" sheet of one camera over a copy of its parameter record; Result() after OK.
// Its pages: "Files", "Live mode", "Motion mode", "Snapshot", "video", "schedule", "broadcast".
#include <string>
#include <vector>

#include <QDialog>

#include "config/OcvParam.h"
#include "ui/SheetPage.h"

class QTabWidget;

namespace ocv {

class COcvCtrl;

class CCapSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CCapSettingDialog(const OcvParam& param, QWidget* parent = nullptr);
    OcvParam Result() const { return param_; }
    // The camera whose frames the image and motion dialogs preview and whose log channel the
    // file commands write to; may stay null.
    void SetCamera(COcvCtrl* camera) { context_.camera = camera; }
    void accept() override;

    QTabWidget* Tabs() const { return tabs_; }

private:
    void StoreAll();
    void LoadAll();

    OcvParam param_;
    SheetContext context_;
    QTabWidget* tabs_ = nullptr;
    std::vector<CSheetPage*> pages_;
};

}  // namespace ocv
