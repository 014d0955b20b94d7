#include "app/desktop/DesktopMain.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "app/desktop/AppIcon.h"
#include "app/desktop/CaptureSettingMode.h"
#include "app/desktop/MainFrame.h"
#include "app/desktop/SingleInstance.h"
#include "app/desktop/Splash.h"
#include "app/desktop/TrayMenu.h"

namespace ocv {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnQuitSignal(int sig) {
    unsigned char b = static_cast<unsigned char>(sig);
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &b, 1);
}

// SIGINT and SIGTERM end the program as "E&xit" does: the event loop ends and the shut-down
// follows.
std::unique_ptr<QSocketNotifier> WatchQuitSignals() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    auto notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
        unsigned char b = 0;
        while (::read(g_signalPipe[0], &b, 1) == 1) {
        }
        QCoreApplication::exit(0);
    });
    struct sigaction sa {};
    sa.sa_handler = OnQuitSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    return notifier;
}

}  // namespace

int RunDesktop(const DesktopOptions& options, const SourceFactory& factory) {
    SingleInstance instance;
    std::string why;
    if (!instance.Acquire("ocuvane", &why)) {
        // Another copy runs: nothing visible happens.
        if (!why.empty()) std::fprintf(stderr, "ocuvane: no instance lock: %s\n", why.c_str());
        return 0;
    }
    static int argc = 1;
    static char name[] = "ocuvane";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setApplicationVersion(OCV_VERSION);
    QApplication::setWindowIcon(ApplicationIcon());
    // The program lives in the tray: closing the last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    if (options.settingsCamera > 0) return RunCaptureSettingMode(options.programDir, options.settingsCamera);

    auto quitWatch = WatchQuitSignals();
    CSplashWnd splash(QStringLiteral(OCV_VERSION));
    splash.ShowCentred();
    std::unique_ptr<CMainFrame> mainFrame;
    int failed = 0;
    QTimer::singleShot(options.splashMs, [&] {
        mainFrame = std::make_unique<CMainFrame>(options.programDir, factory);
        // The end of the session saves and closes as "E&xit" does.
        QObject::connect(&app, &QGuiApplication::commitDataRequest, mainFrame.get(),
                         [&mainFrame] { mainFrame->Exit(); });
        splash.close();
        if (!mainFrame->Start()) {
            failed = 1;
            QCoreApplication::exit(1);
            return;
        }
        if (!options.banner.empty()) std::fputs(options.banner.c_str(), stderr);
    });
    int code = app.exec();
    // "E&xit", a signal or the end of the session: save, stop every camera, remove the icon.
    if (mainFrame && !mainFrame->Exited()) mainFrame->Exit();
    mainFrame.reset();
    return failed ? 1 : code;
}

}  // namespace ocv
