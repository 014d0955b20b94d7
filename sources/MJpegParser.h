#pragma once
// A push parser for the body of a Motion-JPEG HTTP answer. It is fed the bytes as they arrive,
// in blocks of any size, and hands out one whole JPEG picture at a time. It keeps the framing
// rules of the camera readers exactly:
//  - a header block of lines (LF ends a line, a CR before it is dropped): leading empty lines
//    are skipped, the block ends at the first empty line after a non-empty one, a line that
//    starts with "Content-length:" (any letter case) gives the picture length;
//  - with a length above 0, exactly that many bytes are the picture;
//  - without one, the picture must start with FF D8 and runs up to and including the first
//    FF D9 after it, bounded by the 1,048,576-byte work buffer;
//  - after the picture the lines that close the part are read and discarded: two for reader
//    variant A (the empty line and the boundary line), one for variant B.
// It knows nothing about the network, so it can be tested and fuzzed on its own.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ocv {

// Reader variants: 2 selects B (one line after the picture), every other value A (two lines).
constexpr int kReaderVariantA = 1;
constexpr int kReaderVariantB = 2;

enum class MJpegError {
    kNone,
    kReadHeader,    // a header line could not be read (too long, or the stream ended in it)
    kNotStartFFD8,  // the picture of a part without length does not start with FF D8
    kOverflow,      // a picture without length reached the work buffer's size
    kReadStream,    // the stream ended inside a picture, or a claimed length is unusable
};

// The log text of a failed read for the given variant (the overflow text differs by variant).
const char* MJpegErrorText(MJpegError error, int variant);

class CMJpegPartParser {
public:
    static constexpr size_t kWorkBufferSize = 1048576;          // marker-scan bound
    static constexpr uint64_t kMaxContentLength = 64ull << 20;  // larger claims are refused
    static constexpr size_t kMaxLineLength = 16384;             // longer header lines fail

    // Called with each complete picture. The bytes stay valid only during the call. Return
    // false to stop parsing: Feed then returns at once with kStopped.
    using PictureFn = std::function<bool(const uint8_t* data, size_t size)>;

    enum class Status { kNeedMore, kStopped, kFailed };

    explicit CMJpegPartParser(int variant);

    // Parses the bytes. kFailed leaves the parser failed (error() tells why) until Reset.
    Status Feed(const uint8_t* data, size_t size, const PictureFn& onPicture);
    // The stream ended: the error the reader reports for the point the parser stands at (a
    // stream that ends between parts fails on its next header line).
    MJpegError Finish() const;
    // Starts over for a new request.
    void Reset();

    MJpegError error() const { return error_; }
    int variant() const { return variant_; }
    // Whether the picture handed out last was found by the marker scan (no length header).
    bool lastPictureScanned() const { return lastScanned_; }
    // Inside the picture callback only: trades the picture's storage with `other`, so a caller
    // that keeps the picture takes it without a copy; the parser goes on in other's storage.
    void TradePicture(std::vector<uint8_t>& other) { picture_.swap(other); }

private:
    enum class State { kHeader, kBody, kScanStart, kScan, kTrailer, kFailed };

    // Each returns the bytes it consumed; it may change state or fail.
    size_t ParseLines(const uint8_t* p, size_t n, bool trailer);
    void EndHeaderLine();
    void StartPicture();
    Status Fail(MJpegError e);

    int variant_;
    State state_ = State::kHeader;
    MJpegError error_ = MJpegError::kNone;
    std::string line_;
    bool lineTooLong_ = false;
    bool sawHeaderLine_ = false;
    int64_t contentLength_ = 0;
    int trailerLines_ = 0;
    std::vector<uint8_t> picture_;
    size_t expected_ = 0;
    bool lastScanned_ = false;
};

// Value of a "Content-length:" line as the readers take it: the rest of the line as a decimal
// integer with leading blanks and a sign allowed, digits up to the first other character;
// saturates instead of overflowing. 0 when there are no digits.
int64_t ParseContentLengthValue(const char* text, size_t size);

}  // namespace ocv
