#include "mail/TcpSock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "mail/HostResolve.h"
#include "platform/SocketErrors.h"

namespace ocv {
namespace {

[[noreturn]] void ThrowErrno(int err) { throw WSAException(SocketErrorFromErrno(err)); }

// Errors after which the connection is unusable: reported at once instead of being retried.
bool IsFatalReceiveError(int err) {
    switch (err) {
        case ECONNRESET:
        case ECONNABORTED:
        case ENOTCONN:
        case EBADF:
        case ENOTSOCK:
        case EPIPE:
        case ETIMEDOUT:
        case EHOSTUNREACH:
        case ENETUNREACH:
        case ENETDOWN:
        case EINVAL:
        case EFAULT: return true;
        default: return false;
    }
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TcpSock::TcpSock(bool owns) : owns_(owns) {}

TcpSock::TcpSock(int fd, bool owns) : fd_(fd), owns_(owns) {
    if (fd_ >= 0) {
        int flags = ::fcntl(fd_, F_GETFL, 0);
        if (flags >= 0) ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    }
}

TcpSock::~TcpSock() {
    if (owns_) Close();
}

void TcpSock::Open() {
    if (fd_ >= 0) return;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) ThrowErrno(errno);
    fd_ = fd;
    bufferPos_ = bufferLen_ = 0;
}

void TcpSock::Close() {
    if (fd_ < 0) return;
    if (tls_) {
        tls_->Shutdown();
        tls_.reset();
    }
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    fd_ = -1;
    bufferPos_ = bufferLen_ = 0;
}

int TcpSock::LocalPort() const {
    if (fd_ < 0) return 0;
    sockaddr_in sin{};
    socklen_t len = sizeof sin;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&sin), &len) != 0) return 0;
    return ntohs(sin.sin_port);
}

TcpSock::WaitResult TcpSock::WaitFor(short events, int timeoutMs) {
    if (fd_ < 0) throw WSAException(sockerr::kNotSocket);
    const int64_t deadline = timeoutMs > 0 ? NowMs() + timeoutMs : 0;
    for (;;) {
        pollfd fds[2];
        fds[0] = {fd_, events, 0};
        nfds_t count = 1;
        if (stop_) {
            fds[1] = {stop_->Fd(), POLLIN, 0};
            count = 2;
        }
        int wait = -1;
        if (timeoutMs > 0) {
            int64_t left = deadline - NowMs();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        int rc = ::poll(fds, count, wait);
        if (rc < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        // A stop wins over ready data so that a stopping thread ends promptly.
        if (count == 2 && (fds[1].revents & POLLIN)) throw WSAException(sockerr::kInterrupted);
        if (rc == 0) return WaitResult::TimedOut;
        if (fds[0].revents & POLLNVAL) throw WSAException(sockerr::kNotSocket);
        if (fds[0].revents != 0) return WaitResult::Ready;
    }
}

void TcpSock::SleepRetry() {
    if (stop_) {
        if (stop_->Wait(200)) throw WSAException(sockerr::kInterrupted);
    } else {
        ::usleep(200 * 1000);
    }
}

void TcpSock::Connect(const std::string& host, int port, int receiveTimeoutMs) {
    Open();
    SetReceiveTimeout(receiveTimeoutMs);
    try {
        if (port <= 0 || port > 65535) throw WSAException(sockerr::kInvalidArgument);
        std::string dotted;
        int rc = ResolveIPv4(host, dotted);
        if (rc != 0) throw WSAException(rc);
        sockaddr_in sin{};
        sin.sin_family = AF_INET;
        sin.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, dotted.c_str(), &sin.sin_addr);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) {
            int err = errno;
            if (err != EINPROGRESS && err != EINTR) ThrowErrno(err);
            if (WaitFor(POLLOUT, connectTimeoutMs_) == WaitResult::TimedOut)
                throw WSAException(sockerr::kTimedOut);
            int soError = 0;
            socklen_t len = sizeof soError;
            if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) ThrowErrno(errno);
            if (soError != 0) ThrowErrno(soError);
        }
    } catch (const WSAException&) {
        Close();
        throw;
    }
}

void TcpSock::Listen(const std::string& address, int port, int backlog) {
    Open();
    try {
        sockaddr_in sin{};
        sin.sin_family = AF_INET;
        if (port < 0 || port > 65535) throw WSAException(sockerr::kInvalidArgument);
        sin.sin_port = htons(static_cast<uint16_t>(port));
        if (address.empty()) {
            sin.sin_addr.s_addr = htonl(INADDR_ANY);
        } else if (::inet_pton(AF_INET, address.c_str(), &sin.sin_addr) != 1) {
            throw WSAException(10049);  // not a dotted address
        }
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) ThrowErrno(errno);
        if (::listen(fd_, backlog) != 0) {
            int err = errno;
            std::fputs("ERROR : listen failed!\n", stdout);
            std::fflush(stdout);
            ThrowErrno(err);
        }
    } catch (const WSAException&) {
        Close();
        throw;
    }
}

std::unique_ptr<TcpSock> TcpSock::Accept(bool owns) {
    for (;;) {
        WaitFor(POLLIN, 0);
        int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            auto accepted = std::make_unique<TcpSock>(fd, owns);
            accepted->SetStopEvent(stop_);
            return accepted;
        }
        int err = errno;
        // Another thread took the connection, or the client gave up before we accepted it.
        if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR || err == ECONNABORTED) continue;
        ThrowErrno(err);
    }
}

