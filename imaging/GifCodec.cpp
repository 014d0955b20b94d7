// GIF through giflib: the first picture of a file onto its logical screen, and 8-bit files with
// a full 256-entry global colour table.
#include <gif_lib.h>

#include <algorithm>
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

int ReadFromMemory(GifFileType* gif, GifByteType* out, int count) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    if (count <= 0) return 0;
    const size_t n = std::min(static_cast<size_t>(count), r->size - r->pos);
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    GifFileType* gif;
    ~GifCloser() {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};

// Reads the first picture; pixels of the transparent index and the screen outside the picture
// stay black.
bool ReadFirstImage(GifFileType* gif, CDibImage& image) {
    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == TERMINATE_RECORD_TYPE) return false;  // no picture at all
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 1)) {
                transparent = block[4];
            }
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR) return false;
        const GifImageDesc& d = gif->Image;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        if (!map || d.Width <= 0 || d.Height <= 0) return false;
        int screenW = gif->SWidth > 0 ? gif->SWidth : d.Left + d.Width;
        int screenH = gif->SHeight > 0 ? gif->SHeight : d.Top + d.Height;
        if (!ImageSizeAllowed(screenW, screenH) || !ImageSizeAllowed(d.Width, d.Height)) {
            return false;
        }
        if (!image.AllocateBlock(screenW, screenH)) return false;
        const uint32_t stride = image.Stride();
        uint8_t* bits = image.GetBits();
        std::memset(bits, 0, static_cast<size_t>(stride) * screenH);

        std::vector<GifPixelType> line(d.Width);
        auto putRow = [&](int row) {
            const int y = d.Top + row;
            if (y < 0 || y >= screenH) return;
            uint8_t* out = bits + static_cast<size_t>(screenH - 1 - y) * stride;
            for (int i = 0; i < d.Width; ++i) {
                const int x = d.Left + i;
                if (x < 0 || x >= screenW) continue;
                const int index = line[i];
                if (index == transparent || index >= map->ColorCount) continue;
                const GifColorType& c = map->Colors[index];
                out[3 * x] = c.Blue;
                out[3 * x + 1] = c.Green;
                out[3 * x + 2] = c.Red;
            }
        };
        if (d.Interlace) {
            static const int kStart[4] = {0, 4, 2, 1};
            static const int kStep[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass) {
                for (int row = kStart[pass]; row < d.Height; row += kStep[pass]) {
                    if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) return false;
                    putRow(row);
                }
            }
        } else {
            for (int row = 0; row < d.Height; ++row) {
                if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) return false;
                putRow(row);
            }
        }
        return true;
    }
}

}  // namespace

bool DecodeGif(const uint8_t* data, size_t size, CDibImage& image) {
    MemoryReader reader{data, size, 0};
    int error = 0;
    GifCloser closer{DGifOpen(&reader, ReadFromMemory, &error)};
    if (!closer.gif) return false;
    return ReadFirstImage(closer.gif, image);
}

bool WriteGif(const IndexedImage& image, const std::string& path) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) return false;
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    bool ok = map != nullptr;
    if (ok) {
        for (int i = 0; i < 256; ++i) {
            map->Colors[i].Red = image.palette[i].rgbRed;
            map->Colors[i].Green = image.palette[i].rgbGreen;
            map->Colors[i].Blue = image.palette[i].rgbBlue;
        }
        ok = EGifPutScreenDesc(gif, image.width, image.height, 8, 0, map) != GIF_ERROR &&
             EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) != GIF_ERROR;
    }
    // The file shows the top row first; the picture keeps its bottom row first.
    std::vector<GifPixelType> line(image.width);
    for (int y = 0; ok && y < image.height; ++y) {
        const uint8_t* row =
            image.indices.data() + static_cast<size_t>(image.height - 1 - y) * image.stride;
        std::memcpy(line.data(), row, image.width);
        ok = EGifPutLine(gif, line.data(), image.width) != GIF_ERROR;
    }
    if (map) GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) == GIF_ERROR) ok = false;
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace ocv
