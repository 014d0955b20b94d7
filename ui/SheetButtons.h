#pragma once
// The OK / Cancel row of the settings dialogs: OK is the default button (Enter), Cancel answers
// Escape; the texts follow the interface language.
#include <QDialogButtonBox>

class QDialog;

namespace ocv {

QDialogButtonBox* MakeOkCancel(QDialog* dialog);

}  // namespace ocv
