// Arbitrary bytes as a WAVE file (a user's alarm sound): parsed or refused, never read past.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/WavFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ocv::WavSound sound;
    std::string error;
    if (ocv::ParseWav(data, size, sound, error)) {
        size_t frame = static_cast<size_t>(sound.channels) * (sound.bitsPerSample / 8);
        if (frame == 0 || sound.frames.size() % frame != 0 || sound.frames.size() > size) abort();
    } else if (error.empty()) {
        abort();
    }
    return 0;
}
