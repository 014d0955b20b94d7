#pragma once
// The sheet tests' message and file hooks, which record instead of showing a window.

#include "../UiTestSupport.h"
#include "ui/SheetHooks.h"

namespace ocv::test {

// Installs recording hooks for the life of the object.
struct HookScope {
    std::vector<QString> messages;
    QString nextFile;
    HookScope() {
        CurrentSheetHooks().message = [this](QWidget*, const QString& t) { messages.push_back(t); };
        CurrentSheetHooks().file = [this](QWidget*, bool, const char*) { return nextFile; };
        CurrentSheetHooks().folder = [](QWidget*, const QString&) { return QString(); };
        // No test asks the router of the machine it runs on.
        CurrentSheetHooks().globalAddress = [](std::shared_ptr<NamedEvent>) { return std::string(); };
    }
    ~HookScope() { CurrentSheetHooks() = SheetHooks{}; }
};

}  // namespace ocv::test
