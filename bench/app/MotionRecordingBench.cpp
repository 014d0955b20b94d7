// The motion side of a camera, measured on the real program against the simulator:
//  1. CPU of motion detection on a still 640x480 15 fps camera: the same camera with motion
//     capture on and off, one after the other in this run; the difference is the motion
//     thread's share of one core.
//  2. Memory of a motion-started recording (10 s at 10 fps of 640x480, 3 s before the event,
//     converted to Windows Media): the peak resident size while it runs, above the resident
//     size of the same program watching before the event.
//   motion_recording_bench [--seconds 30]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "BenchProcess.h"
#include "config/ConfigDocument.h"
#include "foundation/Logger.h"
#include "net/NicMgr.h"
#include "platform/Files.h"

using namespace ocv;
using namespace ocvbench;

namespace {

struct Run {
    std::string dir;
    pid_t sim = -1, app = -1;
    std::string Err() const { return Read(dir + "/app.err"); }
    ~Run() {
        if (app > 0) Stop(app);
        if (sim > 0) Stop(sim);
        if (!dir.empty()) RemoveDirectoryTree(dir);
    }
};

// One camera on a fresh simulator; `adjust` sets its modes.
void Start(Run& run, const std::vector<std::string>& simArgs,
           const std::function<void(CameraConfig&)>& adjust) {
    char tmpl[] = "/tmp/ocvbenchXXXXXX";
    run.dir = mkdtemp(tmpl);
    std::string port = StartCamSim(simArgs, run.dir, run.sim);
    CLogger quiet;
    ConfigDocument doc(run.dir);
    doc.system.debugMode = 0;
    CameraConfig cam = doc.NewCamera();
    cam.param.deviceInfo.deviceType = 5;
    cam.param.deviceInfo.deviceName = "http://127.0.0.1:" + port + "/";
    cam.param.deviceInfo.frameWidth = 640;
    cam.param.deviceInfo.frameHeight = 480;
    cam.param.vistrel.enableVistrel = 0;
    cam.conditions.autoCapture = 1;
    adjust(cam);
    doc.cameras.push_back(cam);
    doc.SaveConfiguration(quiet);
    run.app = Spawn({kBin + "/app/ocuvane", "--headless", "--dir", run.dir}, run.dir + "/app.out",
                    run.dir + "/app.err");
}

double CpuPercent(pid_t pid, int seconds) {
    double c0 = CpuSeconds(pid);
    auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return 100.0 * (CpuSeconds(pid) - c0) / wall;
}

enum class Watch { Connected, Served, ServedAndMotion };

// A still camera: only connected (its source decodes nothing), served by its web server to no
// one (every picture decoded), or served and watched for motion.
double StillCameraCpu(Watch watch, int seconds) {
    Run run;
    Start(run, {"--size", "640x480", "--fps", "15", "--still"}, [&](CameraConfig& c) {
        c.param.motion.enableMotionCapture = watch == Watch::ServedAndMotion;
        c.param.motion.motionCaptureEnableSound = 0;
        c.param.webServer.enable = watch != Watch::Connected;
        c.param.webServer.port = FreeLoopbackPort();
        c.param.webServer.nicIndex = AdapterPositionOf("127.0.0.1");
    });
    if (!WaitForText(run.dir + "/app.err", "との接続を確立", 20)) {
        std::fprintf(stderr, "camera did not connect:\n%s", run.Err().c_str());
        std::exit(1);
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    double cpu = CpuPercent(run.app, seconds);
    if (run.Err().find("動きを検知しました") != std::string::npos)
        std::fprintf(stderr, "unexpected motion on a still scene\n");
    return cpu;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 30;
    for (int i = 1; i + 1 < argc; i += 2)
        if (!std::strcmp(argv[i], "--seconds")) seconds = std::atoi(argv[i + 1]);

    double connected = StillCameraCpu(Watch::Connected, seconds);
    double served = StillCameraCpu(Watch::Served, seconds);
    double watched = StillCameraCpu(Watch::ServedAndMotion, seconds);
    std::printf("Still 640x480 camera at 15 fps, %d s each, CPU in %% of one core:\n", seconds);
    std::printf("  connected, nothing wanted:        %.2f\n", connected);
    std::printf("  web server on (every picture):    %.2f\n", served);
    std::printf("  web server and motion capture on: %.2f\n", watched);
    std::printf("  motion thread (third - second):   %.2f\n", watched - served);
    std::printf("  motion with its decoding (third - first): %.2f\n", watched - connected);

    Run run;
    Start(run, {"--size", "640x480", "--fps", "15", "--still", "--change-every", "8"},
          [&](CameraConfig& c) {
              auto& m = c.param.motion;
              m.enableMotionCapture = 1;
              m.motionCaptureEnableSound = 0;
              m.motionCaptureThreshold = 3.0f;
              m.enableRecording = 1;
              m.recordingStartTimeBefore = 3;
              m.enableLocal = 0;
              c.param.recording.recordingTime = 10;
              c.param.recording.frameRate = 10;
              c.param.recording.enableWMV = 1;
              c.param.recording.local.saveDirectoryName = run.dir;
          });
    // Settle, fill the pre-event ring, then reset the peak just before the shape jumps.
    if (!WaitForText(run.dir + "/app.err", "との接続を確立", 20)) {
        std::fprintf(stderr, "camera did not connect:\n%s", run.Err().c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(4));
    long idle = StatusKb(run.app, "VmRSS");
    std::ofstream(("/proc/" + std::to_string(run.app) + "/clear_refs").c_str()) << "5";
    if (!WaitForText(run.dir + "/app.err", "[Rec] Encod finished!", 60)) {
        std::fprintf(stderr, "no recording finished:\n%s", run.Err().c_str());
        return 1;
    }
    long peak = StatusKb(run.app, "VmHWM");
    std::printf("Motion-started recording, 10 s at 10 fps of 640x480, 3 s before, to WMV:\n");
    std::printf("  resident while watching: %.1f MB\n", idle / 1024.0);
    std::printf("  peak while recording:    %.1f MB (+%.1f MB; the raw frames would be %.1f MB)\n",
                peak / 1024.0, (peak - idle) / 1024.0, 130 * 640.0 * 480 * 3 / 1048576.0);
    return 0;
}
