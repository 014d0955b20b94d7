#include "ScriptServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace ocv::test {
namespace {

constexpr int kWaitMs = 10000;

bool Readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

}  // namespace

ScriptServer::ScriptServer(std::vector<ScriptStep> steps, unsigned seed)
    : steps_(std::move(steps)), rng_(seed) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sin;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0 ||
        ::listen(listenFd_, 1) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sin), &len) != 0)
        throw std::runtime_error("script server cannot listen");
    port_ = ntohs(sin.sin_port);
    thread_ = std::thread([this] {
        Run();
        finished_ = true;
    });
}

ScriptServer::~ScriptServer() {
    Join();
    if (listenFd_ >= 0) ::close(listenFd_);
}

void ScriptServer::Join() {
    if (thread_.joinable()) thread_.join();
}

std::string ScriptServer::Received() {
    std::lock_guard lock(mutex_);
    return received_;
}

std::string ScriptServer::Failure() {
    std::lock_guard lock(mutex_);
    return failure_;
}

void ScriptServer::SendSplit(int fd, const std::string& data) {
    size_t pos = 0;
    while (pos < data.size()) {
        std::uniform_int_distribution<size_t> dist(1, data.size() - pos);
        size_t n = dist(rng_);
        ::send(fd, data.data() + pos, n, MSG_NOSIGNAL);
        pos += n;
        // A short pause so the next piece is a segment of its own.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool ScriptServer::WaitFor(int fd, const std::string& expected) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            size_t at = received_.find(expected, cursor_);
            if (at != std::string::npos) {
                cursor_ = at + expected.size();
                return true;
            }
        }
        if (std::chrono::steady_clock::now() > deadline || !Readable(fd, 50)) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            continue;
        }
        char buf[4096];
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        std::lock_guard lock(mutex_);
        received_.append(buf, static_cast<size_t>(n));
    }
}

void ScriptServer::Run() {
    if (!Readable(listenFd_, kWaitMs)) {
        std::lock_guard lock(mutex_);
        failure_ = "no client connected";
        return;
    }
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    bool closed = false;
    bool silent = false;
    for (const auto& step : steps_) {
        if (step.kind == ScriptStep::kSend) {
            SendSplit(fd, step.data);
        } else if (step.kind == ScriptStep::kSendWhole) {
            ::send(fd, step.data.data(), step.data.size(), MSG_NOSIGNAL);
        } else if (step.kind == ScriptStep::kPause) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
        } else if (step.kind == ScriptStep::kClose) {
            closed = true;
            break;
        } else if (step.kind == ScriptStep::kHold) {
            silent = true;
            break;
        } else if (!WaitFor(fd, step.data)) {
            std::lock_guard lock(mutex_);
            failure_ =
                "expected \"" + step.data + "\" but got \"" + received_.substr(cursor_) + "\"";
            break;
        }
    }
    // Keep what the client still sends until it closes (a few seconds at most, or the full
    // wait when the script holds the line silent).
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(silent ? kWaitMs : 3000);
    while (!closed && std::chrono::steady_clock::now() < deadline) {
        if (!Readable(fd, 50)) continue;
        char buf[4096];
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        std::lock_guard lock(mutex_);
        received_.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
}

}  // namespace ocv::test
