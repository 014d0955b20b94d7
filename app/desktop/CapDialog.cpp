// Bare camera window until the full one lands.
#include "app/desktop/CapDialog.h"

#include "controller/OcvCtrl.h"

namespace ocv {

CCapDialog::CCapDialog(COcvCtrl& ctrl, ConditionSetting& conditions, const SystemInfo&,
                       QWidget* parent)
    : QWidget(parent), ctrl_(ctrl), conditions_(conditions) {
    setMinimumSize(300, 300);
    resize(300, 300);
}
CCapDialog::~CCapDialog() = default;
void CCapDialog::PlaceFromConditions() { show(); }
void CCapDialog::ApplyConditions() {}
void CCapDialog::StoreConditions() {}
void CCapDialog::OnStateChanged(uint32_t) {}
void CCapDialog::HideIntoTray() { hide(); hiddenInTray_ = true; }
void CCapDialog::Restore() { show(); hiddenInTray_ = false; }
void CCapDialog::BringToFront() { raise(); activateWindow(); }

}  // namespace ocv
