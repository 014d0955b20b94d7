#include "delivery/FtpSession.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <cstdio>
#include <mutex>

#include "delivery/StopSockets.h"

namespace ocv {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool HasControl(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

// Percent-encodes everything but unreserved characters (and "/" when `keepSlash`).
std::string Escape(const std::string& s, bool keepSlash) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.' || c == '_' || c == '~' || (keepSlash && c == '/');
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// The host as it goes into a URL: IPv6 literals in brackets; nothing that could end the
// authority part or smuggle in credentials.
bool UrlHost(const std::string& host, std::string& out) {
    if (host.empty() || HasControl(host)) return false;
    if (host.find_first_of(" /?#@\\[]%") != std::string::npos) return false;
    out = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return true;
}

// Certificate check that lets exactly one fault pass: the server's certificate is self-signed
// (it is its own issuer and the system store does not hold it). The error is cleared so the
// handshake's final result is clean; an expired or otherwise broken certificate still fails.
int AcceptSelfSignedCallback(int preverifyOk, X509_STORE_CTX* ctx) {
    if (preverifyOk) return 1;
    int err = X509_STORE_CTX_get_error(ctx);
    if (err == X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT ||
        err == X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN) {
        X509_STORE_CTX_set_error(ctx, X509_V_OK);
        return 1;
    }
    return 0;
}

CURLcode SelfSignedContext(CURL*, void* sslCtx, void*) {
    SSL_CTX_set_verify(static_cast<SSL_CTX*>(sslCtx), SSL_VERIFY_PEER, AcceptSelfSignedCallback);
    return CURLE_OK;
}

// Every socket libcurl opens goes through the session's StopSockets, so a stop can cut it.
curl_socket_t OpenSocket(void* sockets, curlsocktype, curl_sockaddr* address) {
    int fd = static_cast<StopSockets*>(sockets)->Open(address->family, address->socktype,
                                                      address->protocol);
    return fd < 0 ? CURL_SOCKET_BAD : fd;
}

int CloseSocket(void* sockets, curl_socket_t fd) {
    static_cast<StopSockets*>(sockets)->Close(fd);
    return 0;
}

// Collects a listing, refusing (and so ending the transfer) past the limit.
size_t CollectListing(char* data, size_t size, size_t count, void* out) {
    auto* listing = static_cast<std::string*>(out);
    const size_t bytes = size * count;
    if (listing->size() + bytes > CFtpSession::kListingLimit) return 0;
    listing->append(data, bytes);
    return bytes;
}

}  // namespace

struct CFtpSession::Handles {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    char errbuf[CURL_ERROR_SIZE] = {};
    StopSockets sockets;
};

CFtpSession::CFtpSession(const NamedEvent* stop) : h_(new Handles), stop_(stop) {
    GlobalInit();
    h_->multi = curl_multi_init();
    h_->easy = curl_easy_init();
}

CFtpSession::~CFtpSession() {
    // The control connection lives in the multi handle's cache; closing it sends QUIT.
    if (h_->multi) curl_multi_cleanup(h_->multi);
    if (h_->easy) curl_easy_cleanup(h_->easy);
    delete h_;
}

std::string CFtpSession::MakeUrl(const FtpEndpoint& endpoint, const std::string& directory,
                                 const std::string& name) {
    std::string host;
    if (!UrlHost(endpoint.host, host)) return "";
    if (HasControl(directory) || HasControl(name) || name.find('/') != std::string::npos) return "";
    unsigned port = static_cast<uint16_t>(endpoint.port);
    if (port == 0) port = 21;

    std::string dir = directory;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    std::string path = "/";
    if (!dir.empty()) {
        // libcurl takes everything up to the last "/" as the directory and enters it with one
        // CWD; an absolute directory keeps its leading "/" as %2F.
        if (dir[0] == '/')
            path += "%2F" + Escape(dir.substr(1), true);
        else
            path += Escape(dir, true);
        if (path.back() != '/') path += '/';
    }
    path += Escape(name, false);
    return "ftp://" + host + ":" + std::to_string(port) + path;
}

void CFtpSession::CommonOptions() {
    CURL* e = h_->easy;
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &OpenSocket);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &h_->sockets);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &CloseSocket);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, &h_->sockets);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, h_->errbuf);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, kReplyTimeoutSec);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, kStallTimeoutSec);
    curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(e, CURLOPT_FTP_CREATE_MISSING_DIRS,
                     static_cast<long>(CURLFTP_CREATE_DIR_NONE));
    if (endpoint_.anonymous) {
        // Without a user libcurl logs in as "anonymous"; nothing the user typed is sent.
        curl_easy_setopt(e, CURLOPT_USERNAME, nullptr);
        curl_easy_setopt(e, CURLOPT_PASSWORD, nullptr);
    } else {
        curl_easy_setopt(e, CURLOPT_USERNAME, endpoint_.user.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, endpoint_.password.c_str());
    }
    if (endpoint_.tls) {
        // AUTH TLS first (not AUTH SSL); control and data must both be encrypted. The server's
        // certificate is checked against the system store and its name against the host.
        curl_easy_setopt(e, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(e, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION,
                         endpoint_.acceptSelfSigned ? &SelfSignedContext : nullptr);
    } else {
        curl_easy_setopt(e, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_NONE));
    }
    // With TLS the data connections are always passive: libcurl 7.88 sends an active-mode
    // upload unencrypted even after PROT P, which must never happen.
    if (endpoint_.passive || endpoint_.tls) {
        curl_easy_setopt(e, CURLOPT_FTPPORT, nullptr);
        curl_easy_setopt(e, CURLOPT_FTP_USE_EPSV, 1L);
    } else {
        // "-": listen on the address the control connection uses.
        curl_easy_setopt(e, CURLOPT_FTPPORT, "-");
        curl_easy_setopt(e, CURLOPT_FTP_USE_EPRT, 1L);
    }
}

