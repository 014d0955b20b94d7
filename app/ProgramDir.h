#pragma once
// Where the program keeps ocv.xml and, by default, log.txt.
#include <string>

namespace ocv {

// `--dir DIR` when given; else the executable's directory when ocv.xml is there (a portable
// install); else ~/.local/share/ocuvane, created when missing. Empty when nothing can be had.
std::string ResolveProgramDirectory(const std::string& dirOption, const std::string& exePath);

// The running executable's path (from /proc/self/exe).
std::string ExecutablePath();

}  // namespace ocv
