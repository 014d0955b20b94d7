#pragma once
// What the desktop tests share: one QApplication for the process, a fresh program directory,
// the camera simulator and the program binary (Site.h).
#include <QApplication>

#include "../../foundation/TempDir.h"
#include "../Site.h"

namespace ocvtest {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "desktop_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* a = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return a;
    }();
    return *app;
}

}  // namespace ocvtest
