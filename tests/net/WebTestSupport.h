#pragma once
// A web server on loopback for tests and benchmarks: an in-test camera that serves moving
// pictures, a log that the test can read, and small raw-socket HTTP helpers.
#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <random>
#include <thread>

#include "foundation/Logger.h"
#include "imaging/DibImage.h"
#include "net/NicMgr.h"
#include "net/WebServer.h"
#include "platform/Files.h"
#include "platform/NamedEvent.h"

namespace ocvtest {

using namespace std::chrono_literals;

// Solid colours the test camera cycles through (B, G, R), one every kColourPeriodMs.
inline constexpr uint8_t kPalette[6][3] = {{0, 0, 255},   {0, 255, 0},   {255, 0, 0},
                                           {0, 255, 255}, {255, 0, 255}, {255, 255, 0}};
inline constexpr int kColourPeriodMs = 400;

// The palette colour of a picture's pixel (x, y from the top left), -1 when none is within
// `tolerance`.
inline int PaletteAt(const ocv::CDibImage& img, int x, int y, int tolerance) {
    const uint8_t* p =
        img.GetBits() + static_cast<size_t>(img.Height() - 1 - y) * img.Stride() + 3 * x;
    for (int i = 0; i < 6; ++i) {
        int db = p[0] - kPalette[i][0], dg = p[1] - kPalette[i][1], dr = p[2] - kPalette[i][2];
        if (db * db + dg * dg + dr * dr < tolerance * tolerance) return i;
    }
    return -1;
}

// The log lines (level, text) and message boxes the server produced.
class LogCapture : public ocv::ILogNotifySink {
public:
    static constexpr int kBox = 99;  // the level of a message box's text
    void Notify(const std::string& text, int level) override {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(level, text);
    }
    void ShowMessageBox(const std::string& text) override { Notify(text, kBox); }
    // Lines with exactly this text (any text when empty) and level (any when < 0).
    int Count(const std::string& text, int level = -1) const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count_if(lines_.begin(), lines_.end(), [&](const auto& l) {
            return (text.empty() || l.second == text) && (level < 0 || l.first == level);
        }));
    }
    bool Has(const std::string& text, int level = -1) const { return Count(text, level) > 0; }
    std::string Dump() const {
        std::lock_guard lock(mutex_);
        std::string s;
        for (const auto& [l, t] : lines_) s += std::to_string(l) + " " + t + "\n";
        return s;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> lines_;
};

// The camera side: solid colour frames that change every kColourPeriodMs (textured when asked,
// so JPEG sizes are those of a real scene), the controller's state bits and its log. The camera
// makes a new frame every kFrameMs and numbers its frames; a test may hold it on one frame and
// step it, change its picture size, or report it lost.
inline constexpr int kFrameMs = 66;

class TestHost : public ocv::IWebServerHost {
public:
    TestHost(int width, int height, const std::string& logDir, bool textured = false)
        : format_(ocv::MakeRgb24Header(width, height)), textured_(textured) {
        log_.SetPath(ocv::JoinPath(logDir, "log.txt"));
        log_.SetDebug(1);
        log_.SetNotifySink(capture_);
    }
    // The server asks for GetLiveFrame only.
    bool GetFrame(uint8_t*, uint32_t) override { return false; }
    Frame GetLiveFrame(ocv::BITMAPINFOHEADER& format, std::vector<uint8_t>& buffer) override {
        if (Stopped()) return Frame::kStopped;
        if (lost_) return Frame::kLost;
        frames_.fetch_add(1);
        format = Format();
        buffer.resize(format.biSizeImage);
        const int64_t tick = FrameTick();
        const uint32_t stride = ocv::DibStride(format.biWidth, 24);
        for (int y = 0; y < format.biHeight; ++y)
            for (int x = 0; x < format.biWidth; ++x)
                for (int c = 0; c < 3; ++c) {
                    int v = kPalette[ColourOf(tick)][c];
                    // Smooth moving bands with edges: compresses like a camera scene.
                    if (textured_) v = (v / 2 + (((x + int(tick)) / 3 + y / 5) & 63) * 2) & 255;
                    buffer[static_cast<size_t>(y) * stride + 3 * x + c] = static_cast<uint8_t>(v);
                }
        return Frame::kPicture;
    }
    uint64_t FrameNumber() override {
        return !numbered_ || lost_ || Stopped() ? 0 : static_cast<uint64_t>(FrameTick()) + 1;
    }
    // Only the server's thread sets the state.
    void SetState(uint32_t set, uint32_t clear) override { state_ = (state_ | set) & ~clear; }
    ocv::CLogger& Log() override { return log_; }
    void ShowMessageBox(const std::string& text) override { capture_->ShowMessageBox(text); }

