// CPU of the camera windows: N cameras on ocv-camsim (640x480, 15 fps) held by controllers in
// this process, measured three ways in one run: controllers only; controllers whose views listen
// (every picture decoded, nothing painted); and one camera window per camera shown on the X
// server. Prints process and GUI-thread CPU of each and what the windows add.
//   desktop_cpu_bench [--cameras 16] [--seconds 20]
// Without DISPLAY it starts its own Xvfb.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "BenchProcess.h"
#include "QtLoopDispatcher.h"
#include "app/desktop/BaseWnd.h"
#include "app/desktop/CapDialog.h"
#include "controller/OcvCtrl.h"
#include "platform/Files.h"
#include "sources/SourceFactory.h"

using namespace ocv;
using namespace ocvbench;

namespace {

void RunLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// CPU seconds of every thread of this process, by thread id, with the thread's name.
std::map<pid_t, std::pair<std::string, double>> ThreadTimes() {
    std::map<pid_t, std::pair<std::string, double>> out;
    const pid_t self = getpid();
    for (auto& e : std::filesystem::directory_iterator("/proc/self/task")) {
        pid_t tid = std::atoi(e.path().filename().c_str());
        std::string comm = Read(e.path().string() + "/comm");
        if (!comm.empty() && comm.back() == '\n') comm.pop_back();
        out[tid] = {comm, ThreadCpuSeconds(self, tid)};
    }
    return out;
}

// Per thread name: percent of one core between two readings.
std::map<std::string, double> ByName(const std::map<pid_t, std::pair<std::string, double>>& a,
                                     const std::map<pid_t, std::pair<std::string, double>>& b,
                                     double wall) {
    std::map<std::string, double> out;
    for (auto& [tid, v] : b) {
        auto it = a.find(tid);
        double before = it == a.end() ? 0 : it->second.second;
        out[tid == getpid() ? "GUI" : v.first] += 100 * (v.second - before) / wall;
    }
    return out;
}

struct Figures {
    double process, gui, xserver;
    std::map<std::string, double> threads;
};

Figures Measure(int seconds, pid_t xvfb) {
    const pid_t self = getpid();
    double p0 = CpuSeconds(self), g0 = ThreadCpuSeconds(self, self);
    double x0 = xvfb > 0 ? CpuSeconds(xvfb) : 0;
    auto th0 = ThreadTimes();
    auto t0 = std::chrono::steady_clock::now();
    RunLoopFor(seconds * 1000);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double p1 = CpuSeconds(self), g1 = ThreadCpuSeconds(self, self);
    double x1 = xvfb > 0 ? CpuSeconds(xvfb) : 0;
    return {100 * (p1 - p0) / wall, 100 * (g1 - g0) / wall, 100 * (x1 - x0) / wall,
            ByName(th0, ThreadTimes(), wall)};
}

pid_t StartXvfb(const std::string& dir) {
    for (int display = 91; display < 200; ++display) {
        char name[16];
        std::snprintf(name, sizeof name, ":%d", display);
        // A display in use, or one whose server died without cleaning up, is skipped.
        if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display)) ||
            std::filesystem::exists("/tmp/.X" + std::to_string(display) + "-lock"))
            continue;
        pid_t pid =
            Spawn({"/usr/bin/Xvfb", name, "-screen", "0", "1920x1280x24", "-nolisten", "tcp"},
                  dir + "/xvfb.out", dir + "/xvfb.err");
        for (int i = 0; i < 50; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) {
                setenv("DISPLAY", name, 1);
                return pid;
            }
        }
        Stop(pid);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    int cameras = 16, seconds = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--cameras")) cameras = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--seconds")) seconds = std::atoi(argv[i + 1]);
    }
    char tmpl[] = "/tmp/ocvdeskbenchXXXXXX";
    std::string dir = mkdtemp(tmpl);
    pid_t xvfb = -1;
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        xvfb = StartXvfb(dir);
        if (xvfb < 0) {
            std::fprintf(stderr, "Xvfb did not start\n");
            return 1;
        }
    }
    pid_t sim;
    std::string port = StartCamSim({"--size", "640x480", "--fps", "15"}, dir, sim);
    if (port.empty()) {
        std::fprintf(stderr, "ocv-camsim did not start\n");
        return 1;
    }
    int qargc = 1;
    QApplication app(qargc, argv);
    QtLoopDispatcher dispatcher;
    SystemInfo system = MakeDefaultSystemInfo(dir);
    system.debugMode = 0;
    std::vector<std::unique_ptr<COcvCtrl>> ctrls;
    std::vector<ConditionSetting> conditions(cameras);
    int connected = 0;
    for (int i = 0; i < cameras; ++i) {
        auto ctrl = std::make_unique<COcvCtrl>(dispatcher, &CreateCameraSource, dir);
        ctrl->Log().SetPath(JoinPath(dir, "log.txt"));
        ctrl->Create();
        OcvParam p = ctrl->Param();
        p.name = "cam" + std::to_string(i + 1);
        p.deviceInfo.deviceType = 5;
        p.deviceInfo.deviceName = "http://127.0.0.1:" + port + "/";
        p.deviceInfo.frameWidth = 640;
        p.deviceInfo.frameHeight = 480;
        ctrl->SetParam(p);
        ctrl->ConnectCameraAsync([&connected](int r) { connected += r > 0; });
        ctrls.push_back(std::move(ctrl));
    }
    for (int i = 0; i < 300 && connected < cameras; ++i) RunLoopFor(100);
    RunLoopFor(3000);  // connections settle
    Figures bare = Measure(seconds, xvfb);

    // The pictures decoded as for a window, but nobody paints them.
    for (auto& c : ctrls) c->SetFrameListener([] {});
    RunLoopFor(2000);
    Figures listening = Measure(seconds, xvfb);
    for (auto& c : ctrls) c->SetFrameListener({});

    std::vector<std::unique_ptr<CCapDialog>> windows;
    for (int i = 0; i < cameras; ++i) {
        ConditionSetting& c = conditions[i];
        c.show = 1;
        c.left = 10 + (i % 6) * 310;
        c.top = 10 + (i / 6) * 310;
        c.right = c.left + 300;
        c.bottom = c.top + 300;
        auto w = std::make_unique<CCapDialog>(*ctrls[i], c, system);
        w->PlaceFromConditions();
        w->OnStateChanged(ctrls[i]->State());
        windows.push_back(std::move(w));
    }
    RunLoopFor(3000);
    int paints0 = 0;
    for (auto& w : windows) paints0 += w->Panel()->PaintCount();
    Figures shown = Measure(seconds, xvfb);
    int paints1 = 0;
    for (auto& w : windows) paints1 += w->Panel()->PaintCount();

    std::printf("%d cameras (%d connected), 640x480 at 15 fps, %d s per phase:\n", cameras,
                connected, seconds);
    auto line = [&](const char* what, const Figures& f) {
        std::printf("  %-38s process %6.2f %%  GUI thread %6.2f %%", what, f.process, f.gui);
        if (xvfb > 0) std::printf("  (Xvfb %.2f %%)", f.xserver);
        std::printf("\n   ");
        for (auto& [name, pct] : f.threads)
            if (pct >= 0.05) std::printf(" %s %.2f", name.c_str(), pct);
        std::printf("\n");
    };
    line("controllers only, no windows:", bare);
    line("views listening, nothing painted:", listening);
    line("16 camera windows shown:", shown);
    std::printf("  paints: %.1f per second (%.1f per window)\n",
                (paints1 - paints0) / static_cast<double>(seconds),
                (paints1 - paints0) / static_cast<double>(seconds) / cameras);
    std::printf("  windows add %.2f %% of one core to the process (%.2f %% in the GUI thread);\n",
                shown.process - bare.process, shown.gui - bare.gui);
    std::printf("  of that, decoding every picture is %.2f %% and painting %.2f %%\n",
                listening.process - bare.process, shown.process - listening.process);

    windows.clear();
    for (auto& c : ctrls) c->StopThreads(3, false);
    ctrls.clear();
    Stop(sim);
    if (xvfb > 0) Stop(xvfb);
    RemoveDirectoryTree(dir);
    return 0;
}
