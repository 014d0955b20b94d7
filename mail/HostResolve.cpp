#include "mail/HostResolve.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>

#include "platform/SocketErrors.h"

namespace ocv {

int ResolveIPv4(const std::string& host, std::string& dotted) {
    dotted.clear();
    if (host.empty()) return sockerr::kHostNotFound;
    in_addr addr{};
    if (::inet_pton(AF_INET, host.c_str(), &addr) == 1) {
        dotted = host;
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
    if (rc != 0) return SocketErrorFromGai(rc);
    int code = sockerr::kNoData;
    for (addrinfo* p = result; p != nullptr; p = p->ai_next) {
        if (p->ai_family != AF_INET || p->ai_addr == nullptr) continue;
        const auto* sin = reinterpret_cast<const sockaddr_in*>(p->ai_addr);
        const auto* b = reinterpret_cast<const unsigned char*>(&sin->sin_addr.s_addr);
        char text[16];
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
        dotted = text;
        code = 0;
        break;
    }
    ::freeaddrinfo(result);
    return code;
}

}  // namespace ocv
