#include "platform/WavFile.h"

#include <cstring>

namespace ocv {
namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

bool ParseWav(const uint8_t* data, size_t size, WavSound& out, std::string& error) {
    out = WavSound{};
    if (!data || size < 12 || std::memcmp(data, "RIFF", 4) != 0 ||
        std::memcmp(data + 8, "WAVE", 4) != 0) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    bool haveFmt = false;
    size_t pos = 12;
    while (pos + 8 <= size) {
        const uint8_t* chunk = data + pos;
        uint64_t len = Le32(chunk + 4);
        size_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (len < 16 || body + 16 > size) {
                error = "short fmt chunk";
                return false;
            }
            uint16_t tag = Le16(data + body);
            out.channels = Le16(data + body + 2);
            out.sampleRate = static_cast<int>(Le32(data + body + 4));
            out.bitsPerSample = Le16(data + body + 14);
            if (tag != 1 || (out.channels != 1 && out.channels != 2) ||
                (out.bitsPerSample != 8 && out.bitsPerSample != 16) || out.sampleRate < 1000 ||
                out.sampleRate > 192000) {
                error = "unsupported sound format";
                return false;
            }
            haveFmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFmt) {
                error = "data chunk before fmt chunk";
                return false;
            }
            size_t avail = size - body;
            size_t n = len < avail ? static_cast<size_t>(len) : avail;
            size_t frameBytes = static_cast<size_t>(out.channels) * (out.bitsPerSample / 8);
            n -= n % frameBytes;
            out.frames.assign(data + body, data + body + n);
            return true;
        }
        // Chunks are padded to an even size.
        uint64_t next = static_cast<uint64_t>(body) + len + (len & 1);
        if (next > size) break;
        pos = static_cast<size_t>(next);
    }
    error = haveFmt ? "no data chunk" : "no fmt chunk";
    return false;
}

}  // namespace ocv
