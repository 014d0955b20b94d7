// ocv-camsim: serves moving test pictures as Motion-JPEG over HTTP on 127.0.0.1 under the request
// paths of the supported camera families, with switches for what real cameras do wrong.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "CamSimOptions.h"
#include "CamSimPictures.h"
#include "Md5.h"

namespace camsim {
namespace {

int gStopPipe[2] = {-1, -1};
std::atomic<int> gClients{0};
std::atomic<int> gViewers{0};

void OnSignal(int) {
    char c = 1;
    [[maybe_unused]] auto n = ::write(gStopPipe[1], &c, 1);
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Request {
    std::string method, target, path;
    std::map<std::string, std::string> query;
    std::string authorization;
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Waits until `fd` is ready for `events`; false on stop, time-out, or a closed peer while
// waiting to write.
bool WaitFd(int fd, short events, int timeoutMs) {
    pollfd p[2] = {{fd, events, 0}, {gStopPipe[0], POLLIN, 0}};
    for (;;) {
        int r = ::poll(p, 2, timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        if (p[1].revents) return false;
        if (p[0].revents & (POLLERR | POLLNVAL)) return false;
        return true;
    }
}

bool SendV(int fd, std::vector<iovec> iov) {
    size_t i = 0;
    while (i < iov.size()) {
        if (iov[i].iov_len == 0) {
            ++i;
            continue;
        }
        if (!WaitFd(fd, POLLOUT, 10000)) return false;
        msghdr msg{};
        msg.msg_iov = iov.data() + i;
        msg.msg_iovlen = iov.size() - i;
        ssize_t n = ::sendmsg(fd, &msg, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        size_t left = static_cast<size_t>(n);
        while (i < iov.size() && left >= iov[i].iov_len) {
            left -= iov[i].iov_len;
            ++i;
        }
        if (i < iov.size()) {
            iov[i].iov_base = static_cast<char*>(iov[i].iov_base) + left;
            iov[i].iov_len -= left;
        }
    }
    return true;
}

iovec Iov(const std::string& s) { return {const_cast<char*>(s.data()), s.size()}; }
iovec Iov(const std::vector<uint8_t>& v) { return {const_cast<uint8_t*>(v.data()), v.size()}; }

// Sends body pieces, wrapped as one chunk when the answer is chunked.
bool SendBody(int fd, bool chunked, std::vector<iovec> pieces) {
    if (!chunked) return SendV(fd, std::move(pieces));
    size_t total = 0;
    for (const iovec& v : pieces) total += v.iov_len;
    char head[32];
    std::snprintf(head, sizeof head, "%zx\r\n", total);
    std::string h = head, tail = "\r\n";
    pieces.insert(pieces.begin(), Iov(h));
    pieces.push_back(Iov(tail));
    return SendV(fd, std::move(pieces));
}

// Waits the given time, or until the client leaves or the simulator stops. False when the
// connection should end.
bool Pause(int fd, int64_t ms) {
    int64_t until = NowMs() + ms;
    for (;;) {
        int64_t left = until - NowMs();
        if (left <= 0) return true;
        pollfd p[2] = {{fd, POLLIN, 0}, {gStopPipe[0], POLLIN, 0}};
        int r = ::poll(p, 2, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r == 0) return true;
        if (p[1].revents) return false;
        char buf[256];
        ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
    }
}

bool ReadRequest(int fd, Request& req) {
    std::string data;
    int64_t deadline = NowMs() + 5000;
    while (data.find("\r\n\r\n") == std::string::npos) {
        if (data.size() > 16384) return false;
        int64_t left = deadline - NowMs();
        if (left <= 0 || !WaitFd(fd, POLLIN, static_cast<int>(left))) return false;
        char buf[4096];
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        data.append(buf, static_cast<size_t>(n));
    }
    size_t eol = data.find("\r\n");
    std::string first = data.substr(0, eol);
    size_t sp1 = first.find(' '), sp2 = first.rfind(' ');
    if (sp1 == std::string::npos || sp2 == sp1) return false;
    req.method = first.substr(0, sp1);
    req.target = first.substr(sp1 + 1, sp2 - sp1 - 1);
    size_t pos = eol + 2;
    while (pos < data.size()) {
        size_t e = data.find("\r\n", pos);
        if (e == std::string::npos || e == pos) break;
        std::string line = data.substr(pos, e - pos);
        pos = e + 2;
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = Lower(line.substr(0, colon));
        std::string value = line.substr(colon + 1);
        while (!value.empty() && value[0] == ' ') value.erase(0, 1);
        if (name == "authorization") req.authorization = value;
    }
    std::string target = req.target;
    size_t q = target.find('?');
    req.path = target.substr(0, q);
    // "base/" + "/GetData.cgi" gives two slashes; they name the same resource.
    while (req.path.find("//") != std::string::npos) req.path.replace(req.path.find("//"), 2, "/");
    if (q != std::string::npos) {
        std::string qs = target.substr(q + 1);
        size_t start = 0;
        while (start <= qs.size()) {
            size_t amp = qs.find('&', start);
            std::string kv =
                qs.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
            size_t eq = kv.find('=');
            if (!kv.empty()) {
                req.query[kv.substr(0, eq)] = eq == std::string::npos ? "" : kv.substr(eq + 1);
            }
            if (amp == std::string::npos) break;
            start = amp + 1;
        }
    }
    return true;
}

std::string Base64Decode(const std::string& in) {
    auto val = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string out;
    int acc = 0, bits = 0;
    for (char c : in) {
        int v = val(c);
        if (v < 0) continue;
        acc = (acc << 6) | v;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((acc >> bits) & 0xff));
        }
    }
    return out;
}

std::map<std::string, std::string> DigestFields(const std::string& s) {
    std::map<std::string, std::string> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == ',')) ++i;
        size_t eq = s.find('=', i);
        if (eq == std::string::npos) break;
        std::string key = Lower(s.substr(i, eq - i));
        i = eq + 1;
        std::string value;
        if (i < s.size() && s[i] == '"') {
            size_t end = s.find('"', i + 1);
            if (end == std::string::npos) end = s.size();
            value = s.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            size_t end = s.find(',', i);
            if (end == std::string::npos) end = s.size();
            value = s.substr(i, end - i);
            i = end;
        }
        out[key] = value;
    }
    return out;
}

const std::string kRealm = "ocv-camsim";

bool Authorized(const Options& o, const Request& req, const std::string& nonce) {
    if (o.auth.empty()) return true;
    const std::string& a = req.authorization;
    if (o.auth == "basic") {
        if (Lower(a.substr(0, 6)) != "basic ") return false;
        return Base64Decode(a.substr(6)) == o.user + ":" + o.password;
    }
    if (Lower(a.substr(0, 7)) != "digest ") return false;
    auto f = DigestFields(a.substr(7));
    if (f["username"] != o.user || f["realm"] != kRealm || f["nonce"] != nonce) return false;
    if (f["uri"] != req.target) return false;
    std::string ha1 = Md5Hex(o.user + ":" + kRealm + ":" + o.password);
    std::string ha2 = Md5Hex(req.method + ":" + f["uri"]);
    std::string expect;
    if (f.count("qop")) {
        expect = Md5Hex(ha1 + ":" + nonce + ":" + f["nc"] + ":" + f["cnonce"] + ":" + f["qop"] +
                        ":" + ha2);
    } else {
        expect = Md5Hex(ha1 + ":" + nonce + ":" + ha2);
    }
    return f["response"] == expect;
}

bool SendSimple(int fd, int status, const char* reason, const std::string& extraHeaders,
                const std::string& body) {
    char head[512];
    std::snprintf(head, sizeof head,
                  "HTTP/1.0 %d %s\r\nContent-Type: text/plain\r\nContent-Length: %zu\r\n%s"
                  "Connection: close\r\n\r\n",
                  status, reason, body.size(), extraHeaders.c_str());
    std::string h = head;
    return SendV(fd, {Iov(h), Iov(body)});
}

int QueryInt(const Request& r, const char* key, int fallback) {
    auto it = r.query.find(key);
    if (it == r.query.end() || it->second.empty()) return fallback;
    return std::atoi(it->second.c_str());
}

bool QuerySize(const Request& r, const char* key, int& w, int& h) {
    auto it = r.query.find(key);
    if (it == r.query.end()) return false;
    int a = 0, b = 0;
    if (std::sscanf(it->second.c_str(), "%dx%d", &a, &b) != 2) return false;
    if (a < 16 || b < 16 || a > 4096 || b > 4096) return false;
    w = a;
    h = b;
    return true;
}

struct Stream {
    int width, height, quality, camera;
};

// The picture settings a request asks for, by the family of its path. False for an unknown path.
bool Route(const Options& o, const Request& r, Stream& s, bool& single) {
    s = {o.width, o.height, o.quality, 1};
    single = false;
    const std::string& p = r.path;
    if (p == "/" || p == "/video.mjpg" || p == "/GetData.cgi") return true;
    if (p == "/snapshot.jpg") {
        single = true;
        return true;
    }
    if (p == "/MotionJpeg") {
        s.quality = std::clamp(QueryInt(r, "Quality", o.quality), 1, 100);
        return true;
    }
    if (p == "/nphMotionJpeg") {
        QuerySize(r, "Resolution", s.width, s.height);
        auto it = r.query.find("Quality");
        std::string q = it == r.query.end() ? "" : it->second;
        if (q == "Motion")
            s.quality = 30;
        else if (q == "Standard")
            s.quality = 60;
        else if (q == "Clarity")
            s.quality = 90;
        return true;
    }
    if (p == "/axis-cgi/mjpg/video.cgi") {
        QuerySize(r, "resolution", s.width, s.height);
        s.camera = std::clamp(QueryInt(r, "camera", 1), 1, 9);
        return true;
    }
    if (p == "/cgi-bin/video.jpg" || p == "/cgi-bin/quad.jpg") {
        int size = QueryInt(r, "size", 2);
        if (size == 1) {
            s.width = std::max(16, o.width / 2 / 2 * 2);
            s.height = std::max(16, o.height / 2 / 2 * 2);
        } else if (size == 3) {
            s.width = std::min(4096, o.width * 2);
            s.height = std::min(4096, o.height * 2);
        }
        static const int kQualities[5] = {20, 40, 60, 80, 95};
        s.quality = kQualities[std::clamp(QueryInt(r, "quality", 3), 1, 5) - 1];
        s.camera = p == "/cgi-bin/quad.jpg" ? 0 : std::clamp(QueryInt(r, "cam", 1), 1, 9);
        return true;
    }
    return false;
}

bool SendSingle(int fd, const Options& o, const Jpeg& jpeg) {
    char head[256];
    if (o.singleNoLength) {
        std::snprintf(head, sizeof head,
                      "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\nConnection: close\r\n\r\n");
    } else {
        std::snprintf(head, sizeof head,
                      "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: %zu\r\n"
                      "Connection: close\r\n\r\n",
                      jpeg->size());
    }
    std::string h = head;
    return SendV(fd, {Iov(h), Iov(*jpeg)});
}

struct ViewerCount {
    ViewerCount() { ++gViewers; }
    ~ViewerCount() { --gViewers; }
};

void ServeStream(int fd, const Options& o, PictureStore& store, const Stream& s) {
    ViewerCount viewer;
    std::string head =
        std::string(o.chunked ? "HTTP/1.1" : "HTTP/1.0") +
        " 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=" + o.boundary +
        "\r\nCache-Control: no-cache\r\nConnection: close\r\n" +
        (o.chunked ? "Transfer-Encoding: chunked\r\n" : "") + "\r\n";
    if (!SendV(fd, {Iov(head)})) return;
    const std::string tail = o.crlfAfter ? "\r\n" : "";
    int64_t start = NowMs();
    int fps = o.scene.fps;
    for (int64_t k = 0;; ++k) {
        if (fps > 0 && !Pause(fd, start + k * 1000 / fps - NowMs())) return;
        if (fps == 0 && !Pause(fd, 0)) return;
        if (o.dropAfter >= 0 && k == o.dropAfter) return;
        if (o.stallAfter >= 0 && k == o.stallAfter) {
            while (Pause(fd, 1000)) {
            }
            return;
        }
        std::string partHead = "--" + o.boundary + "\r\nContent-Type: image/jpeg\r\n";
        if (o.garbageAfter >= 0 && k == o.garbageAfter) {
            std::string garbage = "This is not a picture. ";
            for (int i = 0; i < 6; ++i) garbage += garbage;
            partHead += "\r\n";
            SendBody(fd, o.chunked, {Iov(partHead), Iov(garbage)});
            return;
        }
        if (o.hugeLengthAfter >= 0 && k == o.hugeLengthAfter) {
            partHead += o.lengthName + ": 100000000\r\n\r\n";
            std::string some(4096, 'x');
            SendBody(fd, o.chunked, {Iov(partHead), Iov(some)});
            return;
        }
        bool resized = o.resizeAfter >= 0 && k >= o.resizeAfter;
        int w = resized ? o.resizeWidth : s.width;
        int h = resized ? o.resizeHeight : s.height;
        int64_t tick = fps > 0 ? NowMs() * fps / 1000 : k;
        Jpeg jpeg = store.Get(w, h, s.quality, s.camera, tick);
        if (!jpeg || jpeg->empty()) return;
        if (o.corruptAfter >= 0 && k == o.corruptAfter) {
            std::vector<uint8_t> bad = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02};
            bad.insert(bad.end(), 500, 0x55);
            bad.push_back(0xFF);
            bad.push_back(0xD9);
            jpeg = std::make_shared<const std::vector<uint8_t>>(std::move(bad));
        }
        if (o.oversizeAfter >= 0 && k == o.oversizeAfter) {
            jpeg = std::make_shared<const std::vector<uint8_t>>(Inflate(*jpeg, 1100000));
        }
        if (!o.noLength) partHead += o.lengthName + ": " + std::to_string(jpeg->size()) + "\r\n";
        partHead += "\r\n";
        if (!SendBody(fd, o.chunked, {Iov(partHead), Iov(*jpeg), Iov(tail)})) return;
    }
}

