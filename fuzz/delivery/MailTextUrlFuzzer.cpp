// Feeds arbitrary settings text to the builders of the mail text and the FTP URL, and checks
// what must always hold: a URL never carries a control character, a space, a query or a
// second authority, and a mail text has CR LF line ends only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "delivery/FtpSession.h"
#include "delivery/MailBody.h"
#include "mail/JisText.h"

namespace {

// Splits the input at NUL bytes into up to five fields.
std::vector<std::string> Fields(const uint8_t* data, size_t size) {
    std::vector<std::string> out(5);
    size_t f = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && f + 1 < out.size())
            ++f;
        else
            out[f] += static_cast<char>(data[i]);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto f = Fields(data, size);
    ocv::LocalTime t{2026, 12, 0, 31, 23, 59, 58, 0};
    std::string body = ocv::ToCrLf(ocv::ExpandMailBody(f[0], f[1], f[2], f[3], t));
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\n' && (i == 0 || body[i - 1] != '\r')) std::abort();
        if (body[i] == '\r' && (i + 1 == body.size() || body[i + 1] != '\n')) std::abort();
    }
    ocv::ToJisText(body, ocv::kJisTextMaxBytes);
    if (body.size() > ocv::kJisTextMaxBytes) std::abort();

    ocv::FtpEndpoint e;
    e.host = f[4];
    e.port = size > 0 ? data[0] * 257 : 0;
    std::string url = ocv::CFtpSession::MakeUrl(e, f[1], f[2]);
    if (!url.empty()) {
        if (url.compare(0, 6, "ftp://") != 0) std::abort();
        for (unsigned char c : url)
            if (c <= 0x20 || c == 0x7f) std::abort();
        std::string rest = url.substr(6);
        size_t slash = rest.find('/');
        if (slash == std::string::npos) std::abort();
        // The path is plain ASCII (everything else percent-encoded); a host may be an
        // internationalised name.
        for (size_t i = slash; i < rest.size(); ++i)
            if (static_cast<unsigned char>(rest[i]) >= 0x80) std::abort();
        std::string authority = rest.substr(0, slash);
        if (authority.find('@') != std::string::npos) std::abort();
        if (rest.find_first_of("?#", slash) != std::string::npos) std::abort();
    }
    return 0;
}
