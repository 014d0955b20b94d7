// Entry point of the program.
#include <cstdio>
#include <string>
#include <vector>

#include "app/ConfigCommand.h"
#include "app/Demo.h"
#include "app/Headless.h"
#include "app/Options.h"
#include "app/ProgramDir.h"
#include "foundation/Logger.h"
#include "sources/CaptureDevice.h"
#include "sources/SourceFactory.h"

using namespace ocv;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = ParseOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "ocuvane: %s\n\n%s", error.c_str(), UsageText().c_str());
        return 64;
    }
    if (options->help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("ocuvane %s\n", OCV_VERSION);
        return 0;
    }
    if (options->listDevices) {
        std::fputs(DescribeCaptureDevices(*V4l2CaptureSystem()).c_str(), stdout);
        return 0;
    }
    if (!options->getPaths.empty() || !options->sets.empty() || options->showConfig) {
        std::string dir = ResolveProgramDirectory(options->dir, ExecutablePath());
        if (dir.empty()) {
            std::fprintf(stderr, "ocuvane: no program directory could be made\n");
            return 1;
        }
        if (!options->sets.empty()) return SetSettingsCommand(dir, options->sets);
        if (!options->getPaths.empty()) return GetSettingsCommand(dir, options->getPaths);
        return ShowConfigCommand(dir);
    }
    // Every log line of every camera is echoed to stderr: the service's own log stream.
    CLogger::SetEcho([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });

    if (options->demo) return RunDemo(options->dir, ExecutablePath(), &CreateCameraSource);

    std::string dir = ResolveProgramDirectory(options->dir, ExecutablePath());
    if (dir.empty()) {
        std::fprintf(stderr, "ocuvane: no program directory could be made\n");
        return 1;
    }
    if (options->addCamera)
        return AddCameraCommand(dir, options->addType, options->addUrl, options->addName);
    if (options->settingsCamera > 0 || !options->headless) {
        // This build has no desktop shell; the cameras run headless.
        std::fprintf(stderr, "ocuvane: this build has no desktop shell; running headless.\n");
    }
    return RunHeadless(dir, &CreateCameraSource);
}
