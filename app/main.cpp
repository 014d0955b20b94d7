// Entry point of the program.
#include <cstdio>
#include <string>
#include <vector>

#include "app/Options.h"
#include "app/ProgramDir.h"
#include "foundation/Logger.h"
#include "platform/Files.h"

using namespace ocv;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = ParseOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "ocuvane: %s\n%s", error.c_str(), UsageText().c_str());
        return 64;
    }
    if (options->help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    std::string dir = ResolveProgramDirectory(options->dir, ExecutablePath());
    if (dir.empty()) {
        std::fprintf(stderr, "ocuvane: no program directory could be made\n");
        return 1;
    }
    CLogger::SetEcho([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    CLogger log;
    log.SetName("全般");
    log.SetMessageBox(0);
    log.SetNotify(0);
    log.SetPath(JoinPath(dir, "log.txt"));
    log.Info("Program directory: %s", dir.c_str());
    std::fprintf(stderr, "ocuvane: no camera is configured in %s\n", JoinPath(dir, "ocv.xml").c_str());
    return 2;
}
