#pragma once
// Reading POP3 replies from a line socket: status lines ("+OK" / "-ERR") and multi-line replies
// ending in a line of a single period. Every read is bounded in length.
#include <cstddef>
#include <string>

#include "mail/TcpSock.h"

namespace ocv {

constexpr size_t kPop3MaxStatusLine = 1024;  // bytes of one status line, end excluded
constexpr size_t kPop3MaxTextLine = 4096;    // bytes of one line of a multi-line reply
// A reply that grows too long is still read to its end, up to this many bytes in all, so that
// the next command's reply is not taken from its rest; beyond it the read fails at once.
constexpr size_t kPop3MaxDrain = 64 * 1024 * 1024;

// True when the line begins with "+OK". `text` receives the line after its first space with
// leading white space removed, or the whole line when it has no space.
bool ParsePop3Status(const std::string& line, std::string& text);

// The message count of a STAT reply text ("3 1200" gives 3); -1 when the text has no space or
// does not start with a decimal number.
int ParsePop3StatCount(const std::string& text);

enum class Pop3Status { Positive, Negative, Failed };

// Reads one status line. On Failed, `text` is "Recv message failed!" (receive error, closed
// connection, too long a line, or the time-out limit reached).
Pop3Status ReadPop3StatusLine(TcpSock& sock, std::string& text);

// Appends the lines of a multi-line reply, each with "\r\n", through the terminating ".\r\n",
// to `out`. Lines are kept as received (dot-stuffing included). False on any receive failure, or
// when more than `maxBytes` would be appended or a line exceeds kPop3MaxTextLine: then the rest
// of the reply is read and dropped (what was appended stays).
// `broken`, when given, is set when the connection itself failed (not only the reply's size).
bool ReadPop3MultiLine(TcpSock& sock, std::string& out, size_t maxBytes, bool* broken = nullptr);

}  // namespace ocv
