#include "net/HttpRequest.h"

#include <strings.h>

#include "foundation/Logger.h"

namespace ocv {

bool AnalyzeRequest(CLogger* log, const std::string& line, std::string& path,
                    std::vector<std::string>& names, std::vector<std::string>& values) {
    path.clear();
    names.clear();
    values.clear();

    size_t blank = line.find(' ');
    if (blank == std::string::npos) return false;
    std::string text = line.substr(blank + 1);

    // The next blank ends the target (it drops the protocol version), unless it comes first.
    blank = text.find(' ');
    if (blank != std::string::npos && blank > 0) text.resize(blank);

    if (!text.empty() && (text[0] == '/' || text[0] == '\\')) text.erase(0, 1);
    if (text.empty()) return true;

    size_t question = text.find('?');
    if (question == std::string::npos) {
        path = text;
        return true;
    }
    path = text.substr(0, question);
    std::string query = text.substr(question + 1);
    if (query.empty()) return true;
    if (query.back() == '&') query.pop_back();  // one trailing "&" is ignored
    if (query.empty()) return true;

    size_t start = 0;
    for (;;) {
        size_t amp = query.find('&', start);
        std::string piece =
            query.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        size_t eq = piece.find('=');
        if (eq == std::string::npos) {
            if (log) log->Error("[WebServer] Invalid CGI parameter!!");
            return false;
        }
        names.push_back(piece.substr(0, eq));
        values.push_back(piece.substr(eq + 1));
        if (amp == std::string::npos) break;
        start = amp + 1;
    }
    return true;
}

std::string GetParam(CLogger* log, const std::string& name, const std::vector<std::string>& names,
                     const std::vector<std::string>& values) {
    if (names.size() != values.size()) {
        if (log) log->Error("[WebServer] Invalid HTTP header parameter array!");
        return {};
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (strcasecmp(names[i].c_str(), name.c_str()) == 0) return values[i];
    }
    if (log)
        log->Debug("[WebServer] The value of the specified name does not exist.[name=%s]",
                   name.c_str());
    return {};
}

CRequestReader::Status CRequestReader::Feed(const char* data, size_t size, size_t* consumed) {
    size_t i = 0;
    for (; i < size && status_ == Status::NeedMore; ++i) {
        char c = data[i];
        if (c == '\r') continue;
        if (c != '\n') {
            if (current_.size() + 1 >= kLineBuffer) {
                status_ = Status::LineTooLong;
                break;
            }
            current_ += c;
            continue;
        }
        if (current_.empty()) {
            status_ = Status::Complete;
        } else if (lines_.size() >= kMaxLines) {
            status_ = Status::TooManyLines;
        } else {
            lines_.push_back(std::move(current_));
            current_.clear();
        }
    }
    if (consumed) *consumed = i;
    return status_;
}

bool ParseRequestLines(CLogger* log, const std::vector<std::string>& lines, ParsedRequest& out) {
    out = ParsedRequest{};
    if (!lines.empty() && strncasecmp(lines[0].c_str(), "HEAD", 4) == 0) out.isHead = true;
    for (const auto& line : lines) {
        if (strncasecmp(line.c_str(), "GET", 3) != 0) continue;
        if (!AnalyzeRequest(log, line, out.path, out.names, out.values)) {
            if (log) log->Error("[WebServer] Analyze Request Failed!");
            return false;
        }
        out.hasGet = true;
    }
    return true;
}

}  // namespace ocv