void ServeClient(int fd, const Options* o, PictureStore* store, std::string nonce) {
    Request req;
    if (ReadRequest(fd, req)) {
        if (o->verbose)
            std::fprintf(stderr, "ocv-camsim: %s %s\n", req.method.c_str(), req.target.c_str());
        Stream s{};
        bool single = false;
        if (!Authorized(*o, req, nonce)) {
            std::string challenge =
                o->auth == "basic" ? "WWW-Authenticate: Basic realm=\"" + kRealm + "\"\r\n"
                                   : "WWW-Authenticate: Digest realm=\"" + kRealm + "\", nonce=\"" +
                                         nonce + "\", qop=\"auth\", algorithm=MD5\r\n";
            SendSimple(fd, 401, "Unauthorized", challenge, "Unauthorized\n");
        } else if (o->noStatusLine) {
            std::string text = "no status line here\r\n";
            SendV(fd, {Iov(text)});
        } else if (o->httpStatus) {
            SendSimple(fd, o->httpStatus, "Simulated", "", "simulated status\n");
        } else if (req.method != "GET") {
            SendSimple(fd, 405, "Method Not Allowed", "", "GET only\n");
        } else if (!Route(*o, req, s, single)) {
            SendSimple(fd, 404, "Not Found", "", "not found\n");
        } else {
            bool tooMany = o->maxClients >= 0 && gViewers.load() >= o->maxClients;
            if (single || tooMany) {
                int64_t tick = o->scene.fps > 0 ? NowMs() * o->scene.fps / 1000 : 0;
                Jpeg jpeg = store->Get(s.width, s.height, s.quality, s.camera, tick);
                if (jpeg && !jpeg->empty()) SendSingle(fd, *o, jpeg);
            } else {
                ServeStream(fd, *o, *store, s);
            }
        }
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
    --gClients;
}

std::string RandomHex(int bytes) {
    std::random_device rd;
    std::string out;
    static const char* hex = "0123456789abcdef";
    for (int i = 0; i < bytes; ++i) {
        unsigned v = rd() & 0xff;
        out.push_back(hex[v >> 4]);
        out.push_back(hex[v & 15]);
    }
    return out;
}

int Run(const Options& o) {
    if (::pipe2(gStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    int ls = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(ls, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(o.port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(ls, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(ls, 64) != 0) {
        std::fprintf(stderr, "ocv-camsim: cannot listen on 127.0.0.1:%d: %s\n", o.port,
                     std::strerror(errno));
        return 1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(ls, reinterpret_cast<sockaddr*>(&addr), &len);
    std::printf("ocv-camsim listening on 127.0.0.1:%d\n", ntohs(addr.sin_port));
    std::fflush(stdout);

    PictureStore store(o.scene);
    std::string nonce = RandomHex(16);
    for (;;) {
        pollfd p[2] = {{ls, POLLIN, 0}, {gStopPipe[0], POLLIN, 0}};
        int r = ::poll(p, 2, -1);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || p[1].revents) break;
        if (!(p[0].revents & POLLIN)) continue;
        int fd = ::accept4(ls, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++gClients;
        try {
            std::thread(ServeClient, fd, &o, &store, nonce).detach();
        } catch (const std::system_error&) {
            ::close(fd);
            --gClients;
        }
    }
    ::close(ls);
    // Clients see the stop pipe and end; give them a moment before the process goes.
    for (int i = 0; i < 300 && gClients.load() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

}  // namespace
}  // namespace camsim

int main(int argc, char** argv) {
    camsim::Options o;
    bool help = false;
    std::string error;
    if (!camsim::ParseOptions(argc, argv, o, help, error)) {
        std::fprintf(stderr, "ocv-camsim: %s (try --help)\n", error.c_str());
        return 2;
    }
    if (help) {
        std::fputs(camsim::HelpText(), stdout);
        return 0;
    }
    return camsim::Run(o);
}
