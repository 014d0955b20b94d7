#pragma once
// Helpers of the sheet tests: message and file hooks that record instead of showing a window,
// child lookup within one page, and a bounded wait for work posted from a thread.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QThread>
#include <QWidget>

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

template <class W>
W* ChildOf(QWidget* parent, const char* name) {
    W* w = parent ? parent->findChild<W*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
}

inline void Toggle(QWidget* page, const char* name) { ChildOf<QCheckBox>(page, name)->toggle(); }
inline void Spin(QWidget* page, const char* name, int v) {
    ChildOf<QSpinBox>(page, name)->setValue(v);
}
inline void Type(QWidget* page, const char* name, const char* text) {
    ChildOf<QLineEdit>(page, name)->setText(QString::fromUtf8(text));
}

// Lets queued calls run until `done` holds; gives up after a few seconds so a fault fails the
// test instead of hanging it.
inline bool SpinUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    QApplication::processEvents();
    return done();
}

}  // namespace ocv::test