    uint32_t State() const { return state_; }
    ocv::BITMAPINFOHEADER Format() const {
        std::lock_guard lock(mutex_);
        return format_;
    }
    LogCapture& Lines() { return *capture_; }
    void SetStopEvent(std::shared_ptr<ocv::NamedEvent> stop) { stop_ = std::move(stop); }
    // Frame copies handed out so far.
    uint64_t FramesTaken() const { return frames_.load(); }
    // Without numbers the server cannot tell frames apart and makes every still afresh.
    void SetNumbered(bool numbered) { numbered_ = numbered; }
    // Holds the camera on its current frame; Step() moves a held camera on by one frame.
    void Hold() { heldTick_ = ClockTick(), held_ = true; }
    void Step() { heldTick_.fetch_add(1); }
    void SetLost(bool lost) { lost_ = lost; }
    // The camera's pictures have another size from the next frame on.
    void SetSize(int width, int height) {
        std::lock_guard lock(mutex_);
        format_ = ocv::MakeRgb24Header(width, height);
        if (held_) Step();
    }
    // The palette colour of a frame (index into kPalette).
    static int ColourOf(int64_t tick) {
        return static_cast<int>((tick * kFrameMs / kColourPeriodMs) % 6);
    }
    int64_t FrameTick() const { return held_ ? heldTick_.load() : ClockTick(); }

private:
    static int64_t ClockTick() {
        return std::chrono::steady_clock::now().time_since_epoch() / (kFrameMs * 1ms);
    }
    bool Stopped() const { return stop_ && stop_->IsSet(); }

    ocv::BITMAPINFOHEADER format_;
    bool textured_;
    ocv::CLogger log_;
    std::shared_ptr<LogCapture> capture_ = std::make_shared<LogCapture>();
    mutable std::mutex mutex_;
    std::atomic<uint32_t> state_{0};
    std::shared_ptr<ocv::NamedEvent> stop_;
    std::atomic<uint64_t> frames_{0};
    std::atomic<bool> numbered_{true}, held_{false}, lost_{false};
    std::atomic<int64_t> heldTick_{0};
};

// Asks `done` every 50 ms until it holds (true) or about `ms` have passed (false).
inline bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
    for (int i = 0; !done(); ++i) {
        if (i >= ms / 50) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// Runs a shell command; its standard output, and its wait status in `status` when given.
inline std::string Shell(const std::string& cmd, int* status = nullptr) {
    std::string out;
    FILE* f = ::popen(cmd.c_str(), "r");
    if (!f) return out;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    int rc = ::pclose(f);
    if (status) *status = rc;
    return out;
}

inline sockaddr_in Loopback(int port = 0, const std::string& ip = "127.0.0.1") {
    sockaddr_in sin{};
    sin.sin_family = AF_INET, sin.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, ip.c_str(), &sin.sin_addr);
    return sin;
}

// A free port below the kernel's ephemeral range (32768 up), so that the source port of a
// client socket (of this or a parallel test process) cannot take it before the server binds it.
inline int FreeTcpPort() {
    static std::mt19937 pick{std::random_device{}()};
    for (;;) {
        int port = std::uniform_int_distribution<int>(21000, 32000)(pick),
            fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sin = Loopback(port);
        bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) == 0;
        ::close(fd);
        if (free) return port;
    }
}

// The source address of the i-th of many test clients: 127.0.0.1, 127.0.0.2, ... with `perAddress`
// clients each, so that a crowd stays under the server's per-address connection limit.
inline std::string ClientAddress(int i, int perAddress = 16) {
    return "127.0.0." + std::to_string(1 + i / perAddress);
}

// The web server's "Nic Index" of the loopback adapter on this machine.
inline int LoopbackNic() { return ocv::AdapterPositionOf("127.0.0.1"); }

// Connects to 127.0.0.1:port from the loopback address `from` (any 127.x.y.z works on Linux);
// -1 on failure. A receive buffer size > 0 is set before connecting (a small one makes a client
// that never reads fill up quickly).
inline int ConnectLoopback(int port, const std::string& from = "127.0.0.1", int rcvbuf = 0) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (rcvbuf > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    sockaddr_in src = Loopback(0, from), dst = Loopback(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&src), sizeof src) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&dst), sizeof dst) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline bool SendAll(int fd, const std::string& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

// Appends what arrives within `timeoutMs`; false on time-out, close or error.
inline bool RecvInto(int fd, int timeoutMs, std::string& out) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
    char buf[65536];
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n > 0) out.append(buf, static_cast<size_t>(n));
    return n > 0;
}