bool TcpSock::WaitTls(TlsSession::Io io, int timeoutMs) {
    short events = io == TlsSession::Io::WantWrite ? POLLOUT : POLLIN;
    return WaitFor(events, timeoutMs) == WaitResult::Ready;
}

void TcpSock::StartTls(const TlsOptions& options) {
    if (fd_ < 0) throw WSAException(sockerr::kNotSocket);
    if (tls_) return;
    try {
        if (bufferPos_ < bufferLen_)
            throw WSAException(kTlsError, "TLS refused: the server sent data before the handshake");
        std::string error;
        tls_ = TlsSession::Create(fd_, options, error);
        if (!tls_) throw WSAException(kTlsError, error);
        for (;;) {
            TlsSession::Io io = tls_->Handshake();
            if (io == TlsSession::Io::Done) return;
            if (io == TlsSession::Io::Failed || io == TlsSession::Io::Closed)
                throw WSAException(kTlsError, tls_->ErrorText());
            if (!WaitTls(io, connectTimeoutMs_))
                throw WSAException(kTlsError, "TLS handshake failed: no answer from the server");
        }
    } catch (const WSAException&) {
        // A connection that was to be encrypted and is not must carry nothing more: closed here,
        // a later send fails instead of going out in clear (or finishing a handshake cut short
        // by the stop event).
        tls_.reset();
        Close();
        throw;
    }
}

int TcpSock::SendTls(const char* bytes, int length) {
    int sent = 0;
    while (sent < length) {
        size_t put = 0;
        TlsSession::Io io = tls_->Write(bytes + sent, static_cast<size_t>(length - sent), put);
        if (io == TlsSession::Io::Done) {
            sent += static_cast<int>(put);
            continue;
        }
        if (io == TlsSession::Io::Closed) return sent;
        if (io == TlsSession::Io::Failed) throw WSAException(kTlsError, tls_->ErrorText());
        if (!WaitTls(io, sendTimeoutMs_)) throw WSAException(sockerr::kTimedOut);
    }
    return sent;
}

bool TcpSock::FillTls() {
    int timeouts = 0;
    for (;;) {
        size_t got = 0;
        TlsSession::Io io = tls_->Read(buffer_.data(), buffer_.size(), got);
        if (io == TlsSession::Io::Done) {
            bufferPos_ = 0;
            bufferLen_ = got;
            return true;
        }
        if (io == TlsSession::Io::Closed) return false;
        if (io == TlsSession::Io::Failed) throw WSAException(kTlsError, tls_->ErrorText());
        if (!WaitTls(io, receiveTimeoutMs_) && ++timeouts >= timeoutLimit_)
            throw WSAException(sockerr::kTimedOut);
    }
}

int TcpSock::Send(const void* bytes, int length) {
    if (bytes == nullptr || length <= 0) return 0;
    const char* p = static_cast<const char*>(bytes);
    if (tls_) return SendTls(p, length);
    int sent = 0;
    while (sent < length) {
        if (WaitFor(POLLOUT, sendTimeoutMs_) == WaitResult::TimedOut)
            throw WSAException(sockerr::kTimedOut);
        ssize_t n = ::send(fd_, p + sent, static_cast<size_t>(length - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n == 0) return sent;
        int err = errno;
        if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR) continue;
        ThrowErrno(err);
    }
    return sent;
}

bool TcpSock::Fill() {
    if (buffer_.empty()) buffer_.resize(kReadBlockSize);
    if (tls_) return FillTls();
    int timeouts = 0;
    int errors = 0;
    for (;;) {
        if (WaitFor(POLLIN, receiveTimeoutMs_) == WaitResult::TimedOut) {
            if (++timeouts >= timeoutLimit_) throw WSAException(sockerr::kTimedOut);
            continue;
        }
        ssize_t n = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
        if (n > 0) {
            bufferPos_ = 0;
            bufferLen_ = static_cast<size_t>(n);
            return true;
        }
        if (n == 0) return false;
        int err = errno;
        if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR) continue;
        if (IsFatalReceiveError(err) || ++errors > kMaxReceiveErrors) ThrowErrno(err);
        SleepRetry();
    }
}

int TcpSock::ReceiveLine(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) throw WSAException(sockerr::kInvalidArgument);
    int stored = 0;
    for (;;) {
        while (bufferPos_ < bufferLen_) {
            char c = buffer_[bufferPos_++];
            if (c == '\r') continue;
            if (c == '\n') {
                buffer[stored] = '\0';
                return stored;
            }
            buffer[stored++] = c;
            if (stored == size) {
                buffer[size - 1] = '\0';
                throw WSAException(sockerr::kInvalidArgument);
            }
        }
        if (!Fill()) {
            buffer[stored] = '\0';
            throw WSAException(sockerr::kDisconnecting);
        }
    }
}

int TcpSock::ReceiveSome(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) throw WSAException(sockerr::kInvalidArgument);
    if (bufferPos_ >= bufferLen_ && !Fill()) return 0;
    size_t n = std::min(static_cast<size_t>(size), bufferLen_ - bufferPos_);
    std::memcpy(buffer, buffer_.data() + bufferPos_, n);
    bufferPos_ += n;
    return static_cast<int>(n);
}

void TcpSock::SetNoDelay(bool on) {
    if (fd_ < 0) throw WSAException(sockerr::kNotSocket);
    int value = on ? 1 : 0;
    if (::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) != 0) ThrowErrno(errno);
}

}  // namespace ocv
