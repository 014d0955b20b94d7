#pragma once
// The command-line settings commands: --get, --set and --show-config on ocv.xml in the program
// directory. Each returns the process exit code (0 done, 1 refused or failed) and prints results
// on stdout, refusals on stderr.
#include <string>
#include <vector>

namespace ocv {

int GetSettingsCommand(const std::string& programDir, const std::vector<std::string>& paths);
// All assignments or none: the file is written once, atomically, after every one was accepted.
int SetSettingsCommand(const std::string& programDir, const std::vector<std::string>& sets);
int ShowConfigCommand(const std::string& programDir);

}  // namespace ocv
