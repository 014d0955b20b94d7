// An SMTP server's replies, single- and multi-line, read from a socket.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSocket.h"
#include "mail/SmtpReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > ocv::fuzz::kMaxInput) return 0;
    auto sock = ocv::fuzz::SocketWithInput(data, size);
    if (!sock) return 0;
    try {
        for (int i = 0; i < 1000; ++i) {
            std::string text;
            int code = ocv::ReadSmtpReply(*sock, text);
            if (code < 0 || code > 999) __builtin_trap();
        }
    } catch (const ocv::WSAException&) {
    }
    return 0;
}
