#include "mail/MailCommandHeader.h"

#include <algorithm>
#include <climits>

namespace ocv {
namespace {

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string TrimLeadingWhite(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && IsWhite(s[i])) ++i;
    return s.substr(i);
}

}  // namespace

std::string HeaderFieldValue(const std::string& header, const std::string& name) {
    size_t at = header.find(name);
    if (at == std::string::npos) return "";
    size_t start = at + name.size();
    while (start < header.size() && (header[start] == ' ' || header[start] == ':')) ++start;
    size_t end = header.find_first_of(std::string("\r\n\0", 3), start);
    if (end == std::string::npos) end = header.size();
    return header.substr(start, end - start);
}

std::string SenderAddress(const std::string& from) {
    size_t open = from.find('<');
    if (open == std::string::npos) return "";
    size_t close = from.find('>', open + 1);
    if (close == std::string::npos) return "";
    return from.substr(open + 1, close - open - 1);
}

int ParseCameraNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (IsWhite(text[i]) || text[i] == '\r' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

MailExamination ExamineCommandHeader(const std::string& header, bool senderCheck,
                                     const std::string& allowedSender, MailCommandRequest& out) {
    out = MailCommandRequest{};
    out.subject = HeaderFieldValue(header, "Subject:");
    if (out.subject.empty()) return MailExamination::NoSubject;
    out.from = HeaderFieldValue(header, "From:");
    if (out.from.empty()) return MailExamination::NoFrom;
    out.sender = SenderAddress(out.from);

    size_t space = out.subject.find(' ');
    if (space == std::string::npos || out.subject.compare(0, space, "ovn") != 0)
        return MailExamination::NotCommand;
    if (senderCheck && out.sender != allowedSender) return MailExamination::SenderRefused;

    std::string rest = TrimLeadingWhite(out.subject.substr(3));
    size_t gap = rest.size() > 1 ? rest.find(' ', 1) : std::string::npos;
    if (gap == std::string::npos) {
        out.word = rest;
        out.cameraNo = 1;
    } else {
        out.word = rest.substr(0, gap);
        out.cameraNo = ParseCameraNumber(rest.substr(gap + 1));
    }
    return MailExamination::Command;
}

std::string ReplySubject(const std::string& word, int result) {
    std::string safe;
    safe.reserve(std::min(word.size(), kMaxReplyWordBytes));
    for (char c : word) {
        unsigned char u = static_cast<unsigned char>(c);
        safe += (u < 0x20 || u == 0x7f) ? ' ' : c;
    }
    if (safe.size() > kMaxReplyWordBytes) {
        size_t cut = kMaxReplyWordBytes;
        // Back up to the start of a UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80) --cut;
        safe.resize(cut);
    }
    return "Re: ovn " + safe + " [" + (result == 0 ? "ok" : "error") + "]";
}

}  // namespace ocv
