#include "app/desktop/NotifySink.h"

namespace ocv {

GuiNotifySink::GuiNotifySink(Dispatcher& dispatcher, NoticeFn notice, BoxFn box)
    : dispatcher_(dispatcher),
      target_(std::make_shared<Target>(Target{std::move(notice), std::move(box)})) {}

void GuiNotifySink::Detach() {
    target_->notice = nullptr;
    target_->box = nullptr;
}

void GuiNotifySink::Notify(const std::string& text, int level) {
    dispatcher_.Post([target = target_, text, level] {
        if (target->notice) target->notice(text, level);
    });
}

void GuiNotifySink::ShowMessageBox(const std::string& text) {
    dispatcher_.Post([target = target_, text] {
        if (target->box) target->box(text);
    });
}

}  // namespace ocv
