// TIFF through libtiff's RGBA interface, read from memory, the first directory only.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "imaging/ImageCodecs.h"

namespace ocv {
namespace {

struct MemoryFile {
    const uint8_t* data;
    toff_t size;
    toff_t pos;
};

tmsize_t Read(thandle_t h, void* out, tmsize_t count) {
    auto* f = static_cast<MemoryFile*>(h);
    if (count <= 0 || f->pos >= f->size) return 0;
    const toff_t n = std::min<toff_t>(static_cast<toff_t>(count), f->size - f->pos);
    std::memcpy(out, f->data + f->pos, n);
    f->pos += n;
    return static_cast<tmsize_t>(n);
}
tmsize_t Write(thandle_t, void*, tmsize_t) { return 0; }
toff_t Seek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : f->size;
    if (off > static_cast<toff_t>(INT64_MAX) && whence != SEEK_SET) {
        // A negative offset in two's complement.
        const toff_t back = ~off + 1;
        if (back > base) return static_cast<toff_t>(-1);
        f->pos = base - back;
    } else {
        f->pos = base + off;
    }
    return f->pos;
}
int Close(thandle_t) { return 0; }
toff_t Size(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
int Map(thandle_t, void**, toff_t*) { return 0; }
void Unmap(thandle_t, void*, toff_t) {}

void Silence() {
    static const bool done = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)done;
}

}  // namespace

bool DecodeTiff(const uint8_t* data, size_t size, CDibImage& image) {
    Silence();
    MemoryFile file{data, size, 0};
    TIFF* tif = TIFFClientOpen("memory", "rm", &file, Read, Write, Seek, Close, Size, Map, Unmap);
    if (!tif) return false;
    std::unique_ptr<TIFF, void (*)(TIFF*)> closer(tif, TIFFClose);
    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || !ImageSizeAllowed(width, height)) {
        return false;
    }
    std::unique_ptr<uint32_t[]> raster(new uint32_t[static_cast<size_t>(width) * height]);
    if (!TIFFReadRGBAImageOriented(tif, width, height, raster.get(), ORIENTATION_BOTLEFT, 0)) {
        return false;
    }
    if (!image.AllocateBlock(static_cast<int>(width), static_cast<int>(height))) return false;
    const uint32_t stride = image.Stride();
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* s = raster.get() + static_cast<size_t>(y) * width;
        uint8_t* d = image.GetBits() + static_cast<size_t>(y) * stride;
        for (uint32_t x = 0; x < width; ++x, d += 3) {
            d[0] = static_cast<uint8_t>(TIFFGetB(s[x]));
            d[1] = static_cast<uint8_t>(TIFFGetG(s[x]));
            d[2] = static_cast<uint8_t>(TIFFGetR(s[x]));
        }
    }
    return true;
}

}  // namespace ocv
