#include "mail/TlsSession.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cerrno>

namespace ocv {
namespace {

// The index of the options pointer in the SSL object, for the verify callback.
int OptionsIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// With "accept self-signed" only the missing trust anchor is forgiven; a wrong name, an expired
// certificate or a bad signature still fail.
int VerifyCallback(int preverifyOk, X509_STORE_CTX* store) {
    if (preverifyOk) return 1;
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    const auto* options =
        ssl ? static_cast<const TlsOptions*>(SSL_get_ex_data(ssl, OptionsIndex())) : nullptr;
    if (!options || !options->acceptSelfSigned) return 0;
    switch (X509_STORE_CTX_get_error(store)) {
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE: return 1;
        default: return 0;
    }
}

bool IsDottedAddress(const std::string& host) {
    in_addr addr{};
    return ::inet_pton(AF_INET, host.c_str(), &addr) == 1;
}

std::string OpenSslReason() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return "connection closed";
    const char* reason = ERR_reason_error_string(code);
    return reason ? reason : "unknown error";
}

}  // namespace

struct TlsSession::Impl {
    TlsOptions options;
    SSL_CTX* ctx = nullptr;
    SSL* ssl = nullptr;
    bool shutDown = false;
    ~Impl() {
        if (ssl) SSL_free(ssl);
        if (ctx) SSL_CTX_free(ctx);
    }
};

TlsSession::TlsSession(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

TlsSession::~TlsSession() = default;

std::unique_ptr<TlsSession> TlsSession::Create(int fd, const TlsOptions& options,
                                               std::string& error) {
    ERR_clear_error();
    auto impl = std::make_unique<Impl>();
    impl->options = options;
    impl->ctx = SSL_CTX_new(TLS_client_method());
    if (!impl->ctx) {
        error = "TLS error: " + OpenSslReason();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(impl->ctx, TLS1_2_VERSION);
    // A peer closing without close_notify is an end of data, not an error.
    SSL_CTX_set_options(impl->ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(impl->ctx, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // The system store (SSL_CERT_FILE / SSL_CERT_DIR override it).
    SSL_CTX_set_default_verify_paths(impl->ctx);
    SSL_CTX_set_verify(impl->ctx, SSL_VERIFY_PEER, VerifyCallback);
    impl->ssl = SSL_new(impl->ctx);
    if (!impl->ssl || SSL_set_fd(impl->ssl, fd) != 1) {
        error = "TLS error: " + OpenSslReason();
        return nullptr;
    }
    SSL_set_ex_data(impl->ssl, OptionsIndex(), &impl->options);
    X509_VERIFY_PARAM* param = SSL_get0_param(impl->ssl);
    if (IsDottedAddress(options.host)) {
        X509_VERIFY_PARAM_set1_ip_asc(param, options.host.c_str());
    } else {
        SSL_set_tlsext_host_name(impl->ssl, options.host.c_str());
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        X509_VERIFY_PARAM_set1_host(param, options.host.c_str(), options.host.size());
    }
    SSL_set_connect_state(impl->ssl);
    return std::unique_ptr<TlsSession>(new TlsSession(std::move(impl)));
}

TlsSession::Io TlsSession::Result(int rc, const char* what) {
    switch (SSL_get_error(impl_->ssl, rc)) {
        case SSL_ERROR_WANT_READ: return Io::WantRead;
        case SSL_ERROR_WANT_WRITE: return Io::WantWrite;
        case SSL_ERROR_ZERO_RETURN: return Io::Closed;
        case SSL_ERROR_SYSCALL:
            if (ERR_peek_error() == 0 && errno == 0) return Io::Closed;
            [[fallthrough]];
        default: break;
    }
    long verify = SSL_get_verify_result(impl_->ssl);
    if (verify != X509_V_OK) {
        error_ = std::string("certificate verify failed: ") + X509_verify_cert_error_string(verify);
        ERR_clear_error();
    } else {
        error_ = std::string(what) + OpenSslReason();
    }
    return Io::Failed;
}

TlsSession::Io TlsSession::Handshake() {
    ERR_clear_error();
    errno = 0;
    int rc = SSL_do_handshake(impl_->ssl);
    if (rc == 1) return Io::Done;
    Io io = Result(rc, "TLS handshake failed: ");
    if (io == Io::Closed) {
        error_ = "TLS handshake failed: connection closed";
        return Io::Failed;
    }
    return io;
}

TlsSession::Io TlsSession::Read(char* buffer, size_t size, size_t& got) {
    ERR_clear_error();
    errno = 0;
    got = 0;
    if (SSL_read_ex(impl_->ssl, buffer, size, &got) == 1) return Io::Done;
    return Result(0, "TLS error: ");
}

TlsSession::Io TlsSession::Write(const char* bytes, size_t size, size_t& put) {
    ERR_clear_error();
    errno = 0;
    put = 0;
    if (SSL_write_ex(impl_->ssl, bytes, size, &put) == 1) return Io::Done;
    return Result(0, "TLS error: ");
}

void TlsSession::Shutdown() {
    if (impl_->shutDown) return;
    impl_->shutDown = true;
    ERR_clear_error();
    SSL_shutdown(impl_->ssl);
    ERR_clear_error();
}

}  // namespace ocv
