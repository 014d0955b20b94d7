#include "mail/Pop3Reader.h"

#include <cctype>
#include <vector>

namespace ocv {

bool ParsePop3Status(const std::string& line, std::string& text) {
    size_t space = line.find(' ');
    if (space == std::string::npos) {
        text = line;
    } else {
        size_t start = space + 1;
        while (start < line.size() && std::isspace(static_cast<unsigned char>(line[start])))
            ++start;
        text = line.substr(start);
    }
    return line.compare(0, 3, "+OK") == 0;
}

int ParsePop3StatCount(const std::string& text) {
    size_t space = text.find(' ');
    if (space == std::string::npos || space == 0) return -1;
    long long value = 0;
    for (size_t i = 0; i < space; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isdigit(c)) return -1;
        value = value * 10 + (c - '0');
        if (value > 0x7fffffff) return -1;
    }
    return static_cast<int>(value);
}

Pop3Status ReadPop3StatusLine(TcpSock& sock, std::string& text) {
    std::vector<char> line(kPop3MaxStatusLine + 1);
    int length = 0;
    try {
        length = sock.ReceiveLine(line.data(), static_cast<int>(line.size()));
    } catch (const WSAException&) {
        text = "Recv message failed!";
        return Pop3Status::Failed;
    }
    return ParsePop3Status(std::string(line.data(), static_cast<size_t>(length)), text)
               ? Pop3Status::Positive
               : Pop3Status::Negative;
}

bool ReadPop3MultiLine(TcpSock& sock, std::string& out, size_t maxBytes, bool* broken) {
    if (broken) *broken = false;
    std::vector<char> line(kPop3MaxTextLine + 1);
    size_t added = 0;
    bool tooLong = false;
    for (;;) {
        int length = 0;
        try {
            length = sock.ReceiveLine(line.data(), static_cast<int>(line.size()));
        } catch (const WSAException& e) {
            // A line longer than the buffer: its rest is read (and dropped) as further lines,
            // so the connection stays in step with the server.
            if (e.Code() != 10022 || added + line.size() > kPop3MaxDrain) {
                if (broken) *broken = true;
                return false;
            }
            tooLong = true;
            added += line.size();
            continue;
        }
        added += static_cast<size_t>(length) + 2;
        if (length == 1 && line[0] == '.') {
            if (tooLong) return false;
            out.append(".\r\n");
            return true;
        }
        if (added > maxBytes) tooLong = true;
        if (added > kPop3MaxDrain) {
            if (broken) *broken = true;
            return false;
        }
        if (tooLong) continue;
        out.append(line.data(), static_cast<size_t>(length));
        out.append("\r\n");
    }
}

}  // namespace ocv
