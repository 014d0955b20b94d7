#include "controller/FrameStore.h"

#include <fcntl.h>
#include <unistd.h>
#include <zstd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace ocv {

PackedFramePtr PackFrame(const uint8_t* pixels, uint32_t size) {
    try {
        auto frame = std::make_shared<PackedFrame>();
        frame->rawSize = size;
        frame->data.resize(ZSTD_compressBound(size));
        // A negative level is zstd's fast mode: a frame packs in a millisecond or two.
        const size_t n = ZSTD_compress(frame->data.data(), frame->data.size(), pixels, size, -1);
        if (ZSTD_isError(n)) return nullptr;
        frame->data.resize(n);
        frame->data.shrink_to_fit();
        return frame;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool UnpackFrame(const PackedFrame& frame, uint8_t* out, uint32_t size) {
    if (frame.rawSize != size) return false;
    const size_t n = ZSTD_decompress(out, size, frame.data.data(), frame.data.size());
    return !ZSTD_isError(n) && n == size;
}

PreEventRing::PreEventRing(size_t capacity, uint32_t frameSize) : frameSize_(frameSize) {
    std::vector<uint8_t> black(frameSize, 0);
    PackedFramePtr blank = PackFrame(black.data(), frameSize);
    frames_.assign(capacity, blank);
    times_.assign(capacity, LocalTime{});
}

void PreEventRing::Push(const uint8_t* pixels, const LocalTime& time) {
    if (frames_.empty()) return;
    PackedFramePtr frame = PackFrame(pixels, frameSize_);
    if (!frame) return;  // out of memory: the slot keeps its older picture
    frames_[next_] = std::move(frame);
    times_[next_] = time;
    next_ = (next_ + 1) % frames_.size();
}

void PreEventRing::Snapshot(std::vector<PackedFramePtr>& frames,
                            std::vector<LocalTime>& times) const {
    frames.clear();
    times.clear();
    for (size_t i = 0; i < frames_.size(); ++i) {
        size_t k = (next_ + i) % frames_.size();
        frames.push_back(frames_[k]);
        times.push_back(times_[k]);
    }
}

FrameSpill::~FrameSpill() {
    if (fd_ >= 0) ::close(fd_);
}

std::string FrameSpill::Open(const std::vector<std::string>& dirs, uint32_t frameSize) {
    frameSize_ = frameSize;
    for (const std::string& dir : dirs) {
        if (dir.empty()) continue;
        // An unnamed file: nothing is left behind, whatever way the recording ends.
        int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) {
            std::string pattern = dir + "/.ocvrec-XXXXXX";
            fd = ::mkostemp(pattern.data(), O_CLOEXEC);
            if (fd >= 0) ::unlink(pattern.c_str());
        }
        if (fd >= 0) {
            fd_ = fd;
            return dir;
        }
    }
    return "";
}

bool FrameSpill::Append(const uint8_t* pixels) {
    try {
        if (fd_ >= 0) {
            size_t done = 0;
            while (done < frameSize_) {
                ssize_t n = ::pwrite(fd_, pixels + done, frameSize_ - done, fileEnd_ + done);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                done += static_cast<size_t>(n);
            }
            if (done == frameSize_) {
                entries_.push_back({fileEnd_, nullptr});
                fileEnd_ += frameSize_;
                return true;
            }
            // The disk is full: the rest of the clip is kept packed in memory.
        }
        PackedFramePtr packed = PackFrame(pixels, frameSize_);
        if (!packed) return false;
        entries_.push_back({-1, std::move(packed)});
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool FrameSpill::AppendPacked(PackedFramePtr frame) {
    if (!frame) return false;
    try {
        entries_.push_back({-1, std::move(frame)});
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool FrameSpill::Read(size_t index, uint8_t* out) const {
    if (index >= entries_.size()) return false;
    const Entry& e = entries_[index];
    if (e.offset < 0) return e.packed && UnpackFrame(*e.packed, out, frameSize_);
    size_t done = 0;
    while (done < frameSize_) {
        ssize_t n = ::pread(fd_, out + done, frameSize_ - done, e.offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace ocv
