#include "delivery/StopSockets.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace ocv {

// Sockets still kept are left alone: their owner closes them, and closing a number here could
// hit a descriptor the system has since handed to someone else.
StopSockets::~StopSockets() { Unwatch(); }

int StopSockets::Open(int family, int type, int protocol) {
    int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) return -1;
    std::lock_guard lock(mutex_);
    sockets_.insert(fd);
    return fd;
}

void StopSockets::Close(int fd) {
    std::lock_guard lock(mutex_);
    // Closed under the lock, so Cut never touches a number the system has handed out anew.
    sockets_.erase(fd);
    ::close(fd);
}

void StopSockets::Cut() {
    std::lock_guard lock(mutex_);
    for (int fd : sockets_) ::shutdown(fd, SHUT_RDWR);
}

void StopSockets::Watch(const NamedEvent* stop) {
    Unwatch();
    if (stop == nullptr) return;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (wakeFd_ < 0) return;
    const int stopFd = stop->Fd();
    const int wakeFd = wakeFd_;
    watcher_ = std::thread([this, stopFd, wakeFd] {
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        for (;;) {
            int rc = ::poll(fds, 2, -1);
            if (rc < 0 && errno == EINTR) continue;
            if (rc < 0 || (fds[1].revents & POLLIN)) return;
            if (fds[0].revents & POLLIN) {
                Cut();
                return;
            }
        }
    });
}

void StopSockets::Unwatch() {
    if (watcher_.joinable()) {
        uint64_t one = 1;
        ssize_t written = ::write(wakeFd_, &one, sizeof one);
        (void)written;
        watcher_.join();
    }
    if (wakeFd_ >= 0) ::close(wakeFd_);
    wakeFd_ = -1;
}

}  // namespace ocv
