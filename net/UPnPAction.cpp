#include "net/UPnPAction.h"

#include <pugixml.hpp>

#include <sstream>

#include "net/HttpFetch.h"

namespace ocv {
namespace {

constexpr const char* kEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* kEncodingStyle = "http://schemas.xmlsoap.org/soap/encoding/";

struct TextCollector : pugi::xml_tree_walker {
    std::string text;
    bool for_each(pugi::xml_node& node) override {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += node.value();
        return true;
    }
};

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

}  // namespace

CUPnPAction::CUPnPAction(std::string controlUrl, std::string serviceType, std::string action)
    : controlUrl_(std::move(controlUrl)),
      serviceType_(std::move(serviceType)),
      action_(std::move(action)) {}

void CUPnPAction::AddArgument(const std::string& name, const std::string& value) {
    arguments_.emplace_back(name, value);
}

std::string CUPnPAction::BuildEnvelope() const {
    pugi::xml_document doc;
    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    auto envelope = doc.append_child("SOAP-ENV:Envelope");
    envelope.append_attribute("xmlns:SOAP-ENV") = kEnvelopeNs;
    envelope.append_attribute("SOAP-ENV:encodingStyle") = kEncodingStyle;
    auto body = envelope.append_child("SOAP-ENV:Body");
    auto call = body.append_child(("m:" + action_).c_str());
    call.append_attribute("xmlns:m") = serviceType_.c_str();
    for (const auto& [name, value] : arguments_) {
        auto arg = call.append_child(name.c_str());
        // An explicit empty text keeps "<NewRemoteHost></NewRemoteHost>" rather than "<.../>".
        arg.append_child(pugi::node_pcdata).set_value(value.c_str());
    }
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_empty_element_tags, pugi::encoding_utf8);
    return out.str();
}

bool XmlTextContent(const std::string& xml, std::string& text) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size())) return false;
    TextCollector collector;
    doc.traverse(collector);
    text = Trim(collector.text);
    return true;
}

bool CUPnPAction::Invoke(std::string& result, std::shared_ptr<NamedEvent> stop) const {
    result.clear();
    HttpRequestSpec wanted;
    wanted.url = controlUrl_;
    wanted.method = "POST";
    wanted.body = BuildEnvelope();
    wanted.headers = {"Content-Type: text/xml; charset=\"utf-8\"",
                      "SOAPAction: " + SoapActionHeader(), "Expect:"};
    wanted.timeoutMs = kTimeoutMs;
    wanted.maxBody = 256 * 1024;
    wanted.stop = std::move(stop);
    HttpExchange ex = PerformHttp(wanted);
    if (!ex.completed) {
        result = ex.error;
        return false;
    }
    std::string text;
    bool isXml = XmlTextContent(ex.body, text);
    if (ex.status == 200 && isXml) {
        result = text;
        return true;
    }
    result = isXml && !text.empty() ? text : "HTTP status " + std::to_string(ex.status);
    return false;
}

}  // namespace ocv
