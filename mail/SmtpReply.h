#pragma once
// Reading one SMTP reply: its lines up to the final one ("ddd text", not "ddd-text").
#include <string>

#include "mail/TcpSock.h"

namespace ocv {

constexpr int kSmtpMaxReplyLine = 1024;  // bytes of one reply line, end included
constexpr int kSmtpMaxReplyLines = 100;  // lines of one multi-line reply

// The reply code in the first three characters of a line, or 0 when they are not three digits.
int SmtpReplyCode(const std::string& line);

// Reads one whole reply; returns the code of its final line (0 when that line has no code) and
// leaves the lines, joined by "\r\n", in `text`. Bytes after the reply stay buffered for the
// next one. Throws WSAException on a receive failure, a closed connection (10101), a too long
// line (10022) or too many lines (10040).
int ReadSmtpReply(TcpSock& sock, std::string& text);

}  // namespace ocv
