// Entry point of the program.
#include <cstdio>
#include <cstdlib>
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

#ifdef OCV_HAVE_DESKTOP
#include "app/desktop/DesktopMain.h"
#endif

using namespace ocv;

#ifdef OCV_HAVE_DESKTOP
namespace {

bool Set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// A display the desktop program can open: X11, Wayland, or a Qt platform chosen explicitly.
bool DisplayAvailable() {
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

}  // namespace
#endif

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
#ifdef OCV_HAVE_DESKTOP
    const bool desktop = !options->headless && !options->addCamera && DisplayAvailable();
#else
    const bool desktop = false;
#endif
    // Headless, every log line of every camera is echoed to stderr: the service's own log stream.
    if (!desktop)
        CLogger::SetEcho([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });

    if (options->demo) {
#ifdef OCV_HAVE_DESKTOP
        if (desktop)
            return RunDemo(options->dir, ExecutablePath(), &CreateCameraSource,
                           [](const std::string& dir, const std::string& banner) {
                               DesktopOptions d;
                               d.programDir = dir;
                               d.banner = banner;
                               return RunDesktop(d, &CreateCameraSource);
                           });
#endif
        return RunDemo(options->dir, ExecutablePath(), &CreateCameraSource);
    }

    std::string dir = ResolveProgramDirectory(options->dir, ExecutablePath());
    if (dir.empty()) {
        std::fprintf(stderr, "ocuvane: no program directory could be made\n");
        return 1;
    }
    if (options->addCamera)
        return AddCameraCommand(dir, options->addType, options->addUrl, options->addName);
#ifdef OCV_HAVE_DESKTOP
    if (desktop) {
        DesktopOptions d;
        d.programDir = dir;
        d.settingsCamera = options->settingsCamera;
        return RunDesktop(d, &CreateCameraSource);
    }
    if (!options->headless)
        std::fprintf(stderr, "ocuvane: no display (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM); "
                             "running headless.\n");
#else
    if (options->settingsCamera > 0 || !options->headless) {
        // This build has no desktop shell; the cameras run headless.
        std::fprintf(stderr, "ocuvane: this build has no desktop shell; running headless.\n");
    }
#endif
    return RunHeadless(dir, &CreateCameraSource);
}
