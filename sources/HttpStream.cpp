#include "sources/HttpStream.h"

#include <curl/curl.h>
#include <poll.h>
#include <sys/socket.h>

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/NamedEvent.h"

namespace ocv {
namespace {

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Longest header line kept; longer ones are cut (a camera gains nothing by sending them).
constexpr size_t kMaxHeaderLine = 8192;

}  // namespace

struct CHttpStream::Impl {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    bool added = false;
    bool finished = false;       // the transfer ended (done message seen)
    CURLcode result = CURLE_OK;  // its result
    bool headersDone = false;    // the final answer's header block is complete
    bool bodyStarted = false;    // the first body bytes have arrived (and were paused)
    bool paused = false;
    bool reading = false;
    bool sinkStopped = false;
    const Sink* sink = nullptr;
    int64_t lastActivity = 0;
    char errbuf[CURL_ERROR_SIZE] = {};
    // Headers of the latest answer (a new status line starts a new set).
    bool haveContentType = false;
    std::string contentType;
    bool haveContentLength = false;
    int64_t contentLength = -1;
    long headerStatus = 0;
    // The sockets libcurl wants watched and for what (CURL_POLL_IN / OUT / INOUT), and when it
    // wants to be called for its own time-outs (-1: not at all). libcurl reports both through
    // callbacks, so the wait is one poll on exactly these sockets and the stop event.
    struct Watch {
        curl_socket_t fd;
        int what;
    };
    std::vector<Watch> watches;
    int64_t timerAt = -1;
    int64_t holdUntil = 0;   // the socket is not read before this time
    bool holding = false;    // the current hold has begun (its hook was called)
    bool delivered = false;  // the sink has had data since the read-end hook last ran
};

int CHttpStream::OnSocket(void*, int fd, int what, void* impl, void*) {
    auto& watches = static_cast<Impl*>(impl)->watches;
    auto it = std::find_if(watches.begin(), watches.end(), [&](const auto& w) { return w.fd == fd; });
    if (what == CURL_POLL_REMOVE) {
        if (it != watches.end()) watches.erase(it);
    } else if (it != watches.end()) {
        it->what = what;
    } else {
        watches.push_back({fd, what});
    }
    return 0;
}

int CHttpStream::OnTimer(void*, long timeoutMs, void* impl) {
    static_cast<Impl*>(impl)->timerAt = timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
    return 0;
}

CHttpStream::CHttpStream(std::shared_ptr<NamedEvent> stop, HttpTimeouts timeouts)
    : stop_(std::move(stop)), timeouts_(timeouts), impl_(std::make_unique<Impl>()) {
    GlobalInit();
}

CHttpStream::~CHttpStream() {
    Close();
    if (impl_->multi) curl_multi_cleanup(impl_->multi);
}

void CHttpStream::Close() {
    Impl& m = *impl_;
    if (m.easy) {
        if (m.added) curl_multi_remove_handle(m.multi, m.easy);
        curl_easy_cleanup(m.easy);
    }
    m.easy = nullptr;
    m.added = false;
}

bool CHttpStream::ContentType(std::string& out) const {
    if (!impl_->haveContentType) return false;
    out = impl_->contentType;
    return true;
}

bool CHttpStream::ContentLength(int64_t& out) const {
    if (!impl_->haveContentLength || impl_->contentLength < 0) return false;
    out = impl_->contentLength;
    return true;
}

size_t CHttpStream::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<CHttpStream*>(self);
    Impl& m = *s->impl_;
    size_t n = size * count;
    m.lastActivity = NowMs();
    std::string line(data, std::min(n, kMaxHeaderLine));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.compare(0, 5, "HTTP/") == 0) {
        // A new answer (after a redirect, an authentication round or a 100 Continue).
        m.headersDone = false;
        m.haveContentType = false;
        m.haveContentLength = false;
        m.contentType.clear();
        m.contentLength = -1;
        m.headerStatus = 0;
        size_t sp = line.find(' ');
        if (sp != std::string::npos)
            m.headerStatus = std::strtol(line.c_str() + sp + 1, nullptr, 10);
        return n;
    }
    if (line.empty()) {
        // 1xx answers are followed by the real one.
        if (m.headerStatus >= 200 || m.headerStatus == 0) m.headersDone = true;
        return n;
    }
    size_t colon = line.find(':');
    if (colon == std::string::npos) return n;
    std::string name = line.substr(0, colon);
    size_t v = colon + 1;
    while (v < line.size() && (line[v] == ' ' || line[v] == '\t')) ++v;
    std::string value = line.substr(v);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    if (strcasecmp(name.c_str(), "Content-Type") == 0) {
        m.haveContentType = true;
        m.contentType = value;
    } else if (strcasecmp(name.c_str(), "Content-Length") == 0) {
        char* end = nullptr;
        errno = 0;
        long long len = std::strtoll(value.c_str(), &end, 10);
        m.haveContentLength = errno == 0 && end != value.c_str() && *end == '\0' && len >= 0;
        m.contentLength = m.haveContentLength ? len : -1;
    }
    return n;
}

