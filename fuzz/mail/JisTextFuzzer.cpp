// Text converted for mail: the result stays within its limit, is 7-bit and ends in ASCII; the
// header form never carries a line break of its own.
#include <cstddef>
#include <cstdint>
#include <string>

#include "mail/HeaderText.h"
#include "mail/JisText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t limit = data[0] * 4u;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string jis = text;
    ocv::ToJisText(jis, limit);
    if (jis.size() > limit) __builtin_trap();
    for (unsigned char c : jis)
        if (c >= 0x80) __builtin_trap();
    size_t in = jis.rfind("\x1b$B");
    if (in != std::string::npos && jis.rfind("\x1b(B") < in) __builtin_trap();

    for (const std::string& value : {ocv::EncodeHeaderText(text), ocv::EncodeHeaderText(jis)}) {
        size_t pos = 0;
        while ((pos = value.find_first_of("\r\n", pos)) != std::string::npos) {
            // Only folding: CR LF followed by a space.
            if (value.compare(pos, 3, "\r\n ") != 0) __builtin_trap();
            pos += 3;
        }
    }
    return 0;
}