FtpResult CFtpSession::Run() {
    FtpResult r;
    CURLM* multi = h_->multi;
    CURL* easy = h_->easy;
    h_->errbuf[0] = '\0';
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        r.code = CURLE_FAILED_INIT;
        r.text = curl_easy_strerror(CURLE_FAILED_INIT);
        return r;
    }
    bool done = false;
    CURLcode code = CURLE_OK;
    std::string multiError;
    // The multi loop below sees the stop between steps; this cuts the steps that block.
    h_->sockets.Watch(stop_);
    for (;;) {
        int running = 0;
        CURLMcode mc = curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                code = msg->data.result;
                done = true;
            }
        }
        if (done) break;
        if (mc != CURLM_OK) {
            multiError = curl_multi_strerror(mc);
            code = CURLE_FAILED_INIT;
            break;
        }
        if (stop_ && stop_->IsSet()) {
            r.stopped = true;
            break;
        }
        curl_waitfd extra{};
        unsigned extraCount = 0;
        if (stop_) {
            extra.fd = stop_->Fd();
            extra.events = CURL_WAIT_POLLIN;
            extraCount = 1;
        }
        mc = curl_multi_poll(multi, extraCount ? &extra : nullptr, extraCount, 1000, nullptr);
        if (mc != CURLM_OK) {
            multiError = curl_multi_strerror(mc);
            code = CURLE_FAILED_INIT;
            break;
        }
    }

    h_->sockets.Unwatch();
    // A step that failed because the stop cut its socket was stopped, whatever libcurl says.
    if (!r.stopped && code != CURLE_OK && stop_ && stop_->IsSet()) r.stopped = true;

    char* entryPath = nullptr;
    curl_easy_getinfo(easy, CURLINFO_FTP_ENTRY_PATH, &entryPath);
    long reply = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &reply);
    // Removing an unfinished transfer aborts it and drops its connection without QUIT.
    curl_multi_remove_handle(multi, easy);

    if (r.stopped) {
        r.code = FtpResult::kStopped;
        r.text = "Interrupted by the stop request.";
        r.loggedIn = entryPath != nullptr;
        return r;
    }
    r.code = code;
    if (code == CURLE_OK) {
        r.loggedIn = true;
        return r;
    }
    r.text = !multiError.empty() ? multiError
             : h_->errbuf[0]     ? std::string(h_->errbuf)
                                 : std::string(curl_easy_strerror(code));
    if (reply >= 400 && r.text.find(std::to_string(reply)) == std::string::npos)
        r.text += " [reply " + std::to_string(reply) + "]";
    // A refused CWD is the only "access denied" before a transfer; the entry path is known
    // only once the login went through (libcurl asks PWD right after it).
    r.loggedIn =
        code == CURLE_REMOTE_ACCESS_DENIED || (entryPath != nullptr && code != CURLE_LOGIN_DENIED);
    return r;
}

