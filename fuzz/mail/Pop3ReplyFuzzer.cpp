// A POP3 server's replies: status lines and multi-line replies read from a socket.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSocket.h"
#include "mail/Pop3Reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > ocv::fuzz::kMaxInput) return 0;
    auto sock = ocv::fuzz::SocketWithInput(data, size);
    if (!sock) return 0;
    for (int i = 0; i < 1000; ++i) {
        std::string text;
        ocv::Pop3Status status = ocv::ReadPop3StatusLine(*sock, text);
        if (status == ocv::Pop3Status::Failed) break;
        if (text.size() > ocv::kPop3MaxStatusLine) __builtin_trap();
        ocv::ParsePop3StatCount(text);
        if (status == ocv::Pop3Status::Positive) {
            std::string out;
            bool ok = ocv::ReadPop3MultiLine(*sock, out, 8192);
            if (out.size() > 8192) __builtin_trap();
            if (ok && out.size() < 3) __builtin_trap();
            if (!ok) break;
        }
    }
    return 0;
}
