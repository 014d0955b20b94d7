#pragma once
// Feeds fuzz input to the reply readers through a real socket: the bytes are written into one
// end of a connected pair, which is then shut down, and the readers use the other end.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "mail/TcpSock.h"

namespace ocv::fuzz {

constexpr size_t kMaxInput = 60000;

inline std::unique_ptr<TcpSock> SocketWithInput(const uint8_t* data, size_t size) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return nullptr;
    int big = 1 << 20;
    ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    size_t sent = 0;
    while (sent < size) {
        ssize_t n = ::send(fds[0], data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    ::shutdown(fds[0], SHUT_WR);
    ::close(fds[0]);
    auto sock = std::make_unique<TcpSock>(fds[1], true);
    sock->SetReceiveTimeout(1000);
    return sock;
}

}  // namespace ocv::fuzz
