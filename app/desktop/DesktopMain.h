#pragma once
// The desktop program: one copy per user session, the splash, then the tray main window until
// "E&xit", SIGINT or SIGTERM; or, with -s N, camera N's capture settings alone.
#include <string>

#include "foundation/VideoCtrl.h"

namespace ocv {

struct DesktopOptions {
    std::string programDir;
    int settingsCamera = 0;  // -s N
    std::string banner;      // printed to stderr once the cameras run (the demo's)
    int splashMs = 2000;
};

// Returns the process exit code; 0 at once when another copy runs.
int RunDesktop(const DesktopOptions& options, const SourceFactory& factory);

}  // namespace ocv
