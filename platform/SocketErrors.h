#pragma once
// The socket error codes and texts that socket failures are reported with, and the mapping from
// POSIX errno values and getaddrinfo() results onto those codes.
#include <string>

namespace ocv {

namespace sockerr {
constexpr int kInterrupted = 10004;
constexpr int kPermission = 10013;
constexpr int kFault = 10014;
constexpr int kInvalidArgument = 10022;
constexpr int kTooManyFiles = 10024;
constexpr int kWouldBlock = 10035;
constexpr int kInProgress = 10036;
constexpr int kAlready = 10037;
constexpr int kNotSocket = 10038;
constexpr int kMessageSize = 10040;
constexpr int kNotConnected = 10057;
constexpr int kShutdown = 10058;
constexpr int kTimedOut = 10060;
constexpr int kConnectionRefused = 10061;
constexpr int kConnectionReset = 10054;
constexpr int kConnectionAborted = 10053;
constexpr int kHostNotFound = 11001;
constexpr int kTryAgain = 11002;
constexpr int kNoRecovery = 11003;
constexpr int kNoData = 11004;
constexpr int kDisconnecting = 10101;
}  // namespace sockerr

// The table's text for a code, or "Unknown error code!".
const char* SocketErrorText(int code);
// Number of entries in the table (42).
int SocketErrorTableSize();
// Maps an errno value of a socket call to the table's code. An errno with no counterpart gives
// 20000 + errno, whose text is "Unknown error code!".
int SocketErrorFromErrno(int err);
// Maps a getaddrinfo() result (EAI_*) to the table's code.
int SocketErrorFromGai(int gaiResult);

}  // namespace ocv
