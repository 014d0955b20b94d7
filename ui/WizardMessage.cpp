#include "ui/WizardMessage.h"

#include <QMessageBox>

namespace ocv {
namespace {
WizardMessageHook& Hook() {
    static WizardMessageHook hook;
    return hook;
}
}  // namespace

WizardMessageHook SetWizardMessageHook(WizardMessageHook hook) {
    WizardMessageHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

void ShowWizardError(QWidget* parent, const QString& text) {
    if (Hook()) return Hook()(text);
    QMessageBox::critical(parent, "Ocuvane", text);
}

}  // namespace ocv
