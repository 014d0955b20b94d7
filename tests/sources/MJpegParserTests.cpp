#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sources/MJpegParser.h"

namespace ocv {
namespace {

using Bytes = std::vector<uint8_t>;
using S = CMJpegPartParser::Status;

// A stand-in picture: FF D8, a body that may hold an FF D9 pair in its middle, FF D9.
Bytes Picture(size_t size, uint8_t seed, bool innerEndMarker = false) {
    Bytes p(size, 0);
    for (size_t i = 2; i + 2 < size; ++i) p[i] = static_cast<uint8_t>((i * 7 + seed) % 0xF0);
    if (innerEndMarker) p[size / 2] = 0xFF, p[size / 2 + 1] = 0xD9;
    p[0] = p[size - 2] = 0xFF, p[1] = 0xD8, p[size - 1] = 0xD9;
    return p;
}

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }
void Append(Bytes& out, const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); }

// The parts of a stream; an empty `lengthName` leaves the length out.
Bytes Stream(const std::vector<Bytes>& pictures, const std::string& lengthName = "Content-Length",
             bool crlfAfter = true) {
    Bytes out;
    for (const Bytes& p : pictures) {
        Append(out, B("--myboundary\r\nContent-Type: image/jpeg\r\n"));
        if (!lengthName.empty()) Append(out, B(lengthName + ": " + std::to_string(p.size()) + "\r\n"));
        Append(out, B("\r\n"));
        Append(out, p);
        if (crlfAfter) Append(out, B("\r\n"));
    }
    return out;
}

struct Result {
    std::vector<Bytes> pictures;
    S status = S::kNeedMore;
    MJpegError error = MJpegError::kNone, finish = MJpegError::kNone;
};

// Feeds the stream in blocks of the given sizes (cycled); 0 means all at once.
Result Parse(const Bytes& stream, int variant = kReaderVariantA, std::vector<size_t> blocks = {0}) {
    CMJpegPartParser parser(variant);
    Result r;
    for (size_t pos = 0, bi = 0; pos < stream.size() && r.status == S::kNeedMore; ) {
        size_t n = blocks[bi++ % blocks.size()];
        if (n == 0 || n > stream.size() - pos) n = stream.size() - pos;
        r.status = parser.Feed(stream.data() + pos, n, [&](const uint8_t* d, size_t s) {
            r.pictures.emplace_back(d, d + s);
            return true;
        });
        pos += n;
    }
    r.error = parser.error();
    r.finish = parser.Finish();
    return r;
}

TEST(MJpegParser, EveryFramingAndBlockSplitGivesThePictures) {
    std::mt19937 rng(1234);
    std::vector<std::vector<size_t>> splits = {{0}, {1}, {2, 3, 5}, {3, 1000, 2}};
    for (int i = 0; i < 10; ++i) {
        splits.emplace_back();
        for (int k = 0; k < 50; ++k) splits.back().push_back(1 + rng() % 3000);
    }
    // Read by length, the FF D9 inside a picture does not cut it.
    std::vector<Bytes> inner = {Picture(500, 1, true), Picture(3000, 2, true), Picture(40, 3)};
    std::vector<Bytes> plain = {Picture(500, 1), Picture(70000, 2), Picture(4, 3)};
    for (const char* name : {"Content-Length", "content-length", "CONTENT-LENGTH", "cOnTeNt-LeNgTh", ""}) {
        Bytes s = Stream(*name ? inner : plain, name);
        for (const auto& blocks : splits) {
            Result r = Parse(s, kReaderVariantA, blocks);
            ASSERT_EQ(r.status, S::kNeedMore) << name;
            ASSERT_EQ(r.pictures, *name ? inner : plain) << name << " block " << blocks[0];
        }
    }
    // FF D8 D9: the D9 right after the start marker is no end marker, wherever the split falls.
    Bytes pic = {0xFF, 0xD8, 0xD9, 0x01, 0xFF, 0xD9};
    Bytes s = Stream({pic, pic}, "");
    for (size_t split = 1; split < s.size(); ++split)
        ASSERT_EQ(Parse(s, kReaderVariantA, {split}).pictures, (std::vector<Bytes>{pic, pic})) << split;
    // Scanned, an inner FF D9 ends the picture there: the rest is taken for the closing lines.
    Result cut = Parse(Stream({Picture(100, 4, true)}, ""), kReaderVariantA, {1});
    ASSERT_EQ(cut.pictures.size(), 1u);
    EXPECT_EQ(cut.pictures[0].size(), 52u);
    // Leading empty lines are skipped, blanks before the length are allowed; a stream that stops
    // between parts cannot read the next header line.
    Bytes odd = B("\r\n\r\n\n--b\nX-Other: 1\r\nContent-length:    300\r\n\r\n");
    Append(odd, Picture(300, 9, true));
    Append(odd, B("\r\n--b\r\n"));
    Result r = Parse(odd);
    EXPECT_EQ(r.pictures, std::vector<Bytes>{Picture(300, 9, true)});
    EXPECT_EQ(r.finish, MJpegError::kReadHeader);
    // A length that is not positive or missing falls back to the scan.
    for (const char* value : {"0", "-5", "abc", ""}) {
        Bytes s2 = B(std::string("--b\r\nContent-Length: ") + value + "\r\n\r\n");
        Append(s2, Picture(100, 2));
        Append(s2, B("\r\n"));
        EXPECT_EQ(Parse(s2).pictures, std::vector<Bytes>{Picture(100, 2)}) << value;
    }
}

