#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sources/MJpegParser.h"

namespace ocv {
namespace {

using Bytes = std::vector<uint8_t>;

// A stand-in picture: FF D8, a body that may hold FF D9 pairs, FF D9.
Bytes Picture(size_t size, uint8_t seed, bool innerEndMarker = false) {
    Bytes p(size, 0);
    p[0] = 0xFF;
    p[1] = 0xD8;
    for (size_t i = 2; i + 2 < size; ++i) p[i] = static_cast<uint8_t>((i * 7 + seed) % 0xF0);
    if (innerEndMarker && size > 10) {
        p[size / 2] = 0xFF;
        p[size / 2 + 1] = 0xD9;
    }
    p[size - 2] = 0xFF;
    p[size - 1] = 0xD9;
    return p;
}

void Append(Bytes& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }
void Append(Bytes& out, const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); }

struct Framing {
    std::string lengthName = "Content-Length";
    bool withLength = true;
    bool crlfAfter = true;
};

Bytes Stream(const std::vector<Bytes>& pictures, const Framing& f) {
    Bytes out;
    for (const Bytes& p : pictures) {
        Append(out, "--myboundary\r\nContent-Type: image/jpeg\r\n");
        if (f.withLength) Append(out, f.lengthName + ": " + std::to_string(p.size()) + "\r\n");
        Append(out, "\r\n");
        Append(out, p);
        if (f.crlfAfter) Append(out, "\r\n");
    }
    return out;
}

struct Result {
    std::vector<Bytes> pictures;
    CMJpegPartParser::Status status = CMJpegPartParser::Status::kNeedMore;
    MJpegError error = MJpegError::kNone;
    MJpegError finish = MJpegError::kNone;
};

// Feeds the stream in blocks of the given sizes (cycled); 0 means all at once.
Result Parse(const Bytes& stream, int variant, std::vector<size_t> blocks = {0}) {
    CMJpegPartParser parser(variant);
    Result r;
    size_t pos = 0, bi = 0;
    while (pos < stream.size()) {
        size_t n = blocks[bi++ % blocks.size()];
        if (n == 0 || n > stream.size() - pos) n = stream.size() - pos;
        r.status = parser.Feed(stream.data() + pos, n, [&](const uint8_t* d, size_t s) {
            r.pictures.emplace_back(d, d + s);
            return true;
        });
        pos += n;
        if (r.status != CMJpegPartParser::Status::kNeedMore) break;
    }
    r.error = parser.error();
    r.finish = parser.Finish();
    return r;
}

TEST(MJpegParser, ReadsPartsByLengthInAnyLetterCaseAndAnyBlockSplit) {
    std::vector<Bytes> pics = {Picture(500, 1, true), Picture(3000, 2, true), Picture(40, 3)};
    for (const char* name : {"Content-Length", "content-length", "CONTENT-LENGTH", "Content-length",
                             "cOnTeNt-LeNgTh"}) {
        Framing f;
        f.lengthName = name;
        Bytes s = Stream(pics, f);
        for (auto blocks : std::vector<std::vector<size_t>>{{0}, {1}, {2, 3, 5}}) {
            Result r = Parse(s, kReaderVariantA, blocks);
            ASSERT_EQ(r.status, CMJpegPartParser::Status::kNeedMore) << name;
            // Read by length, so the FF D9 inside the first two pictures does not cut them.
            ASSERT_EQ(r.pictures, pics) << name << " block " << blocks[0];
        }
    }
}

TEST(MJpegParser, WithoutLengthScansFromStartToFirstEndMarker) {
    std::vector<Bytes> pics = {Picture(500, 1), Picture(70000, 2), Picture(4, 3)};
    Framing f;
    f.withLength = false;
    Bytes s = Stream(pics, f);
    for (auto blocks : std::vector<std::vector<size_t>>{{0}, {1}, {3, 1000, 2}}) {
        Result r = Parse(s, kReaderVariantA, blocks);
        ASSERT_EQ(r.status, CMJpegPartParser::Status::kNeedMore);
        ASSERT_EQ(r.pictures, pics);
    }
    // An inner FF D9 ends the picture there: the rest of it is taken for the closing lines.
    Bytes cut = Stream({Picture(100, 4, true)}, f);
    Result r = Parse(cut, kReaderVariantA, {1});
    ASSERT_EQ(r.pictures.size(), 1u);
    EXPECT_EQ(r.pictures[0].size(), 52u);
}

TEST(MJpegParser, EndMarkerSplitAcrossBlocksAndFfBeforeStartDoNotConfuseScan) {
    // FF D8 D9: the D9 right after the start marker is not an end marker.
    Bytes pic = {0xFF, 0xD8, 0xD9, 0x01, 0xFF, 0xD9};
    Framing f;
    f.withLength = false;
    Bytes s = Stream({pic, pic}, f);
    for (size_t split = 1; split < s.size(); ++split) {
        Result r = Parse(s, kReaderVariantA, {split});
        ASSERT_EQ(r.pictures, (std::vector<Bytes>{pic, pic})) << split;
    }
}

TEST(MJpegParser, HeaderBlockSkipsLeadingEmptyLinesAndTakesLengthWithBlanks) {
    Bytes pic = Picture(300, 9, true);
    Bytes s;
    Append(s, "\r\n\r\n\n--b\nX-Other: 1\r\nContent-length:    300\r\n\r\n");
    Append(s, pic);
    Append(s, "\r\n--b\r\n");
    Result r = Parse(s, kReaderVariantA);
    ASSERT_EQ(r.pictures.size(), 1u);
    EXPECT_EQ(r.pictures[0], pic);
    // The stream stops between parts: the next header line cannot be read.
    EXPECT_EQ(r.finish, MJpegError::kReadHeader);
}

TEST(MJpegParser, VariantsDifferInTheLinesReadAfterThePicture) {
    std::vector<Bytes> pics = {Picture(200, 1), Picture(300, 2)};
    // No CR LF after the picture and no length: variant B discards only the boundary line.
    Framing f;
    f.withLength = false;
    f.crlfAfter = false;
    Bytes s = Stream(pics, f);
    EXPECT_EQ(Parse(s, kReaderVariantB).pictures, pics);
    // Variant A also discards the Content-Type line and then takes the picture for a header.
    Result a = Parse(s, kReaderVariantA);
    EXPECT_EQ(a.pictures.size(), 1u);
    // With the length on the part's third line both variants read every picture.
    f.withLength = true;
    Bytes withLen = Stream(pics, f);
    EXPECT_EQ(Parse(withLen, kReaderVariantA).pictures, pics);
    EXPECT_EQ(Parse(withLen, kReaderVariantB).pictures, pics);
    // With the CR LF after the picture, variant B reads the boundary as a header line.
    f.withLength = false;
    f.crlfAfter = true;
    Bytes crlf = Stream(pics, f);
    EXPECT_EQ(Parse(crlf, kReaderVariantA).pictures, pics);
    EXPECT_EQ(Parse(crlf, kReaderVariantB).pictures, pics);
}

TEST(MJpegParser, ScanStopsOneByteShortOfTheWorkBufferAndLengthReadsAreUnbounded) {
    Framing f;
    f.withLength = false;
    Bytes fits = Picture(CMJpegPartParser::kWorkBufferSize - 1, 5);
    Result ok = Parse(Stream({fits}, f), kReaderVariantA, {65536});
    ASSERT_EQ(ok.pictures.size(), 1u);
    EXPECT_EQ(ok.pictures[0].size(), fits.size());
    Bytes big = Picture(CMJpegPartParser::kWorkBufferSize + 1000, 6);
    EXPECT_EQ(Parse(Stream({big}, Framing{}), kReaderVariantA, {65536}).pictures.size(), 1u);
}

// Streams the parser refuses while feeding (status and error) or at their end (finish).
TEST(MJpegParser, BrokenPartsFailWithTheirError) {
    using S = CMJpegPartParser::Status;
    auto bytes = [](const std::string& text) { return Bytes(text.begin(), text.end()); };
    Framing scan;
    scan.withLength = false;
    // A picture of exactly the buffer's size fails even though its end marker is its last byte.
    Bytes exact = Stream({Picture(CMJpegPartParser::kWorkBufferSize, 5)}, scan);
    Bytes cutLength = Stream({Picture(1000, 3)}, Framing{});
    cutLength.resize(cutLength.size() - 500);
    Bytes cutScan = Stream({Picture(1000, 3)}, scan);
    cutScan.resize(cutScan.size() - 500);
    struct Row {
        const char* name;
        Bytes stream;
        int variant;
        S status;
        MJpegError error, finish;
    };
    const MJpegError kNone = MJpegError::kNone;
    const Row rows[] = {
        {"not a picture", bytes("--b\r\nContent-Type: image/jpeg\r\n\r\nGARBAGE GARBAGE\r\n"),
         kReaderVariantA, S::kFailed, MJpegError::kNotStartFFD8, MJpegError::kNotStartFFD8},
        {"FF without D8",
         bytes("--b\r\nContent-Type: image/jpeg\r\n\r\n\xFF\xE0 almost\xFF\xD9\r\n"),
         kReaderVariantA, S::kFailed, MJpegError::kNotStartFFD8, MJpegError::kNotStartFFD8},
        {"scan overflow A", exact, kReaderVariantA, S::kFailed, MJpegError::kOverflow,
         MJpegError::kOverflow},
        {"scan overflow B", exact, kReaderVariantB, S::kFailed, MJpegError::kOverflow,
         MJpegError::kOverflow},
        {"length over 64 MiB", bytes("--b\r\nContent-Length: 67108865\r\n\r\n\xFF\xD8"),
         kReaderVariantA, S::kFailed, MJpegError::kReadStream, MJpegError::kReadStream},
        {"length beyond any integer",
         bytes("--b\r\nContent-Length: 99999999999999999999999999\r\n\r\n"), kReaderVariantA,
         S::kFailed, MJpegError::kReadStream, MJpegError::kReadStream},
        {"overlong header line",
         bytes("--b\r\nX-Long: " + std::string(CMJpegPartParser::kMaxLineLength + 10, 'a')),
         kReaderVariantA, S::kFailed, MJpegError::kReadHeader, MJpegError::kReadHeader},
        {"ends inside a picture read by length", cutLength, kReaderVariantA, S::kNeedMore, kNone,
         MJpegError::kReadStream},
        {"ends inside a scanned picture", cutScan, kReaderVariantA, S::kNeedMore, kNone,
         MJpegError::kReadStream},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Result r = Parse(row.stream, row.variant, {1000});
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.error, row.error);
        EXPECT_EQ(r.finish, row.finish);
        EXPECT_TRUE(r.pictures.empty());
    }
}

