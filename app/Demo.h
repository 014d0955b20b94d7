#pragma once
// The demonstration: a simulated camera on loopback, a fresh configuration with interval
// capture, and the headless program on it until interrupted.
#include <string>

#include "foundation/VideoCtrl.h"

namespace ocv {

// `dirOption` empty: a fresh directory under the temporary directory. Returns the exit code.
int RunDemo(const std::string& dirOption, const std::string& exePath, const SourceFactory& factory);

// Finds the camera simulator next to the program, in the build tree beside it, or on PATH.
std::string FindCameraSimulator(const std::string& exePath);

}  // namespace ocv
