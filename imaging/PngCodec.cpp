// PNG through libpng: decoding into bottom-up BGR rows, writing 24-bit and 8-bit palette files.
// libpng reports errors by longjmp, so the functions that call it keep no objects with
// destructors alive between setjmp and the libpng calls.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "imaging/ImageCodecs.h"

namespace ocv {
namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > r->size - r->pos) png_error(png, "read past the end of the data");
    std::memcpy(out, r->data + r->pos, count);
    r->pos += count;
}

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Runs the decode; `rows` is sized here but owned by the caller so that a longjmp skips no
// destructor.
bool DecodeInto(png_structp png, png_infop info, CDibImage& image, std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!ImageSizeAllowed(width, height)) return false;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 3) return false;
    if (!image.AllocateBlock(static_cast<int>(width), static_cast<int>(height))) return false;
    rows.resize(height);
    const uint32_t stride = image.Stride();
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = image.GetBits() + static_cast<size_t>(height - 1 - y) * stride;
    }
    png_read_image(png, rows.data());
    return true;
}

// Writes the rows top to bottom; `rowAt(y)` gives the row shown at y from the top.
template <typename RowAt>
bool WriteRows(png_structp png, png_infop info, FILE* file, int width, int height, int colorType,
               const png_color* palette, RowAt rowAt) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) png_set_PLTE(png, info, palette, 256);
    png_write_info(png, info);
    if (colorType == PNG_COLOR_TYPE_RGB) png_set_bgr(png);
    for (int y = 0; y < height; ++y) png_write_row(png, rowAt(y));
    png_write_end(png, info);
    return true;
}

template <typename RowAt>
bool WritePngFile(const std::string& path, int width, int height, int colorType,
                  const png_color* palette, RowAt rowAt) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info && WriteRows(png, info, file, width, height, colorType, palette, rowAt);
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (std::fclose(file) != 0) ok = false;
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, CDibImage& image) {
    MemoryReader reader{data, size, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    std::vector<png_bytep> rows;
    const bool ok = DecodeInto(png, info, image, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

bool WritePng24(const CDibImage& image, const std::string& path) {
    const int h = image.Height();
    const uint32_t stride = image.Stride();
    const uint8_t* bits = image.GetBits();
    return WritePngFile(path, image.Width(), h, PNG_COLOR_TYPE_RGB, nullptr, [&](int y) {
        return const_cast<png_bytep>(bits + static_cast<size_t>(h - 1 - y) * stride);
    });
}

bool WritePng8(const IndexedImage& image, const std::string& path) {
    png_color palette[256];
    for (int i = 0; i < 256; ++i) {
        palette[i].red = image.palette[i].rgbRed;
        palette[i].green = image.palette[i].rgbGreen;
        palette[i].blue = image.palette[i].rgbBlue;
    }
    const int h = image.height;
    return WritePngFile(path, image.width, h, PNG_COLOR_TYPE_PALETTE, palette, [&](int y) {
        return const_cast<png_bytep>(image.indices.data() +
                                     static_cast<size_t>(h - 1 - y) * image.stride);
    });
}

}  // namespace ocv