TEST(MJpegParser, NonPositiveOrMissingLengthFallsBackToScan) {
    Bytes pic = Picture(100, 2);
    for (const char* value : {"0", "-5", "abc", ""}) {
        Bytes s;
        Append(s, std::string("--b\r\nContent-Length: ") + value + "\r\n\r\n");
        Append(s, pic);
        Append(s, "\r\n");
        EXPECT_EQ(Parse(s, kReaderVariantA).pictures, std::vector<Bytes>{pic}) << value;
    }
}

TEST(MJpegParser, ConsumerStopEndsFeedAndResetStartsOver) {
    std::vector<Bytes> pics = {Picture(100, 1), Picture(100, 2), Picture(100, 3)};
    Bytes s = Stream(pics, Framing{});
    CMJpegPartParser parser(kReaderVariantA);
    int seen = 0;
    auto status =
        parser.Feed(s.data(), s.size(), [&](const uint8_t*, size_t) { return ++seen < 2; });
    EXPECT_EQ(status, CMJpegPartParser::Status::kStopped);
    EXPECT_EQ(seen, 2);
    parser.Reset();
    seen = 0;
    status = parser.Feed(s.data(), s.size(), [&](const uint8_t*, size_t) { return ++seen > 0; });
    EXPECT_EQ(status, CMJpegPartParser::Status::kNeedMore);
    EXPECT_EQ(seen, 3);
}

