#include "net/SsdpSearcher.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "net/NicMgr.h"

namespace ocv {

const char* const kWanPppService = "urn:schemas-upnp-org:service:WANPPPConnection:1";
const char* const kWanIpService = "urn:schemas-upnp-org:service:WANIPConnection:1";

namespace {

constexpr const char* kSsdpAddress = "239.255.255.250";
constexpr uint16_t kSsdpPort = 1900;

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

}  // namespace

std::string MakeSearchMessage(const std::string& serviceType) {
    return "M-SEARCH * HTTP/1.1\r\nMX: 3\r\nHOST: 239.255.255.250:1900\r\nMAN: "
           "\"ssdp:discover\"\r\nST: " +
           serviceType + "\r\n\r\n";
}

void ParseSsdpAnswer(const char* data, size_t size, std::string& location,
                     std::string& serviceType) {
    location.clear();
    serviceType.clear();
    size_t pos = 0;
    while (pos < size) {
        const char* nl = static_cast<const char*>(std::memchr(data + pos, '\n', size - pos));
        if (nl == nullptr) break;  // text after the last LF is not a line
        std::string line(data + pos, static_cast<size_t>(nl - (data + pos)));
        pos = static_cast<size_t>(nl - data) + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = Trim(line.substr(0, colon));
        std::string value = Trim(line.substr(colon + 1));
        if (strcasecmp(name.c_str(), "Location") == 0) {
            location = value;
        } else if (strcasecmp(name.c_str(), "ST") == 0) {
            serviceType = value;
        }
    }
}

CSsdpSearcher::CSsdpSearcher(std::shared_ptr<NamedEvent> stop) : stop_(std::move(stop)) {}

CSsdpSearcher::~CSsdpSearcher() { Close(); }

void CSsdpSearcher::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    port_ = 0;
}

bool CSsdpSearcher::Open() {
    Close();
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    for (int port = kFirstPort; port <= 65535; ++port) {
        sockaddr_in sin{};
        sin.sin_family = AF_INET;
        sin.sin_addr.s_addr = htonl(INADDR_ANY);
        sin.sin_port = htons(static_cast<uint16_t>(port));
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) == 0) {
            port_ = port;
            break;
        }
        if (errno != EADDRINUSE) break;
    }
    if (port_ == 0) {
        Close();
        return false;
    }
    unsigned char ttl = kMulticastTtl;
    ::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    return true;
}

bool CSsdpSearcher::SendSearch(const std::string& serviceType) {
    if (fd_ < 0) return false;
    const std::string message = MakeSearchMessage(serviceType);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kSsdpPort);
    ::inet_pton(AF_INET, kSsdpAddress, &to.sin_addr);
    bool any = false;
    for (const auto& local : LocalIPv4Addresses()) {
        in_addr ifAddr{};
        if (::inet_pton(AF_INET, local.c_str(), &ifAddr) != 1) continue;
        if (::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &ifAddr, sizeof ifAddr) != 0) continue;
        ssize_t n = ::sendto(fd_, message.data(), message.size(), 0,
                             reinterpret_cast<sockaddr*>(&to), sizeof to);
        if (n == static_cast<ssize_t>(message.size())) any = true;
    }
    if (any) searched_.push_back(serviceType);
    return any;
}

bool CSsdpSearcher::WaitAnswer(int timeoutMs, std::string& location, std::string& serviceType) {
    location.clear();
    serviceType.clear();
    if (fd_ < 0) return false;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {-1, POLLIN, 0}};
    nfds_t count = 1;
    if (stop_) {
        fds[1].fd = stop_->Fd();
        count = 2;
    }
    int rc;
    do {
        rc = ::poll(fds, count, timeoutMs < 0 ? 0 : timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc <= 0) return false;
    if (count == 2 && (fds[1].revents & POLLIN)) return false;
    if ((fds[0].revents & POLLIN) == 0) return false;

    char buffer[kAnswerLimit];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    std::string foundLocation, foundType;
    ParseSsdpAnswer(buffer, static_cast<size_t>(n), foundLocation, foundType);
    if (foundLocation.empty() || foundType.empty()) return false;
    if (std::find(searched_.begin(), searched_.end(), foundType) == searched_.end()) return false;
    location = foundLocation;
    serviceType = foundType;
    return true;
}

}  // namespace ocv
