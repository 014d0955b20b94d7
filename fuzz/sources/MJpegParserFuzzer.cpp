// Feeds arbitrary bytes to the Motion-JPEG part parser, split into blocks by the input itself,
// with both reader variants, and checks what it hands out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sources/MJpegParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    int variant = (data[0] & 1) ? ocv::kReaderVariantB : ocv::kReaderVariantA;
    size_t block = 1 + data[1] % 64;
    data += 2;
    size -= 2;
    ocv::CMJpegPartParser parser(variant);
    size_t pos = 0;
    while (pos < size) {
        size_t n = block < size - pos ? block : size - pos;
        auto status = parser.Feed(data + pos, n, [&](const uint8_t* p, size_t s) {
            // Every picture is non-empty and within the largest length taken from a camera.
            if (s == 0 || s > ocv::CMJpegPartParser::kMaxContentLength) std::abort();
            // A picture without a length header runs from FF D8 to FF D9 within the work buffer.
            if (parser.lastPictureScanned()) {
                if (s < 4 || s >= ocv::CMJpegPartParser::kWorkBufferSize) std::abort();
                if (p[0] != 0xFF || p[1] != 0xD8 || p[s - 2] != 0xFF || p[s - 1] != 0xD9) {
                    std::abort();
                }
            }
            return true;
        });
        pos += n;
        if (status == ocv::CMJpegPartParser::Status::kFailed) {
            if (parser.error() == ocv::MJpegError::kNone) std::abort();
            break;
        }
        block = block * 3 % 97 + 1;
    }
    (void)parser.Finish();
    return 0;
}
