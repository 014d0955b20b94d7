#pragma once
// The error boxes of the wizard and the camera dialogs. Tests put a hook in place of the modal
// box to read what would have been shown.
#include <functional>

#include <QString>

class QWidget;

namespace ocv {

using WizardMessageHook = std::function<void(const QString& text)>;
// Replaces the modal box (an empty hook restores it); returns the previous hook.
WizardMessageHook SetWizardMessageHook(WizardMessageHook hook);
// A modal error box with `text`, or the hook.
void ShowWizardError(QWidget* parent, const QString& text);

}  // namespace ocv
