#include "sources/MJpegParser.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

namespace ocv {

const char* MJpegErrorText(MJpegError error, int variant) {
    switch (error) {
        case MJpegError::kNone: return "";
        case MJpegError::kReadHeader: return "[SampleThread] Read Header Failed!";
        case MJpegError::kNotStartFFD8: return "[SampleThread] JPEG start byte is not FFD8!";
        case MJpegError::kOverflow:
            return variant == kReaderVariantB ? "[SampleThread] Download buffer overflow!!"
                                              : "[SampleThread] Download Buffer Overflow!!";
        case MJpegError::kReadStream: return "[SampleThread] Read MotionJpeg Stream Failed!";
    }
    return "";
}

int64_t ParseContentLengthValue(const char* text, size_t size) {
    size_t i = 0;
    while (i < size && (text[i] == ' ' || text[i] == '\t' || text[i] == '\v' || text[i] == '\f' ||
                        text[i] == '\r' || text[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    constexpr int64_t kCap = int64_t{1} << 62;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value <= (kCap - 9) / 10 ? value * 10 + (text[i] - '0') : kCap;
    }
    return negative ? -value : value;
}

CMJpegPartParser::CMJpegPartParser(int variant) : variant_(variant) {}

void CMJpegPartParser::Reset() {
    state_ = State::kHeader;
    error_ = MJpegError::kNone;
    line_.clear();
    lineTooLong_ = false;
    sawHeaderLine_ = false;
    contentLength_ = 0;
    trailerLines_ = 0;
    picture_.clear();
    expected_ = 0;
    lastScanned_ = false;
}

CMJpegPartParser::Status CMJpegPartParser::Fail(MJpegError e) {
    state_ = State::kFailed;
    error_ = e;
    picture_.clear();
    picture_.shrink_to_fit();
    return Status::kFailed;
}

MJpegError CMJpegPartParser::Finish() const {
    switch (state_) {
        case State::kFailed: return error_;
        case State::kHeader:
        case State::kTrailer: return MJpegError::kReadHeader;
        case State::kBody:
        case State::kScanStart:
        case State::kScan: return MJpegError::kReadStream;
    }
    return MJpegError::kReadStream;
}

void CMJpegPartParser::EndHeaderLine() {
    // A CR just before the LF belongs to the line end.
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    if (line_.empty()) {
        if (sawHeaderLine_) StartPicture();  // leading empty lines are skipped
        return;
    }
    sawHeaderLine_ = true;
    static constexpr char kKey[] = "Content-length:";
    constexpr size_t kKeyLen = sizeof kKey - 1;
    if (line_.size() >= kKeyLen && ::strncasecmp(line_.data(), kKey, kKeyLen) == 0) {
        contentLength_ = ParseContentLengthValue(line_.data() + kKeyLen, line_.size() - kKeyLen);
    }
    line_.clear();
}

void CMJpegPartParser::StartPicture() {
    line_.clear();
    sawHeaderLine_ = false;
    picture_.clear();
    if (contentLength_ > 0) {
        if (static_cast<uint64_t>(contentLength_) > kMaxContentLength) {
            Fail(MJpegError::kReadStream);
            return;
        }
        expected_ = static_cast<size_t>(contentLength_);
        // Grows with the data that really arrives, not with what the camera claims.
        picture_.reserve(std::min<size_t>(expected_, 4u << 20));
        state_ = State::kBody;
    } else {
        state_ = State::kScanStart;
    }
    contentLength_ = 0;
}

// Header lines are collected into line_; the lines after a picture are only counted.
size_t CMJpegPartParser::ParseLines(const uint8_t* p, size_t n, bool trailer) {
    size_t used = 0;
    while (used < n && (state_ == State::kHeader || state_ == State::kTrailer)) {
        const uint8_t* lf = static_cast<const uint8_t*>(std::memchr(p + used, '\n', n - used));
        size_t take = lf ? static_cast<size_t>(lf - (p + used)) : n - used;
        if (!trailer) {
            if (line_.size() + take > kMaxLineLength) {
                lineTooLong_ = true;
            } else {
                line_.append(reinterpret_cast<const char*>(p + used), take);
            }
        }
        used += take;
        if (!lf) break;
        ++used;  // the LF
        if (trailer) {
            if (--trailerLines_ == 0) {
                state_ = State::kHeader;
                return used;
            }
            continue;
        }
        if (lineTooLong_) {
            Fail(MJpegError::kReadHeader);
            return used;
        }
        EndHeaderLine();
    }
    return used;
}

CMJpegPartParser::Status CMJpegPartParser::Feed(const uint8_t* data, size_t size,
                                                const PictureFn& onPicture) {
    if (state_ == State::kFailed) return Status::kFailed;
    size_t pos = 0;
    while (pos < size || state_ == State::kFailed) {
        const uint8_t* p = data + pos;
        size_t n = size - pos;
        switch (state_) {
            case State::kFailed: return Status::kFailed;
            case State::kHeader:
                pos += ParseLines(p, n, false);
                if (lineTooLong_ && state_ == State::kHeader && pos == size) {
                    // The line goes on past the bound without an end in sight.
                    return Fail(MJpegError::kReadHeader);
                }
                continue;
            case State::kTrailer: pos += ParseLines(p, n, true); continue;
            case State::kBody: {
                size_t take = std::min(n, expected_ - picture_.size());
                picture_.insert(picture_.end(), p, p + take);
                pos += take;
                break;
            }
            case State::kScanStart: {
                while (picture_.size() < 2 && pos < size) picture_.push_back(data[pos++]);
                if (picture_.size() < 2) return Status::kNeedMore;
                if (picture_[0] != 0xFF || picture_[1] != 0xD8) {
                    return Fail(MJpegError::kNotStartFFD8);
                }
                state_ = State::kScan;
                continue;
            }
            case State::kScan: {
                // Bytes are appended up to and including the first D9 that follows an FF. The
                // count is checked against the work buffer before the end marker, so a picture
                // of the buffer's size or more fails even when its marker is the last byte.
                size_t room = kWorkBufferSize - picture_.size();
                size_t limit = std::min(n, room);
                size_t end = 0;  // bytes of this block that belong to the picture
                bool found = false;
                size_t from = 0;
                while (from < limit) {
                    const uint8_t* d =
                        static_cast<const uint8_t*>(std::memchr(p + from, 0xD9, limit - from));
                    if (!d) break;
                    size_t i = static_cast<size_t>(d - p);
                    uint8_t prev = i > 0 ? p[i - 1] : picture_.back();
                    if (prev == 0xFF) {
                        end = i + 1;
                        found = true;
                        break;
                    }
                    from = i + 1;
                }
                if (!found) end = limit;
                picture_.insert(picture_.end(), p, p + end);
                pos += end;
                if (picture_.size() >= kWorkBufferSize) return Fail(MJpegError::kOverflow);
                if (!found) continue;
                expected_ = picture_.size();
                break;
            }
        }
        // A picture is complete when its expected length is reached.
        if ((state_ == State::kBody || state_ == State::kScan) && picture_.size() == expected_) {
            lastScanned_ = state_ == State::kScan;
            state_ = State::kTrailer;
            trailerLines_ = variant_ == kReaderVariantB ? 1 : 2;
            bool go = onPicture ? onPicture(picture_.data(), picture_.size()) : true;
            picture_.clear();
            if (!go) return Status::kStopped;
        }
    }
    return Status::kNeedMore;
}

}  // namespace ocv
