#include "ui/MotionMessage.h"

#include <utility>

#include <QMessageBox>
#include <QWidget>

namespace ocv {

namespace {
MotionMessageHook& Hook() {
    static MotionMessageHook hook;
    return hook;
}
}  // namespace

void ShowMotionMessage(QWidget* parent, const QString& text) {
    if (Hook()) {
        Hook()(text);
        return;
    }
    QMessageBox::warning(parent, parent ? parent->windowTitle() : QString(), text);
}

MotionMessageHook SetMotionMessageHook(MotionMessageHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

}  // namespace ocv
