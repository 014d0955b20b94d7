#pragma once
// SSDP discovery of an Internet gateway device: one UDP socket that sends an M-SEARCH for each
// service type from every local IPv4 address and examines the first answer only.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/NamedEvent.h"

namespace ocv {

// The two service types searched, in this order.
extern const char* const kWanPppService;
extern const char* const kWanIpService;

class CSsdpSearcher {
public:
    static constexpr int kFirstPort = 20000;
    static constexpr int kMulticastTtl = 4;
    static constexpr size_t kAnswerLimit = 2048;

    explicit CSsdpSearcher(std::shared_ptr<NamedEvent> stop = nullptr);
    ~CSsdpSearcher();
    CSsdpSearcher(const CSsdpSearcher&) = delete;
    CSsdpSearcher& operator=(const CSsdpSearcher&) = delete;

    // Binds a UDP socket to any address and the first free port from kFirstPort up.
    bool Open();
    int BoundPort() const { return port_; }
    // Sends the search for one service type from every local IPv4 address; true when at least
    // one send succeeded (the type is then remembered as searched).
    bool SendSearch(const std::string& serviceType);
    // Waits at most timeoutMs for the first datagram and judges it. True with the description
    // URL and the service type when the answer names one of the searched types.
    bool WaitAnswer(int timeoutMs, std::string& location, std::string& serviceType);
    void Close();

    const std::vector<std::string>& Searched() const { return searched_; }

private:
    std::shared_ptr<NamedEvent> stop_;
    int fd_ = -1;
    int port_ = 0;
    std::vector<std::string> searched_;
};

// The search message for one service type.
std::string MakeSearchMessage(const std::string& serviceType);

// Reads the "Location" and "ST" headers (names in any case, values trimmed) of an SSDP answer.
// Lines end at LF with an optional CR; text after the last LF is ignored.
void ParseSsdpAnswer(const char* data, size_t size, std::string& location,
                     std::string& serviceType);

}  // namespace ocv
