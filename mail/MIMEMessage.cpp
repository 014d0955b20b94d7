#include "mail/MIMEMessage.h"

#include <cctype>

namespace ocv {
namespace {

std::string Trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

void EnsureLineEnd(std::string& body) {
    if (body.size() < 2 || body.compare(body.size() - 2, 2, "\r\n") != 0) body += "\r\n";
}

}  // namespace

CMIMEMessage::CMIMETypeManager::CMIMETypeManager() {
    agents_.push_back(std::make_unique<CTextPlain>(TEXT_PLAIN, CMailMessage::kLineLength));
    agents_.push_back(std::make_unique<CAppOctetStream>(APPLICATION_OCTETSTREAM));
}

CMIMEMessage::CMIMETypeManager& CMIMEMessage::CMIMETypeManager::Instance() {
    static CMIMETypeManager manager;
    return manager;
}

void CMIMEMessage::CMIMETypeManager::RegisterAgent(std::unique_ptr<CMIMEContentAgent> agent) {
    if (!agent) return;
    std::lock_guard lock(mutex_);
    agents_.push_back(std::move(agent));
}

CMIMEContentAgent* CMIMEMessage::CMIMETypeManager::FindAgent(int contentType) {
    std::lock_guard lock(mutex_);
    for (auto& agent : agents_)
        if (agent->ContentType() == contentType) return agent.get();
    return nullptr;
}

int CMIMEMessage::AddPart(const std::string& content, int contentType,
                          const std::string& parameters, int encoding, bool isPath) {
    CMIMEPart part{encoding, contentType, parameters, isPath, Trim(content)};
    if (contentType == TEXT_PLAIN)
        parts_.push_front(std::move(part));
    else
        parts_.push_back(std::move(part));
    return 1;
}

void CMIMEMessage::BuildHeader() {
    CMailMessage::BuildHeader();
    AppendHeaderLine("MIME-Version: 1.0");
    AppendHeaderLine(std::string("Content-Type: ") + kContentType + "; boundary=\"" + kBoundary +
                     "\"");
}

void CMIMEMessage::BuildBody() {
    if (!body_.empty()) {
        // Text converted to ISO-2022-JP says so, as does unconverted 8-bit (UTF-8) text; plain
        // ASCII text goes out as it is.
        bool high = false;
        for (unsigned char c : body_)
            if (c >= 0x80) high = true;
        const char* charset = "";
        if (body_.find('\x1b') != std::string::npos)
            charset = kJisCharset;
        else if (high)
            charset = "; charset=UTF-8";
        AddPart(body_, TEXT_PLAIN, charset, 0, false);
    }
    body_ = std::string(kPreamble) + "\r\n\r\n";
    AppendParts();
    EnsureLineEnd(body_);
    body_ += std::string("--") + kBoundary + "--\r\n";
    CMailMessage::BuildBody();
}

void CMIMEMessage::AppendParts() {
    auto& manager = CMIMETypeManager::Instance();
    for (const auto& part : parts_) {
        CMIMEContentAgent* agent = manager.FindAgent(part.contentType);
        if (agent == nullptr) continue;
        EnsureLineEnd(body_);
        body_ += std::string("--") + kBoundary + "\r\n";
        agent->AppendPart(part.content, part.parameters, part.encoding, part.isPath, body_);
    }
}

}  // namespace ocv
