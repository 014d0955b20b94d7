#pragma once
// An uncompressed RIFF AVI writer with one video stream: the calls and result codes of the
// platform's AVI file library that a recording needs. The file stays readable at every moment:
// the header is written before the first frame, and its sizes and counts are brought up to date
// after every frame, so a recording cut short by a full disk, a crash or a stop still plays up
// to its last whole frame. The index is added when the file is closed.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/FrameSample.h"

namespace ocv {

// Result codes (0 is success).
constexpr int32_t AVI_OK = 0;
constexpr int32_t AVIERR_UNSUPPORTED = static_cast<int32_t>(0x80044065u);
constexpr int32_t AVIERR_BADFORMAT = static_cast<int32_t>(0x80044066u);
constexpr int32_t AVIERR_MEMORY = static_cast<int32_t>(0x80044067u);
constexpr int32_t AVIERR_FILEREAD = static_cast<int32_t>(0x8004406Du);
constexpr int32_t AVIERR_FILEWRITE = static_cast<int32_t>(0x8004406Eu);
constexpr int32_t AVIERR_FILEOPEN = static_cast<int32_t>(0x8004406Fu);
constexpr int32_t AVIERR_READONLY = static_cast<int32_t>(0x80044072u);
constexpr int32_t AVIERR_BADPARAM = static_cast<int32_t>(0x80044069u);
constexpr int32_t REGDB_E_CLASSNOTREG = static_cast<int32_t>(0x80040154u);

// The text of a result code in the AVI messages; unknown codes give "Unknown AVI Error [code=%d]".
std::string AviErrorText(int32_t code);

// The stream header fields a caller chooses.
struct AviStreamInfo {
    uint32_t scale = 1;
    uint32_t rate = 10;
    int32_t frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;
    std::string name = "Video";
};

constexpr uint32_t AVIIF_KEYFRAME = 0x10;

class CAviWriter {
public:
    CAviWriter() = default;
    ~CAviWriter();
    CAviWriter(const CAviWriter&) = delete;
    CAviWriter& operator=(const CAviWriter&) = delete;

    // Creates (or empties) the file for writing.
    int32_t Open(const std::string& path);
    // The one video stream ("vids", handler "DIB ").
    int32_t CreateStream(const AviStreamInfo& info);
    // The format at a position: the first one is the stream's format; a later one must be equal.
    int32_t SetFormat(uint32_t position, const BITMAPINFOHEADER& format);
    // One frame of pixels at the next position.
    int32_t Write(uint32_t position, const uint8_t* data, uint32_t size, uint32_t flags);
    // Adds the index and closes the file. Called by the destructor when not called before.
    int32_t Close();
    uint32_t Frames() const { return frames_; }

private:
    int32_t WriteHeader();
    int32_t PatchCounts();
    bool WriteAt(uint64_t offset, const void* data, size_t size);

    int fd_ = -1;
    bool haveStream_ = false, haveFormat_ = false, headerWritten_ = false, failed_ = false;
    AviStreamInfo info_;
    BITMAPINFOHEADER format_{};
    uint32_t frames_ = 0;
    uint32_t maxFrameSize_ = 0;
    uint64_t end_ = 0;             // bytes written so far
    uint64_t moviListOffset_ = 0;  // of the "LIST" of the frames
    std::vector<uint8_t> index_;   // "idx1" entries
};

}  // namespace ocv
