#pragma once
// What the desktop tests share: one QApplication for the process, a fresh program directory,
// the camera simulator and the program binary.
#include <cstdlib>
#include <memory>
#include <regex>
#include <string>

#include <QApplication>

#include "../../foundation/TempDir.h"
#include "../Process.h"
#include "platform/Files.h"

namespace ocvtest {

inline const std::string kOcuvane = std::string(OCV_BINARY_DIR) + "/app/ocuvane";
inline const std::string kCamSim = std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim";

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
    std::smatch m;
    std::string out;
    std::regex re("127\\.0\\.0\\.1:(\\d+)");
    if (!WaitFor(
            [&] {
                out = camsim->Out();
                return std::regex_search(out, m, re);
            },
            10000))
        return {};
    return "http://127.0.0.1:" + m[1].str() + "/";
}

}  // namespace ocvtest
