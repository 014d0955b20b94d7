#include "platform/ServiceNotify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace ocv {

bool NotifyService(const std::string& state) {
    const char* path = std::getenv("NOTIFY_SOCKET");
    if (!path || (path[0] != '/' && path[0] != '@')) return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    size_t len = std::strlen(path);
    if (len >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path, len);
    if (path[0] == '@') addr.sun_path[0] = '\0';  // an abstract socket name
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    socklen_t addrLen = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + len);
    ssize_t n;
    do {
        n = ::sendto(fd, state.data(), state.size(), MSG_NOSIGNAL,
                     reinterpret_cast<sockaddr*>(&addr), addrLen);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    return n == static_cast<ssize_t>(state.size());
}

unsigned ServiceWatchdogIntervalMs() {
    const char* usec = std::getenv("WATCHDOG_USEC");
    if (!usec) return 0;
    if (const char* pid = std::getenv("WATCHDOG_PID"))
        if (std::strtol(pid, nullptr, 10) != ::getpid()) return 0;
    char* end = nullptr;
    unsigned long long us = std::strtoull(usec, &end, 10);
    if (end == usec || *end != '\0' || us == 0) return 0;
    unsigned long long ms = us / 2000;  // notify at half the interval
    if (ms == 0) ms = 1;
    return ms > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(ms);
}

}  // namespace ocv
