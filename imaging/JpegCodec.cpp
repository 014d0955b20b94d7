// JPEG through the TurboJPEG API, straight between the JPEG stream and bottom-up BGR rows.
#include <turbojpeg.h>

#include <algorithm>
#include <cstring>

#include "imaging/ImageCodecs.h"

namespace ocv {
namespace {

// TurboJPEG handles are costly to make, so each thread keeps one of each kind, plus an output
// buffer large enough for the worst case of the last picture size.
struct ThreadJpeg {
    tjhandle decoder = nullptr;
    tjhandle encoder = nullptr;
    unsigned char* buffer = nullptr;
    unsigned long capacity = 0;

    ~ThreadJpeg() {
        if (decoder) tjDestroy(decoder);
        if (encoder) tjDestroy(encoder);
        if (buffer) tjFree(buffer);
    }
};

ThreadJpeg& Jpeg() {
    thread_local ThreadJpeg t;
    return t;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, CDibImage& image) {
    ThreadJpeg& t = Jpeg();
    if (!t.decoder && !(t.decoder = tjInitDecompress())) return false;
    if (size > 0xFFFFFFFFul) return false;
    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(t.decoder, data, static_cast<unsigned long>(size), &width, &height,
                            &subsamp, &colorspace) != 0) {
        return false;
    }
    if (!image.AllocateBlock(width, height)) return false;
    if (tjDecompress2(t.decoder, data, static_cast<unsigned long>(size), image.GetBits(), width,
                      static_cast<int>(image.Stride()), height, TJPF_BGR, TJFLAG_BOTTOMUP) != 0) {
        // Warnings (stray bytes between markers, as some cameras send) still give a whole
        // picture; a fatal error or a stream that ends early does not.
        if (tjGetErrorCode(t.decoder) != TJERR_WARNING) return false;
        const char* text = tjGetErrorStr2(t.decoder);
        if (text && std::strstr(text, "Premature end")) return false;
    }
    return true;
}

bool DecodeJpegRows(const uint8_t* data, size_t size, std::vector<uint8_t>& rows, int& width,
                    int& height) {
    if (!ProbeJpeg(data, size, width, height)) return false;
    ThreadJpeg& t = Jpeg();
    const uint32_t stride = ((3 * static_cast<uint32_t>(width) + 3) / 4) * 4;
    // Same size as last time: the buffer is reused as it is, without a new allocation.
    rows.resize(static_cast<size_t>(stride) * static_cast<size_t>(height));
    if (tjDecompress2(t.decoder, data, static_cast<unsigned long>(size), rows.data(), width,
                      static_cast<int>(stride), height, TJPF_BGR, TJFLAG_BOTTOMUP) != 0) {
        if (tjGetErrorCode(t.decoder) != TJERR_WARNING) return false;
        const char* text = tjGetErrorStr2(t.decoder);
        if (text && std::strstr(text, "Premature end")) return false;
    }
    // The row padding is part of the picture's bytes: keep it zero.
    if (stride != 3 * static_cast<uint32_t>(width))
        for (int y = 0; y < height; ++y)
            std::memset(rows.data() + static_cast<size_t>(y) * stride + 3 * width, 0,
                        stride - 3 * static_cast<uint32_t>(width));
    return true;
}

bool ProbeJpeg(const uint8_t* data, size_t size, int& width, int& height) {
    ThreadJpeg& t = Jpeg();
    if (!t.decoder && !(t.decoder = tjInitDecompress())) return false;
    if (!data || size == 0 || size > 0xFFFFFFFFul) return false;
    int subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(t.decoder, data, static_cast<unsigned long>(size), &width, &height,
                            &subsamp, &colorspace) != 0)
        return false;
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           static_cast<int64_t>(width) * height <= kMaxImagePixels;
}

bool EncodeJpegToThreadBuffer(const CDibImage& image, int quality, const uint8_t** data,
                              size_t* size) {
    if (image.IsEmpty()) return false;
    ThreadJpeg& t = Jpeg();
    if (!t.encoder && !(t.encoder = tjInitCompress())) return false;
    const int width = image.Width();
    const int height = image.Height();
    const unsigned long need = tjBufSize(width, height, TJSAMP_420);
    if (need == static_cast<unsigned long>(-1)) return false;
    if (t.capacity < need) {
        if (t.buffer) tjFree(t.buffer);
        t.capacity = 0;
        t.buffer = tjAlloc(static_cast<int>(need));
        if (!t.buffer) return false;
        t.capacity = need;
    }
    unsigned long jpegSize = t.capacity;
    quality = std::clamp(quality, 1, 100);
    if (tjCompress2(t.encoder, image.GetBits(), width, static_cast<int>(image.Stride()), height,
                    TJPF_BGR, &t.buffer, &jpegSize, TJSAMP_420, quality,
                    TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC) != 0) {
        return false;
    }
    *data = t.buffer;
    *size = jpegSize;
    return true;
}

}  // namespace ocv
