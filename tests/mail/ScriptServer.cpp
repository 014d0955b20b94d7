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

using Clock = std::chrono::steady_clock;
constexpr int kWaitMs = 10000;
// Every wait of the server is cut into slices this long, so that the destructor ends it soon.
constexpr int kSliceMs = 20;

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
    ending_ = true;
    Join();
    ::close(listenFd_);
}

bool ScriptServer::Ready(int fd, int ms) {
    for (int waited = 0; waited < ms && !ending_; waited += kSliceMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kSliceMs) > 0) return true;
    }
    return false;
}

bool ScriptServer::Collect(int fd, int ms) {
    if (!Ready(fd, ms)) return !ending_;
    char buf[4096];
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    std::lock_guard lock(mutex_);
    received_.append(buf, static_cast<size_t>(n));
    return true;
}

void ScriptServer::Run() {
    if (!Ready(listenFd_, kWaitMs)) {
        std::lock_guard lock(mutex_);
        failure_ = "no client connected";
        return;
    }
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    size_t cursor = 0;  // where the next expected text is looked for
    // After the script, what the client still sends is kept until it closes: a few seconds
    // at most, the full wait when the script holds the line silent, none after a hang-up.
    int lingerMs = 3000;
    for (const auto& step : steps_) {
        const std::string& data = step.data;
        if (step.kind == ScriptStep::kSend) {
            for (size_t pos = 0, n; pos < data.size(); pos += n) {
                n = std::uniform_int_distribution<size_t>(1, data.size() - pos)(rng_);
                ::send(fd, data.data() + pos, n, MSG_NOSIGNAL);
                // A short pause so the next piece is a segment of its own.
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        } else if (step.kind == ScriptStep::kSendWhole) {
            ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        } else if (step.kind == ScriptStep::kPause) {
            for (int waited = 0; waited < step.pauseMs && !ending_; waited += kSliceMs)
                std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
        } else if (step.kind != ScriptStep::kExpect) {
            lingerMs = step.kind == ScriptStep::kHold ? kWaitMs : 0;
            break;
        } else {
            const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
            bool found = false;
            for (;;) {
                {
                    std::lock_guard lock(mutex_);
                    size_t at = received_.find(data, cursor);
                    if ((found = at != std::string::npos)) cursor = at + data.size();
                }
                if (found || ending_ || Clock::now() > deadline || !Collect(fd, kSliceMs)) break;
            }
            if (!found) {
                std::lock_guard lock(mutex_);
                failure_ = "expected \"" + data + "\" but got \"" + received_.substr(cursor) + "\"";
                break;
            }
        }
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(lingerMs);
    while (!ending_ && Clock::now() < deadline && Collect(fd, kSliceMs)) {
    }
    ::close(fd);
}

}  // namespace ocv::test
