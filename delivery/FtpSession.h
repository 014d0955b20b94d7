#pragma once
// One FTP conversation through libcurl: log in and enter the remote directory, then store files
// there over the same control connection. Every exchange waits in curl_multi_poll together with
// the stop event's descriptor, and a stop also shuts down the sockets of a step that blocks
// inside libcurl (a TLS handshake), so a stop ends a blocked transfer at once.
#include <string>

#include "platform/NamedEvent.h"

namespace ocv {

struct FtpEndpoint {
    std::string host;
    int port = 21;  // 0 selects the standard FTP port
    std::string user;
    std::string password;
    bool anonymous = false;  // log in as libcurl's anonymous user; user and password unused
    bool passive = true;     // passive data connections (EPSV, then PASV); else active (EPRT/PORT)
    // Explicit TLS: AUTH TLS before the login, then PBSZ 0 / PROT P so every data connection is
    // encrypted too. A server that refuses it fails the login; nothing is sent in clear. Data
    // connections are then always passive (see CommonOptions).
    bool tls = false;
    // With tls: a server certificate that is self-signed (its own issuer, not in the system
    // store) is accepted. Name, dates and every other check still apply.
    bool acceptSelfSigned = false;
};

// Outcome of one exchange.
struct FtpResult {
    static constexpr int kStopped = 42;  // CURLE_ABORTED_BY_CALLBACK
    static constexpr int kBadInput = 3;  // CURLE_URL_MALFORMAT

    int code = 0;      // libcurl's result code; 0 on success
    std::string text;  // libcurl's message, with the server's last reply code when there is one
    bool loggedIn = false;  // the login itself succeeded (a later step failed)
    bool stopped = false;   // ended by the stop event
    bool Ok() const { return code == 0; }
};

class CFtpSession {
public:
    // Time-outs: connecting, waiting for one server reply, and a data transfer that moves less
    // than one byte per second for this long.
    static constexpr long kConnectTimeoutMs = 30000;
    static constexpr long kReplyTimeoutSec = 60;
    static constexpr long kStallTimeoutSec = 60;

    explicit CFtpSession(const NamedEvent* stop);
    ~CFtpSession();
    CFtpSession(const CFtpSession&) = delete;
    CFtpSession& operator=(const CFtpSession&) = delete;

    // Connects, logs in and changes to `directory` ("" stays in the login directory; a leading
    // "/" makes it absolute). The directory is entered with one CWD of the whole path.
    FtpResult LoginAndEnter(const FtpEndpoint& endpoint, const std::string& directory);
    // Stores the local file as `remoteName` in the directory entered by LoginAndEnter, binary.
    FtpResult Put(const std::string& localPath, const std::string& remoteName);
    // Connects, logs in and lists `directory` ("" the login directory) with LIST; the server's
    // listing text is appended to `listing`, at most kListingLimit bytes of it.
    FtpResult List(const FtpEndpoint& endpoint, const std::string& directory, std::string& listing);
    static constexpr size_t kListingLimit = 4 * 1024 * 1024;

    // The URL of `name` in `directory` on the server ("" for the directory itself); empty when
    // the host, directory or name cannot be written into a URL safely.
    static std::string MakeUrl(const FtpEndpoint& endpoint, const std::string& directory,
                               const std::string& name);

private:
    struct Handles;
    FtpResult Run();
    // Checks the session and the login and makes the directory URL; false with the refusal in
    // `bad`.
    bool Prepare(const FtpEndpoint& endpoint, const std::string& directory, std::string& url,
                 FtpResult& bad);
    void CommonOptions();

    Handles* h_;
    const NamedEvent* stop_;
    FtpEndpoint endpoint_;
    std::string directory_;
};

}  // namespace ocv
