#pragma once
// The small UPnP client of the web server and the external-address query: gateway discovery,
// control URL lookup and the three port-mapping actions. Every call is synchronous, bounded in
// time and size, and ends early when the optional stop event is set.
#include <memory>
#include <string>

#include "platform/NamedEvent.h"

namespace ocv {

// Searches both service types and judges the first answer. `boundPort`, when given, receives the
// local UDP port the search used.
bool SearchGateway(std::string& location, std::string& serviceType, int timeoutMs,
                   std::shared_ptr<NamedEvent> stop = nullptr, int* boundPort = nullptr);

// Reads the device description and resolves the control URL of `serviceType`.
bool GetControlUrl(const std::string& location, const std::string& serviceType,
                   std::string& controlUrl, std::shared_ptr<NamedEvent> stop = nullptr);
// The control URL in a description document fetched from `location`; "" when none.
std::string ControlUrlFromDescription(const std::string& xml, const std::string& location,
                                      const std::string& serviceType);

// As GetControlUrl, but when the description has no such service, the other WAN connection
// service type is looked up in the same document and `serviceType` becomes that type. Gateways
// answer the search for a type they do not describe (miniupnpd answers WANPPPConnection
// searches with a description that lists only WANIPConnection).
bool FindControlUrl(const std::string& location, std::string& serviceType, std::string& controlUrl,
                    std::shared_ptr<NamedEvent> stop = nullptr);

bool GetExternalIpAddress(const std::string& controlUrl, const std::string& serviceType,
                          std::string& text, std::shared_ptr<NamedEvent> stop = nullptr);
bool AddPortMapping(const std::string& controlUrl, const std::string& serviceType,
                    const std::string& internalClient, int externalPort, int internalPort,
                    std::string& errorText, std::shared_ptr<NamedEvent> stop = nullptr);
bool DeletePortMapping(const std::string& controlUrl, const std::string& serviceType,
                       int externalPort, std::string& errorText,
                       std::shared_ptr<NamedEvent> stop = nullptr);

// Search (5000 ms), control URL and external address in a chain; "" when any step fails.
std::string QueryExternalAddress(std::shared_ptr<NamedEvent> stop = nullptr);

}  // namespace ocv