TEST(MJpegParser, RandomSplitsGiveTheSamePicturesAsOneBlock) {
    std::mt19937 rng(1234);
    std::vector<Bytes> pics;
    for (int i = 0; i < 20; ++i)
        pics.push_back(Picture(10 + rng() % 5000, static_cast<uint8_t>(i)));
    for (bool withLength : {true, false}) {
        Framing f;
        f.withLength = withLength;
        Bytes s = Stream(pics, f);
        for (int round = 0; round < 20; ++round) {
            std::vector<size_t> blocks;
            for (int i = 0; i < 50; ++i) blocks.push_back(1 + rng() % 3000);
            ASSERT_EQ(Parse(s, kReaderVariantA, blocks).pictures, pics);
        }
    }
}

TEST(MJpegParser, ContentLengthValueFollowsDecimalConversion) {
    auto v = [](const std::string& s) { return ParseContentLengthValue(s.data(), s.size()); };
    EXPECT_EQ(v(" 1234"), 1234);
    EXPECT_EQ(v("\t+77xyz"), 77);
    EXPECT_EQ(v("-3"), -3);
    EXPECT_EQ(v("x12"), 0);
    EXPECT_GT(v("123456789012345678901234567890"), int64_t{1} << 40);  // saturates, no overflow
}

}  // namespace
}  // namespace ocv
