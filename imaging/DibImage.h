#pragma once
// The picture object: one 24-bit bottom-up BGR picture held as a complete BMP file image (file
// header, info header, pixel rows padded to 4 bytes), with its decoders, encoders, colour
// reduction and editing operations.
//
// Every public operation empties the error text first and, on failure, leaves the reason there.
// An empty object makes every operation fail (or return 0) without touching the error text.
// A failed load or conversion leaves the object empty; a failed save or edit leaves it unchanged.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/ImageSettings.h"
#include "foundation/FrameSample.h"

namespace ocv {

// Largest picture any decoder or operation will allocate: each side at most kMaxImageSide pixels
// and at most kMaxImagePixels pixels in all. Checked before allocating, so a hostile header
// claiming 65535 x 65535 pixels fails instead of allocating without bound.
constexpr int32_t kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = 64LL * 1024 * 1024;

// Size of the BMP file header that precedes the info header in the block.
constexpr uint32_t kBmpFileHeaderSize = 14;
// Offset of the pixel rows in the block (file header + info header).
constexpr uint32_t kBmpPixelOffset = 54;

// One entry of a colour table: blue, green, red, reserved.
struct RGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD must be 4 bytes");

class CDibImage {
public:
    CDibImage() = default;
    ~CDibImage() = default;
    CDibImage(const CDibImage& other);
    CDibImage& operator=(const CDibImage& other);
    CDibImage(CDibImage&& other) noexcept = default;
    CDibImage& operator=(CDibImage&& other) noexcept = default;

    // --- making a picture ---------------------------------------------------------------------

    // From a frame sample. 24-bit input is copied (biSizeImage computed when 0); 1, 4, 8, 16 and
    // 32-bit input is converted to 24 bits. `colorTable` holds the colour table of 1/4/8-bit
    // input (biClrUsed entries, or 2^bits when biClrUsed is 0); without one those depths fail.
    // A negative biHeight (rows top-down) is accepted and stored bottom-up.
    // `bitsSize`, when not 0, is the number of readable bytes at `bits`; a header that needs
    // more fails. Failure: "Conversion to 24bit color Failed!".
    bool CreateFromSample(const BITMAPINFOHEADER& header, const void* bits,
                          const RGBQUAD* colorTable = nullptr, size_t bitsSize = 0);
    // A black picture of width x height.
    bool CreateBlank(int width, int height);
    // BMP, JPEG, PNG, GIF or TIFF file, recognised by its content, converted to 24 bits.
    // Failure: "Convert image failed! [Bitmap::LockBits() Failed!]".
    bool LoadFromFile(const std::string& path);
    // An encoded picture in memory (JPEG, PNG, GIF, BMP, TIFF), decoded straight into the
    // bottom-up BGR rows. The bytes are only read. A null or empty block fails with
    // "CreateStreamOnHGlobal() Failed!"; undecodable data with
    // "Convert image failed! [Bitmap::LockBits() Failed!]".
    bool LoadFromMemory(const void* data, size_t size);
    bool LoadFromMemory(const std::vector<uint8_t>& data) {
        return LoadFromMemory(data.data(), data.size());
    }
    // Reads only the header of a JPEG picture: true with its size when the header is whole and
    // the size within the bounds. Costs microseconds; the pixels are not decoded.
    static bool ProbeJpegSize(const void* data, size_t size, int& width, int& height);
    // Decodes a JPEG picture straight into `rows` as bottom-up BGR rows padded to 4 bytes
    // (resized to fit; a buffer of the same size is reused). False when it is not a whole JPEG
    // picture within the bounds; LoadFromMemory then tells why.
    static bool DecodeJpegToRows(const void* data, size_t size, std::vector<uint8_t>& rows,
                                 int& width, int& height);
    // Frees the picture; the object becomes empty.
    void Clear();

    // --- access ---------------------------------------------------------------------------------

    bool IsEmpty() const { return !block_; }
    // The info header and the pixel rows inside the block (null when empty).
    const BITMAPINFOHEADER* GetInfoHeader() const;
    uint8_t* GetBits();
    const uint8_t* GetBits() const;
    // The whole BMP file image (file header, info header, pixels) and its byte size.
    const uint8_t* GetBlock() const;
    uint32_t GetBlockSize() const { return blockSize_; }
    int Width() const;
    int Height() const;
    // Bytes of one pixel row: ((3 * width + 3) / 4) * 4.
    uint32_t Stride() const;
    const std::string& GetErrorText() const { return errorText_; }

