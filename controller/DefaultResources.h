#pragma once
// The files a new camera record points into the program directory for: the motion alarm
// ("moving.wav") and the custom Windows Media profile ("ovndefault.prx"). Both are built into the
// program and written where they are missing; files that are there are never replaced.
#include <string>
#include <vector>

namespace ocv {

// Writes the missing defaults into `programDir`; returns the paths of the files it could not
// write (empty when everything is in place).
std::vector<std::string> InstallDefaultResources(const std::string& programDir);

}  // namespace ocv
