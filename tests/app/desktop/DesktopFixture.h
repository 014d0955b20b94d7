#pragma once
// What the desktop tests share: one QApplication for the process, a fresh program directory,
// the camera simulator and the program binary.
#include <cstdlib>
#include <memory>
#include <string>

#include <QApplication>

#include "../../foundation/TempDir.h"
#include "../Site.h"
#include "platform/Files.h"

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

// The camera simulator on a free loopback port; its base URL.
inline std::string StartCamSim(std::unique_ptr<Process>& camsim, const TempDir& dir) {
    camsim = std::make_unique<Process>(
        std::vector<std::string>{kCamSim, "--port", "0", "--size", "320x240", "--fps", "10"},
        dir.File("camsim.out"), dir.File("camsim.err"));
    const int port = ListeningPort(*camsim);
    return port ? "http://127.0.0.1:" + std::to_string(port) + "/" : std::string();
}

}  // namespace ocvtest
