#pragma once
// The steps of the UPnP test as one sequence over replaceable calls: gateway search, control
// URL, external address, a port mapping added and deleted at once. Each step reports its line;
// the first failing step ends the sequence with the lines that say UPnP cannot be used.
#include <functional>
#include <memory>
#include <string>

namespace ocv {

class NamedEvent;
using StopEvent = std::shared_ptr<NamedEvent>;

struct UPnPSteps {
    std::function<bool(std::string& location, std::string& serviceType, StopEvent)> search;
    std::function<bool(const std::string& location, std::string& serviceType,
                       std::string& controlUrl, StopEvent)>
        controlUrl;
    std::function<bool(const std::string& controlUrl, const std::string& serviceType,
                       std::string& text, StopEvent)>
        externalAddress;
    std::function<bool(const std::string& controlUrl, const std::string& serviceType,
                       const std::string& internalClient, int externalPort, int internalPort,
                       std::string& errorText, StopEvent)>
        addMapping;
    std::function<bool(const std::string& controlUrl, const std::string& serviceType,
                       int externalPort, std::string& errorText, StopEvent)>
        deleteMapping;
};

// The steps that talk to the gateway of the local network.
UPnPSteps GatewayUPnPSteps();

// The first line, written before the sequence runs.
inline constexpr const char* kUPnPSearchingLine = "Searching Internet Gateway Device...\r\n";

// Runs the steps for `port` on `localAddress`, handing each line (CR LF ended) to `out`.
// Returns true when every step succeeded.
bool RunUPnPTest(const UPnPSteps& steps, int port, const std::string& localAddress,
                 const std::function<void(const std::string&)>& out, StopEvent stop = nullptr);

}  // namespace ocv