// Reads until the peer closes or `timeoutMs` passes.
inline std::string ReadAll(int fd, int timeoutMs = 5000) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + timeoutMs * 1ms;
    for (int left = timeoutMs; left > 0 && RecvInto(fd, left, out);)
        left = static_cast<int>((deadline - std::chrono::steady_clock::now()) / 1ms);
    return out;
}

// One raw request: sends the bytes, returns everything the server sent before closing.
inline std::string RawRequest(int port, const std::string& bytes, int timeoutMs = 5000,
                              const std::string& from = "127.0.0.1") {
    int fd = ConnectLoopback(port, from);
    if (fd < 0) return {};
    SendAll(fd, bytes);
    std::string reply = ReadAll(fd, timeoutMs);
    ::close(fd);
    return reply;
}

inline std::string Get(int port, const std::string& target, const std::string& from = "127.0.0.1") {
    return RawRequest(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 5000, from);
}

inline std::string Body(const std::string& reply) {
    size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

// A camera "Gate Camera" with the web pages and the phone pages on 127.0.0.1, on a free port
// (not the default 8080 that another suite may hold).
inline ocv::OcvParam Settings() {
    ocv::OcvParam p;
    p.name = "Gate Camera";
    p.webServer.enable = p.webServer.imodeEnable = 1;
    p.webServer.maxFrame = 15;
    p.webServer.maxUser = 10;
    p.webServer.nicIndex = LoopbackNic();
    p.webServer.port = 0;
    return p;
}

// Starts WebServerThread with the settings (set "Nic Index" to LoopbackNic() for 127.0.0.1)
// and waits until it accepts.
class ServerRun {
public:
    ServerRun(std::shared_ptr<TestHost> host, ocv::OcvParam param, int requestTimeoutMs = 10000) {
        const std::string stopName = ocv::MakeEventName("TestWebStopEvt%d%d%04d");
        host->SetStopEvent(stop_ = ocv::NamedEvent::Create(stopName));
        if (param.webServer.port == 0) param.webServer.port = FreeTcpPort();
        port_ = param.webServer.port;
        auto block = std::make_unique<ocv::WebServerBlock>(ocv::WebServerBlock{
            std::move(param), host, host->Format(), stopName, requestTimeoutMs});
        thread_ = std::thread([this, b = std::move(block)]() mutable {
            ocv::WebServerThread(std::move(b));
            ended_ = true;
        });
        auto started = [&] { return host->Lines().Has("[WebServer] WEBサーバ起動開始"); };
        ready_ = WaitUntil([&] { return started() || ended_; }, 10000) && started();
    }
    ~ServerRun() { Stop(); }
    void Stop() {
        if (!thread_.joinable()) return;
        stop_->Set();
        thread_.join();
    }
    bool Ready() const { return ready_; }
    int Port() const { return port_; }

private:
    std::shared_ptr<ocv::NamedEvent> stop_;
    std::thread thread_;
    int port_ = 0;
    bool ready_ = false;
    std::atomic<bool> ended_{false};
};

// Reads a Motion-JPEG stream connection: the response header (up to the first part's leading
// CR LF) and the first part's JPEG bytes; false on failure or time-out.
inline bool FirstPart(int fd, std::string& header, std::string& jpeg, int timeoutMs = 5000) {
    const std::string lead = "\r\n--myboundary\r\nContent-Length: ";
    std::string buf;
    size_t at = 0, end = 0;
    while ((at = buf.find(lead)) == std::string::npos ||
           (end = buf.find("\r\n\r\n", at + lead.size())) == std::string::npos)
        if (!RecvInto(fd, timeoutMs, buf)) return false;
    header = buf.substr(0, at);
    const size_t length = std::strtoul(buf.c_str() + at + lead.size(), nullptr, 10);
    if (buf.compare(buf.find("\r\n", at + lead.size()), 30, "\r\nContent-type: image/jpeg\r\n\r\n"))
        return false;
    while (buf.size() < end + 4 + length)
        if (!RecvInto(fd, timeoutMs, buf)) return false;
    jpeg = buf.substr(end + 4, length);
    return true;
}

}  // namespace ocvtest
