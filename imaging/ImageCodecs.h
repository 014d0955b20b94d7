#pragma once
// The decoders and encoders behind the picture object. Decoders write straight into the
// bottom-up BGR rows of a `CDibImage`; encoders read straight from them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/DibImage.h"

namespace ocv {

inline constexpr char kDecodeFailedText[] = "Convert image failed! [Bitmap::LockBits() Failed!]";

// True when a picture of width x height is within the allocation bounds.
bool ImageSizeAllowed(int64_t width, int64_t height);

// Whole-file helpers. WriteWholeFile replaces the file and removes a partly written one.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out);
bool WriteWholeFile(const std::string& path, const void* data, size_t size);

// Recognises the format by its first bytes and decodes into `image` (which the decoder may
// reuse). False on any failure; the caller empties the image.
bool DecodeImage(const uint8_t* data, size_t size, CDibImage& image);
bool DecodeJpeg(const uint8_t* data, size_t size, CDibImage& image);
bool ProbeJpeg(const uint8_t* data, size_t size, int& width, int& height);
bool DecodeJpegRows(const uint8_t* data, size_t size, std::vector<uint8_t>& rows, int& width,
                    int& height);
bool DecodePng(const uint8_t* data, size_t size, CDibImage& image);
bool DecodeGif(const uint8_t* data, size_t size, CDibImage& image);
bool DecodeBmp(const uint8_t* data, size_t size, CDibImage& image);
bool DecodeTiff(const uint8_t* data, size_t size, CDibImage& image);

// JPEG of a 24-bit picture into a per-thread buffer that stays valid until the next call on the
// same thread. Quality is clamped to 1..100. Returns false on an encoder failure.
bool EncodeJpegToThreadBuffer(const CDibImage& image, int quality, const uint8_t** data,
                              size_t* size);

// An 8-bit picture: indices in rows padded to 4 bytes, bottom row first like the 24-bit picture.
struct IndexedImage {
    int width = 0;
    int height = 0;
    uint32_t stride = 0;
    std::vector<uint8_t> indices;
    std::array<RGBQUAD, 256> palette{};
};

// 24-bit PNG / 8-bit palette PNG / GIF files showing the picture upright.
bool WritePng24(const CDibImage& image, const std::string& path);
bool WritePng8(const IndexedImage& image, const std::string& path);
bool WriteGif(const IndexedImage& image, const std::string& path);

}  // namespace ocv
