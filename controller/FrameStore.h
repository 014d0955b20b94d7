#pragma once
// Compact homes for the frames of a recording. Raw 24-bit frames are large (a 640 x 480 frame is
// 900 KB), and a recording collects seconds of them before it writes a single one:
//  - PackedFrame: one frame compressed without loss (zstd), for the few seconds before an event
//    that the motion thread keeps around; unchanged pictures of a camera pack to little.
//  - FrameSpill: the frames a recording collects, appended raw to an unlinked temporary file
//    next to the video file, so memory stays flat however long the clip is; read back one by one
//    when the AVI is written. Without a writable place it keeps packed frames in memory.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Time.h"

namespace ocv {

struct PackedFrame {
    uint32_t rawSize = 0;
    std::vector<uint8_t> data;
};
using PackedFramePtr = std::shared_ptr<const PackedFrame>;

// Packs `size` bytes; nullptr only when memory runs out.
PackedFramePtr PackFrame(const uint8_t* pixels, uint32_t size);
// Unpacks into exactly `size` bytes; false when the frame is of another size or damaged.
bool UnpackFrame(const PackedFrame& frame, uint8_t* out, uint32_t size);

// The pictures of the last N samples, oldest first, with their capture times. Starts full of
// black frames with zeroed times. A push replaces the oldest slot; the frames themselves are
// immutable and shared, so a copy of the ring costs N pointers.
class PreEventRing {
public:
    PreEventRing(size_t capacity, uint32_t frameSize);
    void Push(const uint8_t* pixels, const LocalTime& time);
    size_t Size() const { return frames_.size(); }
    // The ring oldest first.
    void Snapshot(std::vector<PackedFramePtr>& frames, std::vector<LocalTime>& times) const;

private:
    std::vector<PackedFramePtr> frames_;
    std::vector<LocalTime> times_;
    uint32_t frameSize_;
    size_t next_ = 0;  // the oldest slot, replaced by the next push
};

class FrameSpill {
public:
    FrameSpill() = default;
    ~FrameSpill();
    FrameSpill(const FrameSpill&) = delete;
    FrameSpill& operator=(const FrameSpill&) = delete;

    // Frames of `frameSize` bytes go to a temporary file in the first of `dirs` that takes one;
    // with none, into memory (packed). Returns where they go ("" for memory).
    std::string Open(const std::vector<std::string>& dirs, uint32_t frameSize);
    bool Append(const uint8_t* pixels);
    // A frame that is packed already (the ones from before the event).
    bool AppendPacked(PackedFramePtr frame);
    bool Read(size_t index, uint8_t* out) const;
    size_t Count() const { return entries_.size(); }

private:
    struct Entry {
        int64_t offset = -1;  // in the file; -1 for a packed frame
        PackedFramePtr packed;
    };
    int fd_ = -1;
    uint32_t frameSize_ = 0;
    int64_t fileEnd_ = 0;
    std::vector<Entry> entries_;
};

}  // namespace ocv
