// Takes the camera-window pictures of the documentation on an X server (run it under Xvfb):
// one window with the live picture of ocv-camsim while it monitors, one whose camera does not
// answer; with a second path also the whole screen with the first panel in desktop mode.
//   capwnd_screenshots OUTPUT_DIR [DESKTOP_PNG]
#include <cstdio>
#include <string>

#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>

#include "app/desktop/CapDialog.h"
#include "bench/app/BenchProcess.h"
#include "bench/app/QtLoopDispatcher.h"
#include "controller/OcvCtrl.h"
#include "platform/Files.h"
#include "sources/SourceFactory.h"

using namespace ocv;

namespace {

struct Forward : IControllerHost {
    CCapDialog* dialog = nullptr;
    void OnStateChanged(COcvCtrl&, uint32_t flags) override {
        if (dialog) dialog->OnStateChanged(flags);
    }
    bool ConfirmForcedStop(COcvCtrl&) override { return true; }
    int RunConnectWizard(COcvCtrl&) override { return 0; }
};

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: capwnd_screenshots OUTPUT_DIR\n");
        return 2;
    }
    const std::string out = argv[1];
    char tmpl[] = "/tmp/ocvshotsXXXXXX";
    std::string dir = mkdtemp(tmpl);
    pid_t sim;
    std::string port = ocvbench::StartCamSim({"--size", "640x480", "--fps", "15"}, dir, sim);
    if (port.empty()) return 1;
    int qargc = 1;
    QApplication app(qargc, argv);
    ocvbench::QtLoopDispatcher dispatcher;
    SystemInfo system = MakeDefaultSystemInfo(dir);
    system.logFilePath = dir;

    struct Camera {
        const char* name;
        std::string url;
        QPoint at;
        Forward host;
        std::unique_ptr<COcvCtrl> ctrl;
        ConditionSetting conditions;
        std::unique_ptr<CCapDialog> window;
    } cams[2] = {{"Entrance", "http://127.0.0.1:" + port + "/", {40, 40}, {}, {}, {}, {}},
                 {"Garage",
                  "http://127.0.0.1:" + std::to_string(ocvbench::FreeLoopbackPort()) + "/",
                  {400, 40},
                  {},
                  {},
                  {},
                  {}}};
    int done = 0;
    for (Camera& c : cams) {
        c.ctrl = std::make_unique<COcvCtrl>(dispatcher, &CreateCameraSource, dir, &c.host);
        c.ctrl->Create();
        c.ctrl->Log().SetMessageBox(0);  // the failed connect of the second camera is logged only
        OcvParam p = c.ctrl->Param();
        p.name = c.name;
        p.deviceInfo.deviceType = 5;
        p.deviceInfo.deviceName = c.url;
        p.vistrel.enableVistrel = 1;
        p.vistrel.vistrelTimer = 600000;
        p.vistrel.local.saveDirectoryName = dir;
        c.ctrl->SetParam(p);
        c.conditions.show = 1;
        c.conditions.left = c.at.x();
        c.conditions.top = c.at.y();
        c.conditions.right = c.at.x() + 320;
        c.conditions.bottom = c.at.y() + 300;
        c.window = std::make_unique<CCapDialog>(*c.ctrl, c.conditions, system);
        c.host.dialog = c.window.get();
        c.window->PlaceFromConditions();
        c.ctrl->ConnectCameraAsync([&done](int) { ++done; });
    }
    for (int i = 0; i < 200 && done < 2; ++i) Wait(100);
    if (cams[0].ctrl->State() & STATE_CONNECTED) cams[0].ctrl->StartCapture();
    Wait(4000);  // past the first capture's status message: the caption shows
    const char* files[2] = {"camera-window.png", "camera-window-nosignal.png"};
    int status = 0;
    for (int i = 0; i < 2; ++i) {
        QRect g = cams[i].window->frameGeometry();
        QPixmap shot = cams[i].window->screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height());
        std::string path = JoinPath(out, files[i]);
        if (!shot.save(QString::fromStdString(path))) status = 1;
        std::printf("%s %dx%d\n", path.c_str(), shot.width(), shot.height());
    }
    if (argc > 2) {
        QWidget* desk = cams[0].window->Button("Desk");
        QMetaObject::invokeMethod(desk, "click");
        Wait(1500);
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen->grabWindow(0).save(QString::fromLocal8Bit(argv[2]))) status = 1;
    }
    for (Camera& c : cams) {
        c.ctrl->StopThreads(3, false);
        c.host.dialog = nullptr;
        c.window.reset();
        c.ctrl.reset();
    }
    ocvbench::Stop(sim);
    RemoveDirectoryTree(dir);
    return status;
}
