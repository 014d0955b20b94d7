#pragma once
// The headless program: the configured cameras without a window, until SIGINT or SIGTERM.
#include <string>

#include "foundation/VideoCtrl.h"

namespace ocv {

// Loads ocv.xml from `programDir`, connects every camera, starts those marked "AutoCapture",
// arms schedules and runs until SIGINT/SIGTERM; then stops every camera (3 seconds), saves
// ocv.xml and returns 0. Returns 2 when no camera is configured, 1 when ocv.xml cannot be read.
// `banner` is printed to stderr once the cameras run.
int RunHeadless(const std::string& programDir, const SourceFactory& factory,
                const std::string& banner = {});

// Appends a camera to ocv.xml in `programDir` and saves; returns the exit code.
int AddCameraCommand(const std::string& programDir, int32_t type, const std::string& url,
                     const std::string& name);

}  // namespace ocv
