// Feeds arbitrary bytes to the picture decoders, from memory and through a file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "imaging/DibImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ocv::CDibImage image;
    if (image.LoadFromMemory(data, size)) {
        // A decoded picture must keep the 24-bit invariants.
        const ocv::BITMAPINFOHEADER* h = image.GetInfoHeader();
        if (h->biBitCount != 24 || h->biHeight <= 0 ||
            h->biSizeImage != image.Stride() * static_cast<uint32_t>(h->biHeight)) {
            __builtin_trap();
        }
        std::vector<uint8_t> jpeg;
        if (image.Width() * image.Height() <= 256 * 256) image.EncodeJpeg(50, jpeg);
    } else if (image.GetErrorText().empty()) {
        __builtin_trap();
    }
    // The same bytes through a file, every 16th input (files are slower).
    if ((size & 15) == 0) {
        static const std::string path = "/tmp/ocv-imaging-fuzz-" + std::to_string(getpid());
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(data, 1, size, f);
            std::fclose(f);
            ocv::CDibImage fromFile;
            fromFile.LoadFromFile(path);
            std::remove(path.c_str());
        }
    }
    return 0;
}
