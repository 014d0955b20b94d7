#include "mail/MailMessage.h"

#include "mail/HeaderText.h"
#include "mail/MailDate.h"

namespace ocv {

bool HasControlChars(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

CMailMessage::CMailMessage() : mailer_("Ocuvane Mailer") {}

std::vector<CMailMessage::CRecipient>* CMailMessage::List(int list) {
    switch (list) {
        case TO: return &to_;
        case CC: return &cc_;
        case BCC: return &bcc_;
        default: return nullptr;
    }
}

const std::vector<CMailMessage::CRecipient>& CMailMessage::Recipients(int list) const {
    static const std::vector<CRecipient> kNone;
    switch (list) {
        case TO: return to_;
        case CC: return cc_;
        case BCC: return bcc_;
        default: return kNone;
    }
}

int CMailMessage::AddRecipient(const std::string& address, const std::string& name, int list) {
    auto* target = List(list);
    if (target == nullptr || HasControlChars(address) || HasControlChars(name)) return 0;
    target->push_back({address, name});
    return 1;
}

// Entries are separated by ";" (empty entries included, nothing trimmed). An entry without "<"
// is a bare address; otherwise the name is the text before the first "<" (its trailing spaces
// kept) and the address the text up to the first ">" after it.
int CMailMessage::AddRecipientList(const std::string& text, int list) {
    size_t start = 0;
    for (;;) {
        size_t end = text.find(';', start);
        std::string entry =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t open = entry.find('<');
        if (open == std::string::npos) {
            if (!AddRecipient(entry, "", list)) return 0;
        } else {
            size_t close = entry.find('>');
            if (close == std::string::npos || close < open) return 0;
            if (!AddRecipient(entry.substr(open + 1, close - open - 1), entry.substr(0, open),
                              list))
                return 0;
        }
        if (end == std::string::npos) return 1;
        start = end + 1;
    }
}

int CMailMessage::RecipientCount(int list) const {
    return static_cast<int>(Recipients(list).size());
}

bool CMailMessage::GetRecipientAt(int index, int list, std::string& address,
                                  std::string& name) const {
    const auto& r = Recipients(list);
    if (index < 0 || index >= static_cast<int>(r.size())) return false;
    address = r[static_cast<size_t>(index)].address;
    name = r[static_cast<size_t>(index)].name;
    return true;
}

void CMailMessage::ComposeMessage() {
    StartHeader();
    BuildHeader();
    CloseHeader();
    BuildBody();
}

void CMailMessage::StartHeader() { header_.clear(); }

void CMailMessage::AppendHeaderLine(const std::string& line) {
    header_ += line;
    header_ += "\r\n";
}

void CMailMessage::CloseHeader() { header_ += "\r\n"; }

std::string CMailMessage::FormatList(const std::vector<CRecipient>& list) const {
    std::string out;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0) out += ",";
        out += list[i].name + "<" + list[i].address + ">";
    }
    return out;
}

void CMailMessage::BuildHeader() {
    date_ = fixedDate_ ? *fixedDate_ : std::time(nullptr);
    AppendHeaderLine("From: " + from_);
    AppendHeaderLine("To: " + FormatList(to_));
    AppendHeaderLine("Cc: " + FormatList(cc_));
    AppendHeaderLine("Date: " + FormatMailDate(date_));
    AppendHeaderLine("Subject: " + EncodeHeaderText(subject_));
    AppendHeaderLine("X-Mailer: " + mailer_);
}

void CMailMessage::BuildBody() {
    if (body_.size() < 2 || body_.compare(body_.size() - 2, 2, "\r\n") != 0) body_ += "\r\n";
}

}  // namespace ocv
