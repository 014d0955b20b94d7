#pragma once
// The request side of the web server: the request line parser, the parameter lookup and the
// bounded reader of the request header lines.
#include <cstddef>
#include <string>
#include <vector>

namespace ocv {

class CLogger;

// Splits a request line ("GET /path?a=1&b=2 HTTP/1.1") into the path (without its leading slash
// or backslash and without the query) and the parameter names and values in query order.
// Values keep their bytes as sent (no percent-decoding). False for a line without a blank or a
// query piece without "=" (pairs before it stay in the lists). `log` may be null.
bool AnalyzeRequest(CLogger* log, const std::string& line, std::string& path,
                    std::vector<std::string>& names, std::vector<std::string>& values);

// The value of the first parameter whose name equals `name` ignoring case; "" when there is none.
std::string GetParam(CLogger* log, const std::string& name, const std::vector<std::string>& names,
                     const std::vector<std::string>& values);

// Collects request header lines from the bytes of a connection: CR bytes are dropped, LF ends a
// line, an empty line ends the header. Lines and their number are bounded.
class CRequestReader {
public:
    static constexpr size_t kLineBuffer = 1024;  // a line holds at most 1023 bytes
    static constexpr size_t kMaxLines = 100;

    enum class Status { NeedMore, Complete, LineTooLong, TooManyLines };

    // Takes bytes; returns the state after them. Bytes after the end of the header are left
    // unread (`consumed` tells how many were used when given).
    Status Feed(const char* data, size_t size, size_t* consumed = nullptr);
    Status State() const { return status_; }
    // The complete lines read so far, without the empty last line.
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    Status status_ = Status::NeedMore;
    std::string current_;
    std::vector<std::string> lines_;
};

// A request as the server acts on it: the method of the first request line and what the last
// "GET" line gave.
struct ParsedRequest {
    bool hasGet = false;  // a line starting with "GET" was parsed
    bool isHead = false;  // the first line starts with "HEAD"
    std::string path;
    std::vector<std::string> names;
    std::vector<std::string> values;
};

// Parses every line that begins with "GET" (any case) with AnalyzeRequest; other lines are
// ignored. False when a GET line cannot be parsed ("[WebServer] Analyze Request Failed!" logged).
bool ParseRequestLines(CLogger* log, const std::vector<std::string>& lines, ParsedRequest& out);

}  // namespace ocv