    // --- writing --------------------------------------------------------------------------------

    // Failure: "CreateFile() Failed! [<path>]".
    bool SaveBmp(const std::string& path);
    // quality 0..100. Failures: "Save to JPEG Failed! [CreateStreamObject() Failed!] [<path>]",
    // "Save to JPEG Failed! [Image::Save() Failed!] [<path>]".
    bool SaveJpeg(const std::string& path, int quality);
    // 24-bit PNG. Failures as SaveJpeg with "Save to PNG".
    bool SavePng(const std::string& path);
    // 8-bit PNG / GIF with one of the two palettes; `dither` 0 = nearest colour, otherwise
    // error diffusion. Failures: "Save to PNG|GIF Failed! [ReduceNearColor() Failed!] [<path>]",
    // "... [ReduceDither() Failed!] ...", "... [CreateStreamOnHGlobal() Failed!] ...",
    // "... [Image::Save() Failed!] ...".
    bool SavePng8(const std::string& path, int dither, int paletteNo);
    bool SaveGif(const std::string& path, int dither, int paletteNo);
    // JPEG in memory. Returns the byte size (out holds exactly the JPEG), 0 on failure with
    // "Image::Save() Failed!".
    uint32_t EncodeJpeg(int quality, std::vector<uint8_t>& out);
    // JPEG into the caller's buffer (zero-filled first). Returns the byte size, 0 on failure;
    // a JPEG larger than `capacity` fails with "Image::Save() Failed! Invalid buffer size!!".
    uint32_t EncodeJpegInto(uint8_t* buffer, size_t capacity, int quality);

    // --- editing --------------------------------------------------------------------------------

    // Clockwise by 0, 90, 180 or 270 degrees; any other angle fails with
    // "Rotate image failed! [angle=<angle>]".
    bool Rotate(int degrees);
    // Bicubic scaling to width x height.
    bool Resize(int width, int height);
    // Scaling by a factor: each side f x side in double precision, truncated toward zero.
    bool ResizeByRate(double factor);
    // grey = 0.3 red + 0.59 green + 0.11 blue, truncated.
    bool GrayScale();
    // Lays `frame` (same size) over the picture: frame pixels within `range` of the
    // transparent colour (COLORREF, red in the low byte) let the picture through.
    // Failure: "Blend image failed! [Initialize error!]".
    bool Blend(const CDibImage& frame, uint32_t transparentColor, int range);
    // Draws `text` (UTF-8) as one line in the style at the given positions (vertical 0 top,
    // 1 centre, 2 bottom; horizontal 0 left, 1 centre, 2 right; others count as top / left).
    bool PrintText(const TextStyle& style, const std::string& text, int vertPosition,
                   int horzPosition);
    // Edge picture: inner pixels whose neighbour difference / 2 reaches `level` become pure red,
    // the others black; border pixels keep their colours.
    bool Outline(int level);
    // Nine pictures of the format in `header` laid out 3 x 3 with 2-pixel black gaps, on a black
    // picture of (3w + 4) x (3h + 4). A null buffer leaves its cell black.
    bool ComposePanorama(const BITMAPINFOHEADER& header, const uint8_t* const bits[9]);

    // --- helpers for the decoders (not for general use) -----------------------------------------

    // Makes a new, uninitialised 24-bit block of width x height (row padding and the tail zeroed)
    // or reuses the current one when it has the same size. False when the size is out of bounds.
    bool AllocateBlock(int width, int height);
    void SetErrorText(std::string text) { errorText_ = std::move(text); }

private:
    BITMAPINFOHEADER* MutableHeader();
    // Takes the picture of `other`, leaving it empty.
    void TakeFrom(CDibImage& other);
    bool ConvertOtherDepth(const BITMAPINFOHEADER& header, const uint8_t* bits,
                           const RGBQUAD* colorTable, size_t bitsSize);
    bool SaveIndexed(const std::string& path, int dither, int paletteNo, bool gif);

    std::unique_ptr<uint8_t[]> block_;
    uint32_t blockSize_ = 0;
    std::string errorText_;
};

// Writes the picture in the format the image settings choose ("Image File Format",
// "JPEG Quality", "PNG Bit Count", "PNG Reduce Type", "PNG Palette NO"); the caller adds the
// file extension. A "PNG Bit Count" other than 8 or 24 fails without a text and writes nothing.
bool SaveImage(CDibImage& image, const ImageSettings& settings, const std::string& path);

}  // namespace ocv
