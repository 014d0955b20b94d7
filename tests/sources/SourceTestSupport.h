#pragma once
// Helpers of the camera-source tests, on the mail tests' peer kit: real peer processes on
// loopback, a log channel written to a temporary file, a frame counter, bounded waits and a
// Motion-JPEG camera model under test.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../foundation/TempDir.h"
#include "PeerProcess.h"
#include "foundation/CamSource.h"
#include "foundation/Logger.h"
#include "sources/CameraModels.h"
#include "sources/SourceFactory.h"

namespace ocv::test {

using Clock = std::chrono::steady_clock;

inline int64_t MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// Polls `pred` every 20 ms until it is true or `timeoutMs` passes; returns its last value.
inline bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (Clock::now() >= deadline) return pred();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A log channel writing into a file of a temporary directory, with the lines readable.
class TestLog {
public:
    TestLog() : logger_(std::make_shared<CLogger>()) {
        logger_->SetName("test-camera");
        logger_->SetPath(dir_.File("log.txt"));
        logger_->SetDebug(1);
    }
    std::shared_ptr<CLogger> Logger() const { return logger_; }
    // Lines containing `text`; a line counted as repeated N times stands for N more.
    int Count(const std::string& text) const {
        static const std::string kRepeated = " ... repeated ";
        std::ifstream in(dir_.File("log.txt"));
        int n = 0;
        for (std::string l; std::getline(in, l);) {
            if (l.find(text) == std::string::npos) continue;
            size_t r = l.rfind(kRepeated);
            n += r == std::string::npos ? 1 : std::atoi(l.c_str() + r + kRepeated.size());
        }
        return n;
    }
    bool WaitFor(const std::string& text, int times, int timeoutMs) const {
        return WaitUntil([&] { return Count(text) >= times; }, timeoutMs);
    }
    std::string Dump() const { return ReadWholeFile(dir_.File("log.txt")); }

private:
    TempDir dir_;
    std::shared_ptr<CLogger> logger_;
};

// Counts the pictures a source stores.
struct FrameCounter {
    std::atomic<int> frames{0};
    std::shared_ptr<FrameNotifier> notifier =
        std::make_shared<FrameNotifier>([this] { frames.fetch_add(1); });
    bool WaitFrames(int n, int timeoutMs) {
        return WaitUntil([&] { return frames >= n; }, timeoutMs);
    }
};

// A peer process with its standard output and error in a file of its own directory, stopped
// with SIGTERM (then SIGKILL) when destroyed.
struct Peer {
    TempDir dir;
    PeerProcess process;
    explicit Peer(const std::vector<std::string>& argv) : process(argv, dir.File("out.txt")) {}
    std::string Output() const { return ReadWholeFile(dir.File("out.txt")); }
    // Waits until the output holds `text` (the line the peer prints once it serves).
    bool WaitFor(const std::string& text, int timeoutMs) const {
        return WaitUntil([&] { return Output().find(text) != std::string::npos; }, timeoutMs);
    }
};

// Listens on a free port of 127.0.0.1; `port` is 0 on failure.
inline int ListenOnLoopback(int& port) {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bool ok = s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
              ::listen(s, 8) == 0 && ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    port = ok ? ntohs(a.sin_port) : 0;
    return s;
}

inline std::string Loopback(const char* scheme, int port, const std::string& path = "") {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + path;
}

// ocv-camsim on a free port of 127.0.0.1: 160 x 120 at 30 pictures a second unless `args` say
// otherwise.
class CamSim {
public:
    explicit CamSim(std::vector<std::string> args = {}) {
        args.insert(args.begin(), {std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim", "--port",
                                   "0", "--fps", "30", "--size", "160x120"});
        process_ = std::make_unique<Peer>(args);
        const std::string kListening = "listening on 127.0.0.1:";
        if (process_->WaitFor(kListening, 5000)) {
            std::string out = process_->Output();
            port_ = std::atoi(out.c_str() + out.find(kListening) + kListening.size());
        }
    }
    bool Ok() const { return port_ > 0; }
    int Port() const { return port_; }
    std::string Base() const { return Loopback("http", port_); }

private:
    std::unique_ptr<Peer> process_;
    int port_ = 0;
};

// A loopback TCP server that reads one client's request head, sends it `answer` and closes; with
// an empty answer it never accepts, so that a client connects and then waits for ever.
class CannedServer {
public:
    explicit CannedServer(std::string answer) : fd_(ListenOnLoopback(port_)) {
        if (answer.empty() || port_ == 0) return;
        thread_ = std::thread([this, answer] {
            pollfd p{fd_, POLLIN, 0};
            int c = ::poll(&p, 1, 5000) > 0 ? ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC) : -1;
            if (c < 0) return;
            std::string head;
            char buf[1024];
            pollfd cp{c, POLLIN, 0};
            for (ssize_t n = 1; n > 0 && head.find("\r\n\r\n") == std::string::npos;) {
                n = ::poll(&cp, 1, 2000) > 0 ? ::read(c, buf, sizeof buf) : 0;
                head.append(buf, static_cast<size_t>(std::max<ssize_t>(n, 0)));
            }
            (void)!::write(c, answer.data(), answer.size());
            ::close(c);
        });
    }
    ~CannedServer() {
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    int Port() const { return port_; }

private:
    int port_ = 0;
    int fd_;
    std::thread thread_;
};

// A Motion-JPEG camera model under test: its source, its own log and a frame counter.
struct Camera {
    TestLog log;
    FrameCounter counter;
    std::shared_ptr<CMJpegCameraModel> source;
    // With `view` the pictures go to that view instead of the counter.
    explicit Camera(int32_t type, std::shared_ptr<FrameNotifier> view = nullptr) {
        source = std::dynamic_pointer_cast<CMJpegCameraModel>(
            CreateCameraSource(type, view ? view : counter.notifier, log.Logger()));
    }
    BITMAPINFOHEADER Format() {
        BITMAPINFOHEADER h{};
        source->GetFormat(&h);
        return h;
    }
    void Tune(const std::function<void(MJpegTimings&)>& change) {
        MJpegTimings t = source->Timings();
        change(t);
        source->SetTimings(t);
    }
};

inline DeviceInfo Device(int32_t type, const std::string& base, int w = 640, int h = 480) {
    DeviceInfo d;
    d.deviceType = type;
    d.deviceName = base;
    d.frameWidth = w;
    d.frameHeight = h;
    return d;
}

}  // namespace ocv::test