size_t CHttpStream::OnWrite(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<CHttpStream*>(self);
    Impl& m = *s->impl_;
    size_t n = size * count;
    m.lastActivity = NowMs();
    if (!m.reading) {
        // The body has begun while Open is still waiting: hold it until Read takes it.
        m.bodyStarted = true;
        m.paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (n == 0) return 0;
    m.delivered = true;
    if (!m.sink || !(*m.sink)(reinterpret_cast<const uint8_t*>(data), n)) {
        m.sinkStopped = true;
        return 0;  // aborts the transfer with a write error
    }
    return n;
}

int CHttpStream::Pump(const std::function<bool()>& done) {
    Impl& m = *impl_;
    auto collect = [&] {
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(m.multi, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == m.easy) {
                m.finished = true;
                m.result = msg->data.result;
            }
        }
    };
    pollfd fds[8];
    for (;;) {
        if (m.delivered && !m.sinkStopped) {
            m.delivered = false;
            if (readEnd_ && !readEnd_()) m.sinkStopped = true;
        }
        if (done()) return 0;
        if (m.finished) return 1;
        if (stop_ && stop_->IsSet()) return 2;
        int running = 0;
        int64_t now = NowMs();
        if (m.timerAt >= 0 && now >= m.timerAt) {
            m.timerAt = -1;
            curl_multi_socket_action(m.multi, CURL_SOCKET_TIMEOUT, 0, &running);
            collect();
            continue;
        }
        if (m.holdUntil > now) {
            if (!m.holding) {
                m.holding = true;
                if (holdBegun_) holdBegun_();
            }
            if (WaitHold(static_cast<int>(m.holdUntil - now))) m.holdUntil = 0;
            continue;
        }
        m.holding = false;
        int64_t idle = now - m.lastActivity;
        if (!m.paused && idle >= timeouts_.receiveMs) return 3;
        int64_t waitMs = m.paused ? 1000 : std::min<int64_t>(1000, timeouts_.receiveMs - idle);
        if (m.timerAt >= 0) waitMs = std::min(waitMs, m.timerAt - now);
        nfds_t n = 0;
        for (const auto& w : m.watches) {
            if (n == std::size(fds) - 1) break;
            short events = 0;
            if (w.what & CURL_POLL_IN) events |= POLLIN;
            if (w.what & CURL_POLL_OUT) events |= POLLOUT;
            fds[n++] = {w.fd, events, 0};
        }
        nfds_t sockets = n;
        if (stop_) fds[n++] = {stop_->Fd(), POLLIN, 0};
        int ready = ::poll(fds, n, static_cast<int>(std::max<int64_t>(waitMs, 1)));
        if (ready <= 0) continue;
        // libcurl is told exactly which socket is ready for what, so it reads without polling
        // the socket again itself.
        for (nfds_t i = 0; i < sockets; ++i) {
            if (!fds[i].revents) continue;
            int mask = 0;
            if (fds[i].revents & (POLLIN | POLLHUP)) mask |= CURL_CSELECT_IN;
            if (fds[i].revents & POLLOUT) mask |= CURL_CSELECT_OUT;
            if (fds[i].revents & (POLLERR | POLLNVAL)) mask |= CURL_CSELECT_ERR;
            curl_multi_socket_action(m.multi, fds[i].fd, mask, &running);
        }
        collect();
    }
}

void CHttpStream::HoldReading(int ms) {
    impl_->holdUntil = ms > 0 ? NowMs() + ms : 0;
}

void CHttpStream::SetHoldHooks(std::shared_ptr<NamedEvent> cut, std::function<void()> begun) {
    holdCut_ = std::move(cut);
    holdBegun_ = std::move(begun);
}

bool CHttpStream::WaitHold(int ms) {
    pollfd fds[2];
    nfds_t n = 0;
    if (stop_) fds[n++] = {stop_->Fd(), POLLIN, 0};
    if (holdCut_) fds[n++] = {holdCut_->Fd(), POLLIN, 0};
    int ready = ::poll(n ? fds : nullptr, n, ms);
    if (ready <= 0 || !holdCut_ || !(fds[n - 1].revents & POLLIN)) return false;
    holdCut_->Reset();
    return true;
}

