// Recipient lists from the configuration or from a command mail: whatever the text, parsing
// must not crash and no header line may be broken open.
#include <cstddef>
#include <cstdint>
#include <string>

#include "mail/MailMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    ocv::CMailMessage m;
    m.SetFrom("cam@example.org");
    m.SetSubject(text);
    m.AddRecipientList(text, static_cast<int>(size % 3));
    m.SetDate(0);
    m.ComposeMessage();
    const std::string& h = m.Header();
    // Every header line starts with one of the names the builder writes, or is a folded
    // continuation of the subject.
    static const char* const kNames[] = {
        "From: ", "To: ", "Cc: ", "Date: ", "Subject: ", "X-Mailer: ", " "};
    size_t pos = 0;
    while (pos < h.size()) {
        size_t eol = h.find("\r\n", pos);
        if (eol == std::string::npos) __builtin_trap();
        std::string line = h.substr(pos, eol - pos);
        if (line.empty()) break;
        bool known = false;
        for (const char* name : kNames) known = known || line.rfind(name, 0) == 0;
        if (!known || line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
        pos = eol + 2;
    }
    return 0;
}
