// Feeds arbitrary server listings to the folder parser and checks what must always hold: every
// folder name is usable as one path element (no "/", no control character, not "." or "..").
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "delivery/FtpListing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string& name : ocv::ParseFtpFolders(text)) {
        if (name.empty() || name == "." || name == "..") std::abort();
        for (unsigned char c : name)
            if (c < 0x20 || c == 0x7f || c == '/') std::abort();
        if (ocv::FtpParentDirectory(ocv::FtpChildDirectory("/", name)) != "/") std::abort();
    }
    return 0;
}
