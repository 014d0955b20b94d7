#include "delivery/MailBody.h"

#include <cstdio>

namespace ocv {
namespace {

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
    size_t pos = 0;
    while ((pos = text.find(what, pos)) != std::string::npos) {
        text.replace(pos, what.size(), with);
        pos += with.size();  // the inserted text is not searched again
    }
}

}  // namespace

std::string ExpandMailBody(const std::string& body, const std::string& localName,
                           const std::string& ftpName, const std::string& mailName,
                           const LocalTime& time) {
    char date[64];
    std::snprintf(date, sizeof date, "%d年%d月%d日", time.wYear, time.wMonth, time.wDay);
    char clock[64];
    std::snprintf(clock, sizeof clock, "%d時%d分%d秒", time.wHour, time.wMinute, time.wSecond);
    std::string text = body;
    ReplaceAll(text, "_$LOCALFILENAME$_", localName);
    ReplaceAll(text, "_$FTPFILENAME$_", ftpName);
    ReplaceAll(text, "_$MAILFILENAME$_", mailName);
    ReplaceAll(text, "_$DATE$_", date);
    ReplaceAll(text, "_$TIME$_", clock);
    return text;
}

std::string ToCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace ocv
