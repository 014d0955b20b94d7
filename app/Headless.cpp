#include "app/Headless.h"

#include <cstdio>

#include "app/Host.h"
#include "app/SignalWaiter.h"
#include "controller/DefaultResources.h"
#include "foundation/UrlMask.h"
#include "sources/CameraUrl.h"
#include "platform/Dispatcher.h"
#include "platform/Files.h"
#include "platform/ServiceNotify.h"

namespace ocv {
namespace {

// "path: reason" of a failed load; the path alone when the document gave no reason.
std::string ReadFailure(Host& host) {
    const std::string& why = host.Document().LastError();
    return why.empty() ? host.Document().Path() : why;
}

// The step, path and reason of a failed save.
std::string SaveFailure(Host& host) {
    const std::string& why = host.Document().LastError();
    return why.empty() ? "the document could not be built" : why;
}

constexpr int kWatchdogTimer = -1;  // controllers number their timers from 1000 up

std::string ReadyStatus(Host& host) {
    return "READY=1\nSTATUS=" + std::to_string(host.Document().cameras.size()) +
           " camera(s) from " + host.Document().Path();
}

}  // namespace

int RunHeadless(const std::string& programDir, const SourceFactory& factory,
                const std::string& banner) {
    ThreadDispatcher dispatcher;
    SignalWaiter signals(dispatcher);  // before any worker thread exists
    Host host(programDir, dispatcher, factory);
    if (!host.Load()) {
        std::fprintf(stderr, "ocuvane: %s cannot be read; nothing was changed.\n",
                     ReadFailure(host).c_str());
        return 1;
    }
    if (host.Document().cameras.empty()) {
        std::fprintf(stderr,
                     "ocuvane: no camera is configured in %s\n"
                     "Add one with: ocuvane --dir %s --add-camera TYPE URL [--name NAME]\n",
                     host.Document().Path().c_str(), programDir.c_str());
        return 2;
    }
    host.MainLog().Info("Ocuvane started (headless), %zu camera(s), configuration %s",
                        host.Document().cameras.size(), host.Document().Path().c_str());
    // New camera records point at the default alarm and profile in the program directory.
    for (const std::string& path : InstallDefaultResources(programDir))
        host.MainLog().Warning("%s could not be written.", path.c_str());
    host.CreateControllers();
    // Every camera connects on its own thread; the results arrive in the loop below, and a
    // signal ends the connects still waiting.
    host.ConnectAndStart([&dispatcher] { return dispatcher.QuitRequested(); });
    host.StartMailCommandCheckerAfterConnects();
    signals.On(SIGUSR2, [&host] {
        for (auto& ctrl : host.Controllers())
            if (ctrl->State() & STATE_CONNECTED) ctrl->TakeSnapshot();
    });
    signals.On(SIGUSR1, [&host] {
        for (auto& ctrl : host.Controllers())
            if (ctrl->State() & STATE_CONNECTED) ctrl->StartRecording();
    });
    // SIGHUP: stop every camera, read ocv.xml again and start what it holds. A document that
    // cannot be read leaves the running cameras and their configuration as they were.
    signals.On(SIGHUP, [&host, &dispatcher] {
        NotifyService("RELOADING=1");
        std::string error;
        if (host.Reload(error, [&dispatcher] { return dispatcher.QuitRequested(); })) {
            host.MainLog().Info("Configuration reloaded: %zu camera(s) from %s",
                                host.Document().cameras.size(), host.Document().Path().c_str());
        } else {
            host.MainLog().Error("Reload refused: %s cannot be read; the running configuration stays.",
                                 error.c_str());
        }
        NotifyService(ReadyStatus(host));
    });
    // A service manager learns that the cameras were started (each one connects on its own)
    // and, when it asks for one, gets a watchdog beat from the owner thread's loop.
    NotifyService(ReadyStatus(host));
    if (unsigned beat = ServiceWatchdogIntervalMs())
        dispatcher.StartTimer(kWatchdogTimer, beat, [] { NotifyService("WATCHDOG=1"); });
    if (!banner.empty()) std::fputs(banner.c_str(), stderr);
    dispatcher.Run();
    signals.On(SIGUSR2, {});
    signals.On(SIGUSR1, {});
    signals.On(SIGHUP, {});

    NotifyService("STOPPING=1");
    host.MainLog().Info("Signal %d received: stopping every camera.", signals.Received());
    host.StopMailCommandChecker();
    host.StopAll(3);
    bool saved = host.Save();
    host.DestroyControllers();
    if (saved) {
        host.MainLog().Info("Configuration saved. Ocuvane stopped.");
    } else {
        host.MainLog().Error("Configuration could not be saved (%s). Ocuvane stopped.",
                             SaveFailure(host).c_str());
    }
    return saved ? 0 : 1;
}

int AddCameraCommand(const std::string& programDir, int32_t type, const std::string& url,
                     const std::string& name) {
    // An address the camera type cannot use would only fail at every start.
    std::string why;
    if (!CheckCameraAddress(type, url, why)) {
        std::fprintf(stderr, "ocuvane: --add-camera %d refused: %s; nothing was added.\n", type,
                     why.c_str());
        return 1;
    }
    ThreadDispatcher dispatcher;
    Host host(programDir, dispatcher, {});
    if (!host.Load()) {
        std::fprintf(stderr, "ocuvane: %s cannot be read; the camera was not added.\n",
                     ReadFailure(host).c_str());
        return 1;
    }
    CameraConfig& cam = host.AddCamera(type, url, name);
    if (!host.Save()) {
        std::fprintf(stderr, "ocuvane: %s could not be written (%s).\n",
                     host.Document().Path().c_str(), SaveFailure(host).c_str());
        return 1;
    }
    std::printf("Camera %zu \"%s\" (device type %d, %s) added to %s\n",
                host.Document().cameras.size(), cam.param.name.c_str(), type,
                type == DEVICE_LOCAL_CAPTURE && url.empty() ? "the first capture device"
                                                            : MaskUrlPassword(url).c_str(),
                host.Document().Path().c_str());
    return 0;
}

}  // namespace ocv
