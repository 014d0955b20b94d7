#pragma once
// One SOAP control call to a gateway's service: the envelope with the action and its arguments,
// posted to the control URL; the answer's text content is the result.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/NamedEvent.h"

namespace ocv {

class CUPnPAction {
public:
    static constexpr int kTimeoutMs = 10000;

    CUPnPAction(std::string controlUrl, std::string serviceType, std::string action);

    // Arguments are emitted in the order they are added.
    void AddArgument(const std::string& name, const std::string& value);
    // The XML text posted to the gateway.
    std::string BuildEnvelope() const;
    // The "SOAPAction" header value: service type + "#" + action.
    std::string SoapActionHeader() const { return serviceType_ + "#" + action_; }
    // True on status 200 with the answer's text content in `result`; false with the gateway's
    // fault text (or the transport's error) in `result`.
    bool Invoke(std::string& result, std::shared_ptr<NamedEvent> stop = nullptr) const;

private:
    std::string controlUrl_;
    std::string serviceType_;
    std::string action_;
    std::vector<std::pair<std::string, std::string>> arguments_;
};

// The text content of an XML document (every text node, in document order, joined and trimmed);
// false when the text is not well-formed XML.
bool XmlTextContent(const std::string& xml, std::string& text);

}  // namespace ocv
