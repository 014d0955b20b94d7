#include "app/Headless.h"

#include <cstdio>

#include "app/Host.h"
#include "app/SignalWaiter.h"
#include "config/XmlMeta.h"
#include "platform/Dispatcher.h"
#include "platform/Files.h"

namespace ocv {

int RunHeadless(const std::string& programDir, const SourceFactory& factory,
                const std::string& banner) {
    ThreadDispatcher dispatcher;
    SignalWaiter signals(dispatcher);  // before any worker thread exists
    Host host(programDir, dispatcher, factory);
    if (!host.Load()) {
        std::fprintf(stderr, "ocuvane: %s cannot be read; nothing was changed.\n",
                     host.Document().Path().c_str());
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
    host.CreateControllers();
    // Connecting waits for each camera's first picture; a signal meanwhile skips the rest.
    host.ConnectAndStart([&dispatcher] { return dispatcher.QuitRequested(); });
    signals.On(SIGUSR2, [&host] {
        for (auto& ctrl : host.Controllers())
            if (ctrl->State() & STATE_CONNECTED) ctrl->TakeSnapshot();
    });
    // SIGHUP: stop every camera, read ocv.xml again and start what it holds. A document that
    // cannot be read leaves the running cameras and their configuration as they were.
    signals.On(SIGHUP, [&host, &dispatcher] {
        ConfigDocument& doc = host.Document();
        CLogger& log = host.MainLog();
        auto dom = LoadXmlFile(doc.Path(), &log);
        if (!dom) {
            log.Error("Reload refused: %s cannot be read; the running configuration stays.",
                      doc.Path().c_str());
            return;
        }
        host.StopAll(3);
        host.DestroyControllers();
        // Read in place without the start-up's log deletion.
        doc.system = MakeDefaultSystemInfo(doc.ProgramDir());
        doc.cameras.clear();
        doc.ReadDocument(*dom, log);
        host.CreateControllers();
        host.ConnectAndStart([&dispatcher] { return dispatcher.QuitRequested(); });
        log.Info("Configuration reloaded: %zu camera(s) from %s", host.Document().cameras.size(),
                 host.Document().Path().c_str());
    });
    if (!banner.empty()) std::fputs(banner.c_str(), stderr);
    dispatcher.Run();
    signals.On(SIGUSR2, {});
    signals.On(SIGHUP, {});

    host.MainLog().Info("Signal %d received: stopping every camera.", signals.Received());
    host.StopAll(3);
    bool saved = host.Save();
    host.DestroyControllers();
    host.MainLog().Info(saved ? "Configuration saved. Ocuvane stopped."
                              : "Configuration could not be saved. Ocuvane stopped.");
    return saved ? 0 : 1;
}

int AddCameraCommand(const std::string& programDir, int32_t type, const std::string& url,
                     const std::string& name) {
    ThreadDispatcher dispatcher;
    Host host(programDir, dispatcher, {});
    if (!host.Load()) {
        std::fprintf(stderr, "ocuvane: %s cannot be read; the camera was not added.\n",
                     host.Document().Path().c_str());
        return 1;
    }
    CameraConfig& cam = host.AddCamera(type, url, name);
    if (!host.Save()) {
        std::fprintf(stderr, "ocuvane: %s could not be written.\n", host.Document().Path().c_str());
        return 1;
    }
    std::printf("Camera %zu \"%s\" (device type %d, %s) added to %s\n",
                host.Document().cameras.size(), cam.param.name.c_str(), type, url.c_str(),
                host.Document().Path().c_str());
    return 0;
}

}  // namespace ocv