bool CFtpSession::Prepare(const FtpEndpoint& endpoint, const std::string& directory,
                          std::string& url, FtpResult& bad) {
    bad = FtpResult{};
    bad.code = FtpResult::kBadInput;
    if (!h_->multi || !h_->easy) {
        bad.code = CURLE_FAILED_INIT;
        bad.text = curl_easy_strerror(CURLE_FAILED_INIT);
        return false;
    }
    if (!endpoint.anonymous && (HasControl(endpoint.user) || HasControl(endpoint.password))) {
        bad.text = "The user name or password holds control characters.";
        return false;
    }
    // A URL ending in "/" makes libcurl enter the directory.
    url = MakeUrl(endpoint, directory, "");
    if (url.empty()) {
        bad.text = "The server address or directory cannot be used: \"" + endpoint.host + "\", \"" +
                   directory + "\".";
        // A directory that cannot be written is a failed directory change, not a failed login.
        bad.loggedIn = !MakeUrl(endpoint, "", "").empty();
        return false;
    }
    return true;
}

FtpResult CFtpSession::LoginAndEnter(const FtpEndpoint& endpoint, const std::string& directory) {
    endpoint_ = endpoint;
    directory_ = directory;
    std::string url;
    FtpResult bad;
    if (!Prepare(endpoint, directory, url, bad)) return bad;
    CommonOptions();
    curl_easy_setopt(h_->easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h_->easy, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(h_->easy, CURLOPT_NOBODY, 1L);
    return Run();
}

FtpResult CFtpSession::Put(const std::string& localPath, const std::string& remoteName) {
    FtpResult bad;
    bad.code = FtpResult::kBadInput;
    bad.loggedIn = true;
    std::string url = MakeUrl(endpoint_, directory_, remoteName);
    if (url.empty()) {
        bad.text = "The file name cannot be used: \"" + remoteName + "\".";
        return bad;
    }
    FILE* file = std::fopen(localPath.c_str(), "rb");
    if (!file) {
        bad.code = CURLE_READ_ERROR;
        bad.text = "Cannot open the staged file \"" + localPath + "\".";
        return bad;
    }
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    CURL* e = h_->easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(e, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(e, CURLOPT_READDATA, file);
    curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size < 0 ? -1 : size));
    FtpResult r = Run();
    curl_easy_setopt(e, CURLOPT_READDATA, nullptr);
    std::fclose(file);
    return r;
}

FtpResult CFtpSession::List(const FtpEndpoint& endpoint, const std::string& directory,
                            std::string& listing) {
    // The directory URL makes libcurl enter the directory and send LIST.
    std::string url;
    FtpResult bad;
    if (!Prepare(endpoint, directory, url, bad)) return bad;
    endpoint_ = endpoint;
    directory_ = directory;
    CommonOptions();
    CURL* e = h_->easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(e, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(e, CURLOPT_DIRLISTONLY, 0L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CollectListing);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &listing);
    FtpResult r = Run();
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, nullptr);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, nullptr);
    return r;
}

}  // namespace ocv
