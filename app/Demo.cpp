#include "app/Demo.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/Headless.h"
#include "app/Host.h"
#include "net/NicMgr.h"
#include "platform/Dispatcher.h"
#include "platform/Files.h"

namespace ocv {
namespace {

// The simulator as a child process; stopped when this object goes away.
class Simulator {
public:
    bool Start(const std::string& path) {
        int out[2];
        if (::pipe(out) != 0) return false;
        pid_t pid = ::fork();
        if (pid < 0) return false;
        if (pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            ::execl(path.c_str(), path.c_str(), "--port", "0", "--size", "640x480", "--fps", "10",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        pid_ = pid;
        ::close(out[1]);
        // The simulator prints "ocv-camsim listening on 127.0.0.1:PORT" once it listens.
        FILE* f = ::fdopen(out[0], "r");
        char line[256] = {};
        bool got = f && std::fgets(line, sizeof line, f);
        if (f) std::fclose(f);
        const char* colon = got ? std::strrchr(line, ':') : nullptr;
        port_ = colon ? std::atoi(colon + 1) : 0;
        return port_ > 0;
    }
    ~Simulator() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    int Port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 that nothing listens on at the moment (the kernel's choice).
int FreeLoopbackPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 8080;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 8080;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

}  // namespace

std::string FindCameraSimulator(const std::string& exePath) {
    namespace fs = std::filesystem;
    std::string exeDir = fs::path(exePath).parent_path().string();
    for (const std::string& candidate :
         {JoinPath(exeDir, "ocv-camsim"), JoinPath(exeDir, "../tools/ocv-camsim")}) {
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    if (const char* path = std::getenv("PATH")) {
        std::string p = path;
        size_t start = 0;
        while (start <= p.size()) {
            size_t end = p.find(':', start);
            std::string dir = p.substr(start, end == std::string::npos ? end : end - start);
            std::string candidate = JoinPath(dir.empty() ? "." : dir, "ocv-camsim");
            if (::access(candidate.c_str(), X_OK) == 0) return candidate;
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    return {};
}

int RunDemo(const std::string& dirOption, const std::string& exePath,
            const SourceFactory& factory, const DemoRunner& runner) {
    std::string simPath = FindCameraSimulator(exePath);
    if (simPath.empty()) {
        std::fprintf(stderr,
                     "ocuvane: the camera simulator ocv-camsim was not found next to %s "
                     "or on PATH\n",
                     exePath.c_str());
        return 1;
    }
    // The signals are blocked before the simulator and any thread start, so Ctrl-C reaches the
    // headless runner (the simulator is stopped by the destructor below).
    Simulator sim;
    if (!sim.Start(simPath)) {
        std::fprintf(stderr, "ocuvane: the camera simulator %s did not start\n", simPath.c_str());
        return 1;
    }
    std::string dir = dirOption;
    if (dir.empty()) {
        std::string tmpl = JoinPath(TempDirectory(), "ocuvane-demo-XXXXXX");
        if (!::mkdtemp(tmpl.data())) {
            std::fprintf(stderr, "ocuvane: no demo directory could be made\n");
            return 1;
        }
        dir = tmpl;
    } else {
        std::filesystem::create_directories(dir);
    }
    std::string pictures = JoinPath(dir, "pictures");
    CreateDirectoryOne(pictures);

    std::string url = "http://127.0.0.1:" + std::to_string(sim.Port()) + "/";
    const int webPort = FreeLoopbackPort();
    {
        ThreadDispatcher d;
        Host host(dir, d, {});
        host.Document().cameras.clear();
        CameraConfig& cam = host.AddCamera(5, url, "Demo camera");
        cam.param.deviceInfo.frameWidth = 640;
        cam.param.deviceInfo.frameHeight = 480;
        cam.conditions.autoCapture = 1;
        cam.param.vistrel.enableVistrel = 1;
        cam.param.vistrel.vistrelTimer = 10000;
        cam.param.vistrel.enableLocal = 1;
        cam.param.vistrel.local.saveDirectoryName = pictures;
        cam.param.vistrel.local.image.enableAddNameDate = 1;
        cam.param.vistrel.local.image.enableAddNameTime = 1;
        cam.param.webServer.enable = 1;
        // The loopback adapter, found by its address: the demo answers only on this machine.
        int loopback = AdapterPositionOf("127.0.0.1");
        if (loopback < 0) {
            std::fprintf(stderr, "ocuvane: this machine has no loopback address 127.0.0.1\n");
            return 1;
        }
        cam.param.webServer.nicIndex = loopback;
        cam.param.webServer.port = webPort;
        if (!host.Save()) {
            std::fprintf(stderr,
                         "ocuvane: the demo configuration could not be written in %s (%s)\n",
                         dir.c_str(), host.Document().LastError().c_str());
            return 1;
        }
    }
    std::string banner =
        "\nOcuvane demo\n"
        "  simulated camera : " +
        url +
        "axis-cgi/mjpg/video.cgi (device type 5)\n"
        "  configuration    : " +
        JoinPath(dir, "ocv.xml") +
        "\n"
        "  pictures         : " +
        pictures +
        " (one every 10 seconds)\n"
        "  live view        : http://127.0.0.1:" +
        std::to_string(webPort) +
        "/ (browser)\n"
        "  log              : " +
        JoinPath(dir, "log.txt") +
        "\n"
        "Press Ctrl-C to stop.\n\n";
    if (runner) return runner(dir, banner);
    return RunHeadless(dir, factory, banner);
}

}  // namespace ocv
