// CPU of the headless program holding N cameras connected to ocv-camsim (640x480, 15 fps):
// with interval capture every 10 s, and one camera with every mode off. Prints the figures.
//   headless_cpu_bench [--cameras 16] [--seconds 60] [--only busy|idle] [--base PROGRAM]
//                      [--rounds 1] [--hold]
// --base measures another build of the program in the same run: each round runs the base and
// then this build, and the ratios of the two are printed. --hold prints the program's process
// id when the measured span starts (for perf or strace to attach).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchProcess.h"
#include "config/ConfigDocument.h"
#include "foundation/Logger.h"
#include "platform/Files.h"

using namespace ocv;
using namespace ocvbench;

namespace {

struct Figures {
    double appPercent;
    double simPercent;
    int connected;
    size_t pictures;
};

bool gHold = false;

Figures Measure(const std::string& program, int cameras, bool intervalCapture, int seconds) {
    char tmpl[] = "/tmp/ocvbenchXXXXXX";
    std::string dir = mkdtemp(tmpl);
    std::string pictures = JoinPath(dir, "pictures");
    CreateDirectoryOne(pictures);
    pid_t sim;
    std::string port = StartCamSim({"--size", "640x480", "--fps", "15"}, dir, sim);
    CLogger quiet;
    ConfigDocument doc(dir);
    doc.system.debugMode = 0;
    for (int i = 0; i < cameras; ++i) {
        CameraConfig cam = doc.NewCamera();
        cam.param.name = "cam" + std::to_string(i + 1);
        cam.param.deviceInfo.deviceType = 5;
        cam.param.deviceInfo.deviceName = "http://127.0.0.1:" + port + "/";
        cam.param.deviceInfo.frameWidth = 640;
        cam.param.deviceInfo.frameHeight = 480;
        cam.param.vistrel.enableVistrel = intervalCapture ? 1 : 0;
        cam.param.vistrel.vistrelTimer = 10000;
        cam.param.vistrel.local.saveDirectoryName = pictures;
        cam.param.vistrel.local.image.imageFilename = cam.param.name + "_";
        cam.conditions.autoCapture = intervalCapture ? 1 : 0;
        doc.cameras.push_back(cam);
    }
    doc.SaveConfiguration(quiet);
    pid_t app = Spawn({program, "--headless", "--dir", dir}, dir + "/app.out", dir + "/app.err");
    std::this_thread::sleep_for(std::chrono::seconds(5));  // connections settle
    if (gHold) {
        std::printf("measuring pid %d for %d s\n", static_cast<int>(app), seconds);
        std::fflush(stdout);
    }
    double a0 = RunSeconds(app), s0 = RunSeconds(sim);
    auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double a1 = RunSeconds(app), s1 = RunSeconds(sim);
    std::string err = Read(dir + "/app.err");
    int connected = 0;
    for (size_t p = err.find("との接続を確立"); p != std::string::npos;
         p = err.find("との接続を確立", p + 1))
        ++connected;
    size_t count = 0;
    for (auto& e : std::filesystem::directory_iterator(pictures)) (void)e, ++count;
    Stop(app);
    Stop(sim);
    RemoveDirectoryTree(dir);
    return {100.0 * (a1 - a0) / wall, 100.0 * (s1 - s0) / wall, connected, count};
}

void Print(const char* what, const Figures& busy, const Figures& idle, int cameras, int seconds,
           bool doBusy, bool doIdle) {
    if (doBusy) {
        std::printf("%s: %d cameras, 640x480 at 15 fps, interval capture every 10 s, %d s:\n", what,
                    cameras, seconds);
        std::printf(
            "  ocuvane CPU: %.2f %% of one core (%.3f %% per camera), %d connected, %zu "
            "pictures\n",
            busy.appPercent, busy.appPercent / cameras, busy.connected, busy.pictures);
        std::printf("  (simulator, not counted: %.2f %%)\n", busy.simPercent);
    }
    if (doIdle) {
        std::printf("%s: 1 camera connected, every mode off, %d s:\n", what, seconds);
        std::printf("  ocuvane CPU: %.3f %% of one core, %d connected\n", idle.appPercent,
                    idle.connected);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int cameras = 16, seconds = 60, rounds = 1;
    std::string only, base;
    for (int i = 1; i < argc; ++i) {
        bool more = i + 1 < argc;
        if (!std::strcmp(argv[i], "--hold")) gHold = true;
        else if (more && !std::strcmp(argv[i], "--cameras")) cameras = std::atoi(argv[++i]);
        else if (more && !std::strcmp(argv[i], "--seconds")) seconds = std::atoi(argv[++i]);
        else if (more && !std::strcmp(argv[i], "--rounds")) rounds = std::atoi(argv[++i]);
        else if (more && !std::strcmp(argv[i], "--only")) only = argv[++i];
        else if (more && !std::strcmp(argv[i], "--base")) base = argv[++i];
    }
    bool doBusy = only != "idle", doIdle = only != "busy";
    const std::string program = kBin + "/app/ocuvane";
    for (int round = 1; round <= rounds; ++round) {
        Figures baseBusy{}, baseIdle{}, busy{}, idle{};
        if (!base.empty()) {
            if (doBusy) baseBusy = Measure(base, cameras, true, seconds);
            if (doIdle) baseIdle = Measure(base, 1, false, seconds);
            Print("base", baseBusy, baseIdle, cameras, seconds, doBusy, doIdle);
        }
        if (doBusy) busy = Measure(program, cameras, true, seconds);
        if (doIdle) idle = Measure(program, 1, false, seconds);
        Print(base.empty() ? "this build" : "new", busy, idle, cameras, seconds, doBusy, doIdle);
        if (!base.empty()) {
            auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
            std::printf("round %d, new / base CPU:", round);
            if (doBusy) std::printf(" %d cameras %.2f", cameras, ratio(busy.appPercent, baseBusy.appPercent));
            if (doIdle) std::printf(" idle camera %.2f", ratio(idle.appPercent, baseIdle.appPercent));
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    return 0;
}
