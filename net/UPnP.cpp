#include "net/UPnP.h"

#include <pugixml.hpp>

#include "net/HttpFetch.h"
#include "net/SsdpSearcher.h"
#include "net/UPnPAction.h"

namespace ocv {
namespace {

constexpr int kDescriptionTimeoutMs = 10000;
constexpr size_t kDescriptionLimit = 1024 * 1024;

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

}  // namespace

bool SearchGateway(std::string& location, std::string& serviceType, int timeoutMs,
                   std::shared_ptr<NamedEvent> stop, int* boundPort) {
    location.clear();
    serviceType.clear();
    CSsdpSearcher searcher(std::move(stop));
    if (!searcher.Open()) return false;
    if (boundPort) *boundPort = searcher.BoundPort();
    searcher.SendSearch(kWanPppService);
    searcher.SendSearch(kWanIpService);
    bool found =
        !searcher.Searched().empty() && searcher.WaitAnswer(timeoutMs, location, serviceType);
    searcher.Close();
    return found;
}

std::string ControlUrlFromDescription(const std::string& xml, const std::string& location,
                                      const std::string& serviceType) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size())) return {};
    try {
        pugi::xpath_variable_set vars;
        vars.set("st", serviceType.c_str());
        pugi::xpath_query query("//service[serviceType=$st]/controlURL", &vars);
        pugi::xpath_node control = query.evaluate_node(doc);
        if (!control) return {};
        std::string path = Trim(control.node().text().get());
        std::string base = location;
        pugi::xpath_node urlBase = doc.select_node("//URLBase");
        if (urlBase) {
            std::string b = Trim(urlBase.node().text().get());
            if (!b.empty()) base = b;
        }
        return CombineUrl(base, path);
    } catch (const pugi::xpath_exception&) {
        return {};
    }
}

namespace {

// Fetches the device description at `location`; false unless it came whole with status 200.
bool FetchDescription(const std::string& location, std::shared_ptr<NamedEvent> stop,
                      std::string& body) {
    HttpRequestSpec wanted;
    wanted.url = location;
    wanted.timeoutMs = kDescriptionTimeoutMs;
    wanted.maxBody = kDescriptionLimit;
    wanted.stop = std::move(stop);
    HttpExchange ex = PerformHttp(wanted);
    if (!ex.completed || ex.status != 200) return false;
    body = std::move(ex.body);
    return true;
}

}  // namespace

bool GetControlUrl(const std::string& location, const std::string& serviceType,
                   std::string& controlUrl, std::shared_ptr<NamedEvent> stop) {
    controlUrl.clear();
    std::string description;
    if (!FetchDescription(location, std::move(stop), description)) return false;
    controlUrl = ControlUrlFromDescription(description, location, serviceType);
    return !controlUrl.empty();
}

bool FindControlUrl(const std::string& location, std::string& serviceType, std::string& controlUrl,
                    std::shared_ptr<NamedEvent> stop) {
    controlUrl.clear();
    std::string description;
    if (!FetchDescription(location, std::move(stop), description)) return false;
    controlUrl = ControlUrlFromDescription(description, location, serviceType);
    if (!controlUrl.empty()) return true;
    for (const char* other : {kWanPppService, kWanIpService}) {
        if (serviceType == other) continue;
        controlUrl = ControlUrlFromDescription(description, location, other);
        if (!controlUrl.empty()) {
            serviceType = other;
            return true;
        }
    }
    return false;
}

bool GetExternalIpAddress(const std::string& controlUrl, const std::string& serviceType,
                          std::string& text, std::shared_ptr<NamedEvent> stop) {
    CUPnPAction action(controlUrl, serviceType, "GetExternalIPAddress");
    return action.Invoke(text, std::move(stop));
}

bool AddPortMapping(const std::string& controlUrl, const std::string& serviceType,
                    const std::string& internalClient, int externalPort, int internalPort,
                    std::string& errorText, std::shared_ptr<NamedEvent> stop) {
    errorText.clear();
    CUPnPAction action(controlUrl, serviceType, "AddPortMapping");
    action.AddArgument("NewRemoteHost", "");
    action.AddArgument("NewExternalPort", std::to_string(externalPort));
    action.AddArgument("NewProtocol", "TCP");
    action.AddArgument("NewInternalPort", std::to_string(internalPort));
    action.AddArgument("NewInternalClient", internalClient);
    action.AddArgument("NewPortMappingDescription", "Ocuvane");
    action.AddArgument("NewEnabled", "1");
    action.AddArgument("NewLeaseDuration", "0");
    std::string result;
    if (action.Invoke(result, std::move(stop))) return true;
    errorText = result;
    return false;
}

bool DeletePortMapping(const std::string& controlUrl, const std::string& serviceType,
                       int externalPort, std::string& errorText, std::shared_ptr<NamedEvent> stop) {
    errorText.clear();
    CUPnPAction action(controlUrl, serviceType, "DeletePortMapping");
    action.AddArgument("NewRemoteHost", "");
    action.AddArgument("NewExternalPort", std::to_string(externalPort));
    action.AddArgument("NewProtocol", "TCP");
    std::string result;
    if (action.Invoke(result, std::move(stop))) return true;
    errorText = result;
    return false;
}

std::string QueryExternalAddress(std::shared_ptr<NamedEvent> stop) {
    std::string location, serviceType, controlUrl, address;
    if (!SearchGateway(location, serviceType, 5000, stop)) return {};
    if (!FindControlUrl(location, serviceType, controlUrl, stop)) return {};
    if (!GetExternalIpAddress(controlUrl, serviceType, address, stop)) return {};
    return address;
}

}  // namespace ocv
