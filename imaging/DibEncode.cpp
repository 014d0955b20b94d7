// The picture object's encoders: JPEG, 24-bit PNG, 8-bit PNG and GIF files, JPEG in memory,
// and the save dispatcher of the image settings.
#include <cstring>

#include "imaging/ColorReduce.h"
#include "imaging/DibImage.h"
#include "imaging/ImageCodecs.h"

namespace ocv {

bool CDibImage::SaveJpeg(const std::string& path, int quality) {
    if (!block_) return false;
    errorText_.clear();
    const uint8_t* jpeg = nullptr;
    size_t size = 0;
    if (!EncodeJpegToThreadBuffer(*this, quality, &jpeg, &size) ||
        !WriteWholeFile(path, jpeg, size)) {
        errorText_ = "Save to JPEG Failed! [Image::Save() Failed!] [" + path + "]";
        return false;
    }
    return true;
}

bool CDibImage::SavePng(const std::string& path) {
    if (!block_) return false;
    errorText_.clear();
    if (!WritePng24(*this, path)) {
        errorText_ = "Save to PNG Failed! [Image::Save() Failed!] [" + path + "]";
        return false;
    }
    return true;
}

bool CDibImage::SaveIndexed(const std::string& path, int dither, int paletteNo, bool gif) {
    if (!block_) return false;
    errorText_.clear();
    const std::string prefix = gif ? "Save to GIF Failed! [" : "Save to PNG Failed! [";
    IndexedImage indexed;
    const bool reduced = dither == 0 ? ReduceNearColor(*this, paletteNo, indexed)
                                     : ReduceDither(*this, paletteNo, indexed);
    if (!reduced) {
        errorText_ = prefix +
                     (dither == 0 ? "ReduceNearColor() Failed!] [" : "ReduceDither() Failed!] [") +
                     path + "]";
        return false;
    }
    if (!(gif ? WriteGif(indexed, path) : WritePng8(indexed, path))) {
        errorText_ = prefix + "Image::Save() Failed!] [" + path + "]";
        return false;
    }
    return true;
}

bool CDibImage::SavePng8(const std::string& path, int dither, int paletteNo) {
    return SaveIndexed(path, dither, paletteNo, false);
}

bool CDibImage::SaveGif(const std::string& path, int dither, int paletteNo) {
    return SaveIndexed(path, dither, paletteNo, true);
}

uint32_t CDibImage::EncodeJpeg(int quality, std::vector<uint8_t>& out) {
    if (!block_) return 0;
    errorText_.clear();
    const uint8_t* jpeg = nullptr;
    size_t size = 0;
    if (!EncodeJpegToThreadBuffer(*this, quality, &jpeg, &size)) {
        out.clear();
        errorText_ = "Image::Save() Failed!";
        return 0;
    }
    out.assign(jpeg, jpeg + size);
    return static_cast<uint32_t>(size);
}

uint32_t CDibImage::EncodeJpegInto(uint8_t* buffer, size_t capacity, int quality) {
    if (!block_) return 0;
    errorText_.clear();
    if (buffer && capacity) std::memset(buffer, 0, capacity);
    const uint8_t* jpeg = nullptr;
    size_t size = 0;
    if (!EncodeJpegToThreadBuffer(*this, quality, &jpeg, &size)) {
        errorText_ = "Image::Save() Failed!";
        return 0;
    }
    if (!buffer || size > capacity) {
        errorText_ = "Image::Save() Failed! Invalid buffer size!!";
        return 0;
    }
    std::memcpy(buffer, jpeg, size);
    return static_cast<uint32_t>(size);
}

bool SaveImage(CDibImage& image, const ImageSettings& settings, const std::string& path) {
    switch (settings.imageFileFormat) {
        case IMAGE_FORMAT_BMP: return image.SaveBmp(path);
        case IMAGE_FORMAT_JPEG: return image.SaveJpeg(path, settings.jpegQuality);
        case IMAGE_FORMAT_PNG:
            if (settings.pngBitCount == 8) {
                return image.SavePng8(path, settings.pngReduceType, settings.pngPaletteNo);
            }
            if (settings.pngBitCount == 24) return image.SavePng(path);
            break;
        case IMAGE_FORMAT_GIF:
            return image.SaveGif(path, settings.pngReduceType, settings.pngPaletteNo);
        default: break;
    }
    // An unknown format or bit count fails without a reason of its own.
    if (!image.IsEmpty()) image.SetErrorText(std::string());
    return false;
}

}  // namespace ocv
