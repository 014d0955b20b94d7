// A command mail's header from any mailbox: field values, the sender, the command word and
// camera number, and the reply subject built from them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "mail/MailCommandHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    std::string header(reinterpret_cast<const char*>(data), size);
    for (bool check : {false, true}) {
        ocv::MailCommandRequest r;
        ocv::MailExamination verdict = ocv::ExamineCommandHeader(header, check, "a@b", r);
        for (char c : r.subject + r.from)
            if (c == '\r' || c == '\n' || c == '\0') __builtin_trap();
        if (verdict == ocv::MailExamination::Command) {
            if (r.subject.compare(0, 4, "ovn ") != 0) __builtin_trap();
            if (check && r.sender != "a@b") __builtin_trap();
            std::string subject = ocv::ReplySubject(r.word, r.cameraNo == 1 ? 0 : 1);
            if (subject.size() > ocv::kMaxReplyWordBytes + 20) __builtin_trap();
            for (char c : subject)
                if (static_cast<unsigned char>(c) < 0x20) __builtin_trap();
        }
    }
    return 0;
}
