// The picture object's block management, construction from samples and BMP output.
#include "imaging/DibImage.h"

#include <cstdio>
#include <cstring>

#include "imaging/ImageCodecs.h"

namespace ocv {
namespace {

// The block is stored two bytes into its allocation so that the info header (block offset 14)
// and the pixel rows (block offset 54) sit on 4-byte boundaries.
constexpr size_t kLead = 2;
constexpr char kConversionFailed[] = "Conversion to 24bit color Failed!";

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t AbsHeight(int32_t h) { return h < 0 ? -h : h; }

}  // namespace

bool ImageSizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

CDibImage::CDibImage(const CDibImage& other) : blockSize_(other.blockSize_) {
    if (other.block_) {
        block_.reset(new uint8_t[blockSize_ + kLead]);
        std::memcpy(block_.get() + kLead, other.block_.get() + kLead, blockSize_);
    }
    errorText_ = other.errorText_;
}

CDibImage& CDibImage::operator=(const CDibImage& other) {
    if (this != &other) {
        CDibImage copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void CDibImage::Clear() {
    block_.reset();
    blockSize_ = 0;
}

void CDibImage::TakeFrom(CDibImage& other) {
    block_ = std::move(other.block_);
    blockSize_ = other.blockSize_;
    other.blockSize_ = 0;
}

const BITMAPINFOHEADER* CDibImage::GetInfoHeader() const {
    if (!block_) return nullptr;
    return reinterpret_cast<const BITMAPINFOHEADER*>(block_.get() + kLead + kBmpFileHeaderSize);
}

BITMAPINFOHEADER* CDibImage::MutableHeader() {
    return reinterpret_cast<BITMAPINFOHEADER*>(block_.get() + kLead + kBmpFileHeaderSize);
}

const uint8_t* CDibImage::GetBlock() const { return block_ ? block_.get() + kLead : nullptr; }

uint8_t* CDibImage::GetBits() { return block_ ? block_.get() + kLead + kBmpPixelOffset : nullptr; }
const uint8_t* CDibImage::GetBits() const {
    return block_ ? block_.get() + kLead + kBmpPixelOffset : nullptr;
}

int CDibImage::Width() const { return block_ ? GetInfoHeader()->biWidth : 0; }
int CDibImage::Height() const { return block_ ? GetInfoHeader()->biHeight : 0; }
uint32_t CDibImage::Stride() const { return block_ ? DibStride(Width(), 24) : 0; }

bool CDibImage::AllocateBlock(int width, int height) {
    if (!ImageSizeAllowed(width, height)) return false;
    const uint32_t stride = DibStride(width, 24);
    const uint32_t sizeImage = stride * static_cast<uint32_t>(height);
    const uint32_t blockSize = sizeImage + 58;
    if (!block_ || blockSize_ != blockSize || Width() != width) {
        block_.reset(new uint8_t[blockSize + kLead]);
        blockSize_ = blockSize;
    }
    uint8_t* b = block_.get() + kLead;
    // File header: "BM", file size, two reserved words, pixel offset.
    b[0] = 'B';
    b[1] = 'M';
    PutU32(b + 2, sizeImage + kBmpPixelOffset);
    PutU16(b + 6, 0);
    PutU16(b + 8, 0);
    PutU32(b + 10, kBmpPixelOffset);
    *MutableHeader() = MakeRgb24Header(width, height);
    // Zero the padding at the end of every row and the tail of the block, which no decoder
    // writes, so the block is fully defined.
    const uint32_t pad = stride - 3u * static_cast<uint32_t>(width);
    uint8_t* bits = GetBits();
    if (pad) {
        for (int y = 0; y < height; ++y) std::memset(bits + y * stride + stride - pad, 0, pad);
    }
    std::memset(bits + sizeImage, 0, 4);
    return true;
}

bool CDibImage::CreateBlank(int width, int height) {
    errorText_.clear();
    if (!AllocateBlock(width, height)) {
        Clear();
        errorText_ = kConversionFailed;
        return false;
    }
    std::memset(GetBits(), 0, GetInfoHeader()->biSizeImage);
    return true;
}

bool CDibImage::CreateFromSample(const BITMAPINFOHEADER& header, const void* bits,
                                 const RGBQUAD* colorTable, size_t bitsSize) {
    errorText_.clear();
    const auto* src = static_cast<const uint8_t*>(bits);
    const int32_t w = header.biWidth;
    const int32_t h = AbsHeight(header.biHeight);
    if (!src || header.biPlanes > 1 || !ImageSizeAllowed(w, h)) {
        Clear();
        errorText_ = kConversionFailed;
        return false;
    }
    if (header.biBitCount != 24 || header.biCompression != BI_RGB) {
        CDibImage converted;
        if (!converted.ConvertOtherDepth(header, src, colorTable, bitsSize)) {
            Clear();
            errorText_ = kConversionFailed;
            return false;
        }
        TakeFrom(converted);
        return true;
    }
    const uint32_t stride = DibStride(w, 24);
    if (bitsSize != 0 && bitsSize < static_cast<size_t>(stride) * h) {
        Clear();
        errorText_ = kConversionFailed;
        return false;
    }
    // The source may live inside this object's own block (a picture made from itself).
    CDibImage fresh;
    CDibImage* target =
        (block_ && src >= block_.get() && src < block_.get() + blockSize_ + kLead) ? &fresh : this;
    if (!target->AllocateBlock(w, h)) {
        Clear();
        errorText_ = kConversionFailed;
        return false;
    }
    // Keep the caller's resolution fields; everything else follows the 24-bit invariants.
    BITMAPINFOHEADER* out = target->MutableHeader();
    out->biXPelsPerMeter = header.biXPelsPerMeter;
    out->biYPelsPerMeter = header.biYPelsPerMeter;
    uint8_t* dst = target->GetBits();
    if (header.biHeight > 0) {
        std::memcpy(dst, src, static_cast<size_t>(stride) * h);
    } else {
        for (int32_t y = 0; y < h; ++y) {
            std::memcpy(dst + static_cast<size_t>(y) * stride,
                        src + static_cast<size_t>(h - 1 - y) * stride, stride);
        }
    }
    if (target != this) TakeFrom(fresh);
    return true;
}

bool CDibImage::ConvertOtherDepth(const BITMAPINFOHEADER& header, const uint8_t* src,
                                  const RGBQUAD* colorTable, size_t bitsSize) {
    const int bpp = header.biBitCount;
    const int32_t w = header.biWidth;
    const int32_t h = AbsHeight(header.biHeight);
    const bool bitfields = header.biCompression == 3;  // BI_BITFIELDS
    if (header.biCompression != BI_RGB && !(bitfields && (bpp == 16 || bpp == 32))) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 32) return false;

    // Colour table of the indexed depths.
    uint32_t colors = 0;
    if (bpp <= 8) {
        colors = header.biClrUsed ? header.biClrUsed : (1u << bpp);
        if (!colorTable || colors > 256) return false;
    }
    // Channel masks of the direct-colour depths: given after the header for BI_BITFIELDS.
    uint32_t masks[3] = {0, 0, 0};
    if (bpp == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bpp == 32) {
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    }
    if (bitfields) {
        if (!colorTable) return false;
        std::memcpy(masks, colorTable, sizeof(masks));
    }
    int shift[3] = {0, 0, 0}, width[3] = {0, 0, 0};
    for (int c = 0; c < 3; ++c) {
        uint32_t m = masks[c];
        if (m == 0) continue;
        while (!(m & 1)) m >>= 1, ++shift[c];
        while (m & 1) m >>= 1, ++width[c];
    }

    const uint32_t srcStride = DibStride(w, bpp);
    if (bitsSize != 0 && bitsSize < static_cast<size_t>(srcStride) * h) return false;
    if (!AllocateBlock(w, h)) return false;
    const uint32_t dstStride = Stride();
    uint8_t* dstBits = GetBits();

    // Expands a channel of `bits` width to 8 bits by repeating its high bits.
    auto expand = [](uint32_t v, int bits) -> uint8_t {
        if (bits <= 0) return 0;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        uint32_t out = 0;
        int filled = 0;
        while (filled < 8) {
            out = (out << bits) | v;
            filled += bits;
        }
        return static_cast<uint8_t>(out >> (filled - 8));
    };

    for (int32_t y = 0; y < h; ++y) {
        const int32_t srcRow = header.biHeight > 0 ? y : h - 1 - y;
        const uint8_t* s = src + static_cast<size_t>(srcRow) * srcStride;
        uint8_t* d = dstBits + static_cast<size_t>(y) * dstStride;
        for (int32_t x = 0; x < w; ++x, d += 3) {
            if (bpp <= 8) {
                const int perByte = 8 / bpp;
                const uint8_t byte = s[x / perByte];
                const int shiftBits = (perByte - 1 - x % perByte) * bpp;
                const uint32_t index = (byte >> shiftBits) & ((1u << bpp) - 1);
                if (index < colors) {
                    d[0] = colorTable[index].rgbBlue;
                    d[1] = colorTable[index].rgbGreen;
                    d[2] = colorTable[index].rgbRed;
                } else {
                    d[0] = d[1] = d[2] = 0;
                }
            } else {
                uint32_t v;
                if (bpp == 16) {
                    v = static_cast<uint32_t>(s[2 * x]) |
                        (static_cast<uint32_t>(s[2 * x + 1]) << 8);
                } else {
                    std::memcpy(&v, s + 4 * x, 4);
                }
                const uint32_t r = (v & masks[0]) >> shift[0];
                const uint32_t g = (v & masks[1]) >> shift[1];
                const uint32_t b = (v & masks[2]) >> shift[2];
                d[0] = expand(b, width[2]);
                d[1] = expand(g, width[1]);
                d[2] = expand(r, width[0]);
            }
        }
    }
    return true;
}

bool CDibImage::DecodeJpegToRows(const void* data, size_t size, std::vector<uint8_t>& rows,
                                 int& width, int& height) {
    return DecodeJpegRows(static_cast<const uint8_t*>(data), size, rows, width, height);
}

bool CDibImage::ProbeJpegSize(const void* data, size_t size, int& width, int& height) {
    return ProbeJpeg(static_cast<const uint8_t*>(data), size, width, height);
}

bool CDibImage::LoadFromMemory(const void* data, size_t size) {
    errorText_.clear();
    if (!data || size == 0) {
        Clear();
        errorText_ = "CreateStreamOnHGlobal() Failed!";
        return false;
    }
    if (!DecodeImage(static_cast<const uint8_t*>(data), size, *this)) {
        Clear();
        errorText_ = kDecodeFailedText;
        return false;
    }
    return true;
}

bool CDibImage::LoadFromFile(const std::string& path) {
    errorText_.clear();
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data) || data.empty() ||
        !DecodeImage(data.data(), data.size(), *this)) {
        Clear();
        errorText_ = kDecodeFailedText;
        return false;
    }
    return true;
}

bool CDibImage::SaveBmp(const std::string& path) {
    if (!block_) return false;
    errorText_.clear();
    const size_t fileSize = kBmpPixelOffset + GetInfoHeader()->biSizeImage;
    if (!WriteWholeFile(path, block_.get() + kLead, fileSize)) {
        errorText_ = "CreateFile() Failed! [" + path + "]";
        return false;
    }
    return true;
}

}  // namespace ocv
