#include "controller/AviWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ocv {
namespace {

// Offsets of the fields the writer brings up to date, in the header it writes.
constexpr uint64_t kRiffSize = 4;
constexpr uint64_t kAvihFlags = 12 + 8 + 4 + 8 + 12;  // RIFF hdr, LIST hdr, "hdrl", "avih" hdr
constexpr uint64_t kAvihTotalFrames = kAvihFlags + 4;
constexpr uint64_t kAvihSuggestedBuffer = kAvihFlags + 16;
constexpr uint64_t kStrhStart =
    12 + 12 + 8 + 56 + 12 + 8;  // ... "avih" body, LIST "strl", "strh" hdr
constexpr uint64_t kStrhLength = kStrhStart + 32;
constexpr uint32_t AVIF_HASINDEX = 0x10;
// The sizes are 32-bit: a file stops growing before 4 GB.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull - 0x100000ull;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutFourCC(std::vector<uint8_t>& out, const char* cc) { out.insert(out.end(), cc, cc + 4); }
void PutHeader(std::vector<uint8_t>& out, const BITMAPINFOHEADER& h) {
    Put32(out, h.biSize ? h.biSize : 40);
    Put32(out, static_cast<uint32_t>(h.biWidth));
    Put32(out, static_cast<uint32_t>(h.biHeight));
    Put16(out, h.biPlanes ? h.biPlanes : 1);
    Put16(out, h.biBitCount);
    Put32(out, h.biCompression);
    Put32(out, h.biSizeImage);
    Put32(out, static_cast<uint32_t>(h.biXPelsPerMeter));
    Put32(out, static_cast<uint32_t>(h.biYPelsPerMeter));
    Put32(out, h.biClrUsed);
    Put32(out, h.biClrImportant);
}
bool SameFormat(const BITMAPINFOHEADER& a, const BITMAPINFOHEADER& b) {
    return a.biWidth == b.biWidth && a.biHeight == b.biHeight && a.biBitCount == b.biBitCount &&
           a.biCompression == b.biCompression && a.biSizeImage == b.biSizeImage;
}

}  // namespace

std::string AviErrorText(int32_t code) {
    switch (static_cast<uint32_t>(code)) {
        case 0x80040154u:
            return "According to the registry, the type of file specified in AVIFileOpen does "
                   "not have a handler to process it.  ";
        case 0x80044066u:
            return "The file couldn't be read, indicating a corrupt file or an unrecognized "
                   "format. ";
        case 0x80044067u: return "The file could not be opened because of insufficient memory.";
        case 0x8004406Du: return "A disk error occurred while reading the file.";
        case 0x8004406Fu: return "A disk error occurred while opening the file. ";
        case 0x80044072u: return "The file has been opened with write permission.";
        default: {
            char text[64];
            std::snprintf(text, sizeof text, "Unknown AVI Error [code=%d]", code);
            return text;
        }
    }
}

CAviWriter::~CAviWriter() { Close(); }

int32_t CAviWriter::Open(const std::string& path) {
    if (fd_ >= 0) return AVIERR_BADPARAM;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return errno == ENOMEM ? AVIERR_MEMORY : AVIERR_FILEOPEN;
    return AVI_OK;
}

int32_t CAviWriter::CreateStream(const AviStreamInfo& info) {
    if (fd_ < 0 || haveStream_ || info.rate == 0 || info.scale == 0) return AVIERR_BADPARAM;
    info_ = info;
    haveStream_ = true;
    return AVI_OK;
}

