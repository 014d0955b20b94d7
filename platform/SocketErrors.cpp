#include "platform/SocketErrors.h"

#include <netdb.h>

#include <cerrno>

namespace ocv {
namespace {

struct Row {
    int code;
    const char* text;
};

constexpr Row kTable[] = {
    {10013, "Permission denied."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10047, "Address family not supported by protocol family."},
    {10037, "Operation already in progress."},
    {10053, "Software caused connection abort."},
    {10061, "Connection refused."},
    {10054, "Connection reset by peer."},
    {10039, "Destination address required."},
    {10014, "Bad address."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10036, "Operation now in progress."},
    {10004, "Interrupted function call."},
    {10022, "Invalid argument."},
    {10056, "Socket is already connected."},
    {10024, "Too many open files."},
    {10040, "Message too long."},
    {10050, "Network is down."},
    {10052, "Network dropped connection on reset."},
    {10051, "Network is unreachable."},
    {10055, "No buffer space available."},
    {10042, "Bad protocol option."},
    {10057, "Socket is not connected."},
    {10038, "Socket operation on non-socket."},
    {10045, "Operation not supported."},
    {10046, "Protocol family not supported."},
    {10067, "Too many processes."},
    {10043, "Protocol not supported."},
    {10041, "Protocol wrong type for socket."},
    {10058, "Cannot send after socket shutdown."},
    {10044, "Socket type not supported."},
    {10060, "Connection timed out."},
    {10035, "Resource temporarily unavailable."},
    {11001, "Host not found."},
    {10093, "Successful WSAStartup not yet performed."},
    {11004, "Valid name, no data record of requested type."},
    {11003, "This is a non-recoverable error."},
    {10091, "Network subsystem is unavailable."},
    {11002, "Non-authoritative host not found."},
    {10092, "WINSOCK.DLL version out of range."},
    {10101, "Graceful shutdown in progress."},
};

}  // namespace

const char* SocketErrorText(int code) {
    for (const auto& r : kTable)
        if (r.code == code) return r.text;
    return "Unknown error code!";
}

int SocketErrorTableSize() { return static_cast<int>(sizeof kTable / sizeof kTable[0]); }

int SocketErrorFromErrno(int err) {
    switch (err) {
        case EINTR: return 10004;
        case EACCES:
        case EPERM: return 10013;
        case EFAULT: return 10014;
        case EINVAL: return 10022;
        case EMFILE:
        case ENFILE: return 10024;
        case EAGAIN: return 10035;
        case EINPROGRESS: return 10036;
        case EALREADY: return 10037;
        case ENOTSOCK:
        case EBADF: return 10038;
        case EDESTADDRREQ: return 10039;
        case EMSGSIZE: return 10040;
        case EPROTOTYPE: return 10041;
        case ENOPROTOOPT: return 10042;
        case EPROTONOSUPPORT: return 10043;
        case ESOCKTNOSUPPORT: return 10044;
        case EOPNOTSUPP: return 10045;
        case EPFNOSUPPORT: return 10046;
        case EAFNOSUPPORT: return 10047;
        case EADDRINUSE: return 10048;
        case EADDRNOTAVAIL: return 10049;
        case ENETDOWN: return 10050;
        case ENETUNREACH: return 10051;
        case ENETRESET: return 10052;
        case ECONNABORTED: return 10053;
        case ECONNRESET:
        case EPIPE: return 10054;
        case ENOBUFS:
        case ENOMEM: return 10055;
        case EISCONN: return 10056;
        case ENOTCONN: return 10057;
        case ESHUTDOWN: return 10058;
        case ETIMEDOUT: return 10060;
        case ECONNREFUSED: return 10061;
        case EHOSTDOWN: return 10064;
        case EHOSTUNREACH: return 10065;
        case EUSERS: return 10067;    // too many users/processes
        default: return 20000 + err;  // outside the table: "Unknown error code!"
    }
}

int SocketErrorFromGai(int gaiResult) {
    switch (gaiResult) {
        case 0: return 0;
        case EAI_NONAME: return 11001;
#ifdef EAI_NODATA
        case EAI_NODATA: return 11004;
#endif
        case EAI_ADDRFAMILY: return 11004;
        case EAI_AGAIN: return 11002;
        case EAI_FAIL: return 11003;
        case EAI_MEMORY: return 10055;
        case EAI_FAMILY: return 10047;
        case EAI_SOCKTYPE: return 10044;
        case EAI_SERVICE: return 10022;
        case EAI_SYSTEM: return SocketErrorFromErrno(errno);
        default: return 11003;
    }
}

}  // namespace ocv
