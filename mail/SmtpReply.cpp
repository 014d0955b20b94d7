#include "mail/SmtpReply.h"

#include <cctype>
#include <vector>

#include "platform/SocketErrors.h"

namespace ocv {
namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

int SmtpReplyCode(const std::string& line) {
    if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

int ReadSmtpReply(TcpSock& sock, std::string& text) {
    text.clear();
    std::vector<char> buffer(kSmtpMaxReplyLine);
    for (int lines = 0; lines < kSmtpMaxReplyLines; ++lines) {
        int length = sock.ReceiveLine(buffer.data(), static_cast<int>(buffer.size()));
        std::string line(buffer.data(), static_cast<size_t>(length));
        if (!text.empty()) text += "\r\n";
        text += line;
        bool continued = line.size() >= 4 && line[3] == '-' && SmtpReplyCode(line) != 0;
        if (!continued) return SmtpReplyCode(line);
    }
    throw WSAException(10040);
}

}  // namespace ocv
