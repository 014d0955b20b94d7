#pragma once
// RIFF/WAVE files holding PCM sound.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ocv {

struct WavSound {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;        // 8 (unsigned) or 16 (signed little-endian)
    std::vector<uint8_t> frames;  // interleaved samples as stored
};

// Parses a PCM WAVE image; false (with `error` set) for anything else: not RIFF/WAVE, no "fmt " or
// "data" chunk, a format other than 8/16-bit PCM with 1 or 2 channels, or chunk sizes that run past
// the end. A data chunk that claims more than is there is cut to what is there.
bool ParseWav(const uint8_t* data, size_t size, WavSound& out, std::string& error);

}  // namespace ocv
