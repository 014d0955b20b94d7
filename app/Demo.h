#pragma once
// The demonstration: a simulated camera on loopback, a fresh configuration with interval
// capture, and the headless or the desktop program on it until it ends.
#include <functional>
#include <string>

#include "foundation/VideoCtrl.h"

namespace ocv {

// Runs the cameras of the program directory `dir`, printing `banner` once they run; returns
// the exit code (the headless runner by default, or the desktop program).
using DemoRunner = std::function<int(const std::string& dir, const std::string& banner)>;

// `dirOption` empty: a fresh directory under the temporary directory. Returns the exit code.
int RunDemo(const std::string& dirOption, const std::string& exePath, const SourceFactory& factory,
            const DemoRunner& runner = {});

// Finds the camera simulator next to the program, in the build tree beside it, or on PATH.
std::string FindCameraSimulator(const std::string& exePath);

}  // namespace ocv
