// Windows Media profile files (.prx) as they come from the user's disk.
#include <cstddef>
#include <cstdint>
#include <string>

#include "controller/WmvProfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ocv::WmvProfile profile;
    std::string error;
    if (ocv::ParseProfileXml(data, size, profile, error)) {
        // Whatever is accepted is within the ranges the encoder is given.
        if (profile.bitRate < 1000 || profile.width < 0 || profile.width > 4096 ||
            profile.height < 0 || profile.height > 4096 || profile.frameRate < 0)
            __builtin_trap();
    }
    return 0;
}