bool CAviWriter::WriteAt(uint64_t offset, const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd_, p + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

int32_t CAviWriter::WriteHeader() {
    const BITMAPINFOHEADER& f = format_;
    const uint32_t rate = info_.rate, scale = info_.scale;
    std::vector<uint8_t> strl;
    PutFourCC(strl, "strh");
    Put32(strl, 56);
    PutFourCC(strl, "vids");
    PutFourCC(strl, "DIB ");
    Put32(strl, 0);  // flags
    Put16(strl, 0);  // priority
    Put16(strl, 0);  // language
    Put32(strl, 0);  // initial frames
    Put32(strl, scale);
    Put32(strl, rate);
    Put32(strl, 0);            // start
    Put32(strl, 0);            // length, brought up to date per frame
    Put32(strl, 0);            // suggested buffer size
    Put32(strl, 0xFFFFFFFFu);  // quality: default
    Put32(strl, 0);            // sample size
    Put16(strl, static_cast<uint16_t>(info_.frameLeft));
    Put16(strl, static_cast<uint16_t>(info_.frameTop));
    Put16(strl, static_cast<uint16_t>(info_.frameRight));
    Put16(strl, static_cast<uint16_t>(info_.frameBottom));
    PutFourCC(strl, "strf");
    Put32(strl, 40);
    PutHeader(strl, f);
    std::string name = info_.name;
    name.push_back('\0');
    if (name.size() % 2) name.push_back('\0');
    PutFourCC(strl, "strn");
    Put32(strl, static_cast<uint32_t>(info_.name.size() + 1));
    strl.insert(strl.end(), name.begin(), name.end());

    std::vector<uint8_t> h;
    PutFourCC(h, "RIFF");
    Put32(h, 0);
    PutFourCC(h, "AVI ");
    PutFourCC(h, "LIST");
    Put32(h, static_cast<uint32_t>(4 + 8 + 56 + 12 + strl.size()));
    PutFourCC(h, "hdrl");
    PutFourCC(h, "avih");
    Put32(h, 56);
    Put32(h, static_cast<uint32_t>(1000000.0 * scale / rate));  // microseconds per frame
    Put32(h, static_cast<uint32_t>(static_cast<uint64_t>(f.biSizeImage) * rate / scale));
    Put32(h, 0);  // padding granularity
    Put32(h, 0);  // flags: the index flag is set when the index is written
    Put32(h, 0);  // total frames
    Put32(h, 0);  // initial frames
    Put32(h, 1);  // streams
    Put32(h, 0);  // suggested buffer size
    Put32(h, static_cast<uint32_t>(f.biWidth));
    Put32(h, static_cast<uint32_t>(f.biHeight < 0 ? -f.biHeight : f.biHeight));
    for (int i = 0; i < 4; ++i) Put32(h, 0);
    PutFourCC(h, "LIST");
    Put32(h, static_cast<uint32_t>(4 + strl.size()));
    PutFourCC(h, "strl");
    h.insert(h.end(), strl.begin(), strl.end());
    moviListOffset_ = h.size();
    PutFourCC(h, "LIST");
    Put32(h, 4);
    PutFourCC(h, "movi");
    if (!WriteAt(0, h.data(), h.size())) return AVIERR_FILEWRITE;
    end_ = h.size();
    headerWritten_ = true;
    return PatchCounts();
}

int32_t CAviWriter::PatchCounts() {
    auto le = [](uint32_t v) {
        uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
        std::vector<uint8_t> out(b, b + 4);
        return out;
    };
    const uint32_t riff = static_cast<uint32_t>(end_ - 8);
    const uint32_t movi = static_cast<uint32_t>(end_ - moviListOffset_ - 8);
    bool ok = WriteAt(kRiffSize, le(riff).data(), 4) &&
              WriteAt(kAvihTotalFrames, le(frames_).data(), 4) &&
              WriteAt(kAvihSuggestedBuffer, le(maxFrameSize_).data(), 4) &&
              WriteAt(kStrhLength, le(frames_).data(), 4) &&
              WriteAt(moviListOffset_ + 4, le(movi).data(), 4);
    return ok ? AVI_OK : AVIERR_FILEWRITE;
}

int32_t CAviWriter::SetFormat(uint32_t position, const BITMAPINFOHEADER& format) {
    if (fd_ < 0 || !haveStream_ || failed_) return AVIERR_BADPARAM;
    if (format.biBitCount != 24 || format.biWidth <= 0 || format.biHeight == 0)
        return AVIERR_BADFORMAT;
    if (haveFormat_) return SameFormat(format, format_) ? AVI_OK : AVIERR_UNSUPPORTED;
    format_ = format;
    format_.biSize = 40;
    if (format_.biSizeImage == 0)
        format_.biSizeImage =
            DibStride(format.biWidth, 24) *
            static_cast<uint32_t>(format.biHeight < 0 ? -format.biHeight : format.biHeight);
    haveFormat_ = true;
    int32_t r = WriteHeader();
    if (r != AVI_OK) failed_ = true;
    return r;
}

int32_t CAviWriter::Write(uint32_t position, const uint8_t* data, uint32_t size, uint32_t flags) {
    if (fd_ < 0 || !headerWritten_ || failed_ || !data) return AVIERR_BADPARAM;
    if (position != frames_) return AVIERR_UNSUPPORTED;  // frames follow each other
    const uint64_t padded = size + (size & 1u);
    if (end_ + 8 + padded + 16ull * (frames_ + 1) + 8 > kMaxFileSize) return AVIERR_FILEWRITE;
    std::vector<uint8_t> head;
    PutFourCC(head, "00db");
    Put32(head, size);
    const uint64_t chunk = end_;
    static const uint8_t pad = 0;
    if (!WriteAt(chunk, head.data(), head.size()) || !WriteAt(chunk + 8, data, size) ||
        ((size & 1u) && !WriteAt(chunk + 8 + size, &pad, 1))) {
        // Whatever part of this frame reached the disk lies beyond the sizes in the header,
        // which still describe the frames before it.
        return AVIERR_FILEWRITE;
    }
    end_ = chunk + 8 + padded;
    PutFourCC(index_, "00db");
    Put32(index_, flags);
    Put32(index_, static_cast<uint32_t>(chunk - moviListOffset_ - 8));  // from "movi"
    Put32(index_, size);
    ++frames_;
    if (size > maxFrameSize_) maxFrameSize_ = size;
    return PatchCounts();
}

int32_t CAviWriter::Close() {
    if (fd_ < 0) return AVI_OK;
    int32_t r = AVI_OK;
    if (!headerWritten_ && haveStream_ && !failed_) {
        // No frame was written: an empty stream with the frame rectangle's 24-bit format.
        format_ =
            MakeRgb24Header(info_.frameRight - info_.frameLeft, info_.frameBottom - info_.frameTop);
        if (format_.biWidth <= 0 || format_.biHeight <= 0) format_ = MakeRgb24Header(1, 1);
        r = WriteHeader();
    }
    if (headerWritten_ && r == AVI_OK && !failed_) {
        // The index follows the frames; the header's sizes are only changed once it is whole.
        std::vector<uint8_t> idx;
        PutFourCC(idx, "idx1");
        Put32(idx, static_cast<uint32_t>(index_.size()));
        const uint64_t frameEnd = end_;
        if (WriteAt(frameEnd, idx.data(), idx.size()) &&
            WriteAt(frameEnd + 8, index_.data(), index_.size())) {
            const uint32_t riff = static_cast<uint32_t>(frameEnd + 8 + index_.size() - 8);
            const uint32_t flags = AVIF_HASINDEX;
            uint8_t b[4];
            std::memcpy(b, &riff, 4);
            uint8_t f[4];
            std::memcpy(f, &flags, 4);
            if (!WriteAt(kRiffSize, b, 4) || !WriteAt(kAvihFlags, f, 4)) r = AVIERR_FILEWRITE;
        } else {
            r = AVIERR_FILEWRITE;
            // Drop a partial index so the file ends with its last frame.
            if (::ftruncate(fd_, static_cast<off_t>(frameEnd)) != 0) r = AVIERR_FILEWRITE;
        }
    }
    if (::close(fd_) != 0 && r == AVI_OK) r = AVIERR_FILEWRITE;
    fd_ = -1;
    return r;
}

}  // namespace ocv