int CHttpStream::OnSocketOption(void* self, int fd, int purpose) {
    int bytes = static_cast<CHttpStream*>(self)->receiveBuffer_;
    if (purpose == CURLSOCKTYPE_IPCXN && bytes > 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    return CURL_SOCKOPT_OK;
}

CHttpStream::OpenResult CHttpStream::Open(const std::string& url) {
    Close();
    Impl& m = *impl_;
    if (!m.multi) {
        m.multi = curl_multi_init();
        if (m.multi) {
            curl_multi_setopt(m.multi, CURLMOPT_SOCKETFUNCTION, &CHttpStream::OnSocket);
            curl_multi_setopt(m.multi, CURLMOPT_SOCKETDATA, &m);
            curl_multi_setopt(m.multi, CURLMOPT_TIMERFUNCTION, &CHttpStream::OnTimer);
            curl_multi_setopt(m.multi, CURLMOPT_TIMERDATA, &m);
        }
    }
    status_ = 0;
    error_.clear();
    m.finished = false;
    m.result = CURLE_OK;
    m.headersDone = m.bodyStarted = m.paused = m.reading = m.sinkStopped = false;
    m.haveContentType = m.haveContentLength = false;
    m.contentType.clear();
    m.contentLength = -1;
    m.headerStatus = 0;
    m.errbuf[0] = '\0';
    m.holdUntil = 0;
    m.holding = false;
    m.delivered = false;
    m.easy = curl_easy_init();
    if (!m.multi || !m.easy) {
        error_ = "out of memory";
        return OpenResult::kOpenFailed;
    }
    CURL* e = m.easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m.errbuf);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, timeouts_.connectMs);
    curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Ocuvane");
    // Loopback never goes through a proxy; other hosts use the environment's proxy settings.
    curl_easy_setopt(e, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    // Always fetch afresh from the camera.
    static curl_slist* noCache = curl_slist_append(nullptr, "Cache-Control: no-cache");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, noCache);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, 256L * 1024L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CHttpStream::OnWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CHttpStream::OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_SOCKOPTFUNCTION, &CHttpStream::OnSocketOption);
    curl_easy_setopt(e, CURLOPT_SOCKOPTDATA, this);
    if (curl_multi_add_handle(m.multi, e) != CURLM_OK) {
        error_ = "curl_multi_add_handle failed";
        return OpenResult::kOpenFailed;
    }
    m.added = true;
    m.lastActivity = NowMs();

    int r = Pump([&] { return m.bodyStarted; });
    if (r == 2) return OpenResult::kStopped;
    if (r == 3) {
        error_ = "Timeout was reached";
        return OpenResult::kOpenFailed;
    }
    long code = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
    if (r == 1 && m.result != CURLE_OK) {
        error_ = m.errbuf[0] ? m.errbuf : curl_easy_strerror(m.result);
        // The server answered, but not with a status line we could read.
        if (m.result == CURLE_WEIRD_SERVER_REPLY || m.result == CURLE_UNSUPPORTED_PROTOCOL) {
            return OpenResult::kNoStatus;
        }
        // Headers complete and then a broken body: the answer itself is usable.
        if (!(code > 0 && m.headersDone)) return OpenResult::kOpenFailed;
    }
    if (code <= 0) {
        if (error_.empty()) error_ = "no status";
        return OpenResult::kNoStatus;
    }
    status_ = code;
    return OpenResult::kOk;
}

CHttpStream::ReadResult CHttpStream::Read(const Sink& sink) {
    Impl& m = *impl_;
    if (!m.easy) return ReadResult::kError;
    m.sink = &sink;
    m.reading = true;
    m.lastActivity = NowMs();
    if (m.paused) {
        m.paused = false;
        // Hands the held data to the sink right away.
        curl_easy_pause(m.easy, CURLPAUSE_CONT);
    }
    int r = m.sinkStopped ? 1 : Pump([&] { return m.sinkStopped; });
    m.sink = nullptr;
    m.reading = false;
    if (m.sinkStopped) return ReadResult::kSinkStopped;
    if (r == 2) return ReadResult::kStopped;
    if (r == 3) {
        error_ = "Timeout was reached";
        return ReadResult::kError;
    }
    if (m.result != CURLE_OK) {
        error_ = m.errbuf[0] ? m.errbuf : curl_easy_strerror(m.result);
        return ReadResult::kError;
    }
    return ReadResult::kEnd;
}

}  // namespace ocv
