#pragma once
// A client TLS session on OpenSSL over a connected non-blocking socket. The caller owns the
// waits: every call returns at once with what it needs next (readable or writable socket), so
// the line socket keeps polling its stop event while TLS runs under it.
#include <cstddef>
#include <memory>
#include <string>

namespace ocv {

struct TlsOptions {
    // The name (or dotted address) the certificate must be issued for; also sent as SNI.
    std::string host;
    // Accepts a certificate that no authority of the system store signed (a self-signed server
    // certificate or chain). The name and the validity dates are still checked.
    bool acceptSelfSigned = false;
};

class TlsSession {
public:
    enum class Io { Done, WantRead, WantWrite, Closed, Failed };

    // nullptr with `error` set when OpenSSL cannot make the context or session.
    static std::unique_ptr<TlsSession> Create(int fd, const TlsOptions& options,
                                              std::string& error);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // One step of the handshake, the certificate checks included.
    Io Handshake();
    Io Read(char* buffer, size_t size, size_t& got);
    Io Write(const char* bytes, size_t size, size_t& put);
    // Sends the close notification once, without waiting for the peer's.
    void Shutdown();
    // What failed, after a Failed result: "certificate verify failed: ..." or
    // "TLS handshake failed: ..." / "TLS error: ...".
    const std::string& ErrorText() const { return error_; }

private:
    struct Impl;
    explicit TlsSession(std::unique_ptr<Impl> impl);
    Io Result(int rc, const char* what);

    std::unique_ptr<Impl> impl_;
    std::string error_;
};

}  // namespace ocv