TEST(MJpegParser, VariantsDifferInTheLinesReadAfterThePicture) {
    std::vector<Bytes> pics = {Picture(200, 1), Picture(300, 2)};
    struct Row {
        const char* length;
        bool crlfAfter;
        size_t a, b;  // pictures read by variant A and B
    };
    // Without the CR LF after the picture and without a length, variant A discards the
    // Content-Type line as well and then takes the next picture for a header.
    for (Row row : {Row{"", false, 1, 2}, Row{"Content-Length", false, 2, 2}, Row{"", true, 2, 2}}) {
        Bytes s = Stream(pics, row.length, row.crlfAfter);
        EXPECT_EQ(Parse(s, kReaderVariantA).pictures.size(), row.a) << row.length << row.crlfAfter;
        EXPECT_EQ(Parse(s, kReaderVariantB).pictures.size(), row.b) << row.length << row.crlfAfter;
    }
}

// Streams the parser refuses while feeding (status and error) or at their end (finish); a scan
// stops one byte short of the work buffer while a read by length is unbounded.
TEST(MJpegParser, PictureSizesAndBrokenParts) {
    const size_t kBuf = CMJpegPartParser::kWorkBufferSize;
    EXPECT_EQ(Parse(Stream({Picture(kBuf - 1, 5)}, ""), kReaderVariantA, {65536}).pictures,
              std::vector<Bytes>{Picture(kBuf - 1, 5)});
    EXPECT_EQ(Parse(Stream({Picture(kBuf + 1000, 6)}), kReaderVariantA, {65536}).pictures.size(), 1u);
    Bytes exact = Stream({Picture(kBuf, 5)}, "");
    Bytes cutLength = Stream({Picture(1000, 3)}), cutScan = Stream({Picture(1000, 3)}, "");
    cutLength.resize(cutLength.size() - 500);
    cutScan.resize(cutScan.size() - 500);
    using E = MJpegError;
    struct Row {
        const char* name;
        Bytes stream;
        int variant;
        S status;
        E error, finish;
    };
    const int A = kReaderVariantA;
    const Row rows[] = {
        {"not a picture", B("--b\r\nContent-Type: image/jpeg\r\n\r\nGARBAGE GARBAGE\r\n"), A,
         S::kFailed, E::kNotStartFFD8, E::kNotStartFFD8},
        {"FF without D8", B("--b\r\nContent-Type: image/jpeg\r\n\r\n\xFF\xE0 almost\xFF\xD9\r\n"), A, S::kFailed,
         E::kNotStartFFD8, E::kNotStartFFD8},
        {"scan overflow A", exact, A, S::kFailed, E::kOverflow, E::kOverflow},
        {"scan overflow B", exact, kReaderVariantB, S::kFailed, E::kOverflow, E::kOverflow},
        {"length over 64 MiB", B("--b\r\nContent-Length: 67108865\r\n\r\n\xFF\xD8"), A,
         S::kFailed, E::kReadStream, E::kReadStream},
        {"length beyond any integer", B("--b\r\nContent-Length: 99999999999999999999999\r\n\r\n"),
         A, S::kFailed, E::kReadStream, E::kReadStream},
        {"overlong header line", B("--b\r\nX: " + std::string(CMJpegPartParser::kMaxLineLength + 10, 'a')),
         A, S::kFailed, E::kReadHeader, E::kReadHeader},
        {"ends inside a picture read by length", cutLength, A, S::kNeedMore, E::kNone, E::kReadStream},
        {"ends inside a scanned picture", cutScan, A, S::kNeedMore, E::kNone, E::kReadStream},
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

TEST(MJpegParser, ConsumerStopEndsFeedAndResetStartsOver) {
    Bytes s = Stream({Picture(100, 1), Picture(100, 2), Picture(100, 3)});
    CMJpegPartParser parser(kReaderVariantA);
    int seen = 0;
    EXPECT_EQ(parser.Feed(s.data(), s.size(), [&](const uint8_t*, size_t) { return ++seen < 2; }),
              S::kStopped);
    EXPECT_EQ(seen, 2);
    parser.Reset();
    EXPECT_EQ(parser.Feed(s.data(), s.size(), [&](const uint8_t*, size_t) { return ++seen > 0; }),
              S::kNeedMore);
    EXPECT_EQ(seen, 5);
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
