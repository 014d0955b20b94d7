#pragma once
// A blocking TCP socket (IPv4) with line-oriented receive. Every failure throws a WSAException
// (by value) carrying the socket error code. Every wait is a poll() on the socket and, when one is
// given, on a stop event's descriptor, so setting the stop event ends any blocked call at once
// with code 10004 ("Interrupted function call.").
#include <memory>
#include <string>
#include <vector>

#include "mail/TlsSession.h"
#include "mail/WSAException.h"
#include "platform/NamedEvent.h"

namespace ocv {

class TcpSock {
public:
    static constexpr int kDefaultConnectTimeoutMs = 30000;
    static constexpr int kReadBlockSize = 4096;
    // Consecutive non-fatal receive errors tolerated (retried after 200 ms each).
    static constexpr int kMaxReceiveErrors = 10;
    // The code of a TLS failure; its text says what failed.
    static constexpr int kTlsError = 10900;

    // Client form: no socket yet. `owns` closes the socket when the object is destroyed.
    explicit TcpSock(bool owns = true);
    // Wraps a connected socket (an accepted connection). The descriptor is made non-blocking.
    TcpSock(int fd, bool owns);
    virtual ~TcpSock();
    TcpSock(const TcpSock&) = delete;
    TcpSock& operator=(const TcpSock&) = delete;

    // Creates the stream socket when there is none yet.
    void Open();
    // Creates the socket (when not yet open), sets the receive time-out, resolves the host and
    // connects within the connect time-out. A failed connect closes the socket.
    void Connect(const std::string& host, int port, int receiveTimeoutMs);
    // Binds to the dotted address ("" or "0.0.0.0" for every address) and port, and listens.
    void Listen(const std::string& address, int port, int backlog);
    // Waits for the next connection (no time-out; the stop event ends the wait).
    std::unique_ptr<TcpSock> Accept(bool owns);

    // Sends every byte; returns the count sent (0 for nothing to send). A send that cannot go
    // out within the send time-out throws 10060.
    int Send(const void* bytes, int length);
    int Send(const std::string& text) { return Send(text.data(), static_cast<int>(text.size())); }

    // Reads one line: CR bytes are dropped, LF ends it. The line is stored without its end and
    // NUL-terminated; its length is returned. A line that fills `size` bytes without LF throws
    // 10022 with the buffer terminated at size - 1. The peer closing the connection throws
    // 10101. Each expired receive time-out with no byte counts; when the time-out limit is
    // reached, 10060 is thrown.
    int ReceiveLine(char* buffer, int size);
    // One receive: returns bytes already buffered, else waits (receive time-out rules as above)
    // for what one recv() gives. Returns 0 when the peer has closed the connection.
    int ReceiveSome(char* buffer, int size);

    // 0 or less waits without limit.
    void SetReceiveTimeout(int ms) { receiveTimeoutMs_ = ms; }
    void SetSendTimeout(int ms) { sendTimeoutMs_ = ms; }
    void SetConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
    // How many expired receive time-outs in a row end a read (at least 1).
    void SetTimeoutLimit(int count) { timeoutLimit_ = count < 1 ? 1 : count; }
    void SetNoDelay(bool on);
    void SetStopEvent(std::shared_ptr<NamedEvent> stop) { stop_ = std::move(stop); }

    // Starts TLS on the open connection (within the connect time-out) and checks the server's
    // certificate; from then on every send and receive is encrypted. Bytes the server sent in
    // clear before the handshake (after the last line read) are refused, so nothing injected
    // before TLS is read as if it came through it. Throws kTlsError with the reason (or the
    // stop's or the socket's code); the connection is closed then.
    void StartTls(const TlsOptions& options);
    bool IsTls() const { return tls_ != nullptr; }

    // Shuts down both directions and closes; nothing when not open.
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Handle() const { return fd_; }
    // The bound local port (after Listen or Connect), 0 when unknown.
    int LocalPort() const;

private:
    enum class WaitResult { Ready, TimedOut };
    WaitResult WaitFor(short events, int timeoutMs);
    // Refills the internal buffer with one recv(); returns false when the peer closed.
    bool Fill();
    void SleepRetry();
    // Waits for what the TLS session asked for; false when the wait timed out.
    bool WaitTls(TlsSession::Io io, int timeoutMs);
    bool FillTls();
    int SendTls(const char* bytes, int length);

    int fd_ = -1;
    bool owns_ = true;
    int receiveTimeoutMs_ = 0;
    int sendTimeoutMs_ = 0;
    int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
    int timeoutLimit_ = 1;
    std::shared_ptr<NamedEvent> stop_;
    std::unique_ptr<TlsSession> tls_;
    std::vector<char> buffer_;
    size_t bufferPos_ = 0;
    size_t bufferLen_ = 0;
};

}  // namespace ocv
