#pragma once
// A log channel's notices and message boxes, carried to the GUI thread: the logging thread only
// posts, and the handlers run on the GUI thread for as long as the receiver is attached.
#include <functional>
#include <memory>
#include <string>

#include "foundation/Logger.h"
#include "platform/Dispatcher.h"

namespace ocv {

class GuiNotifySink final : public ILogNotifySink {
public:
    using NoticeFn = std::function<void(const std::string& text, int level)>;
    using BoxFn = std::function<void(const std::string& text)>;

    GuiNotifySink(Dispatcher& dispatcher, NoticeFn notice, BoxFn box);
    // GUI thread: notices and boxes still queued are dropped from now on.
    void Detach();

    void Notify(const std::string& text, int level) override;
    void ShowMessageBox(const std::string& text) override;

private:
    struct Target {
        NoticeFn notice;
        BoxFn box;
    };
    Dispatcher& dispatcher_;
    std::shared_ptr<Target> target_;
};

}  // namespace ocv
