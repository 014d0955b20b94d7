#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/SoundPlayer.h"
#include "platform/WavFile.h"

using namespace ocv;

namespace {

std::vector<uint8_t> MakeWav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                             uint32_t dataBytes, uint32_t claimedData) {
    std::vector<uint8_t> w;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](uint16_t v) {
        w.push_back(static_cast<uint8_t>(v));
        w.push_back(static_cast<uint8_t>(v >> 8));
    };
    w.insert(w.end(), {'R', 'I', 'F', 'F'});
    put32(36 + dataBytes);
    w.insert(w.end(), {'W', 'A', 'V', 'E', 'L', 'I', 'S', 'T'});
    put32(3);  // an odd-sized chunk before fmt, padded to 4
    w.insert(w.end(), {'a', 'b', 'c', 0});
    w.insert(w.end(), {'f', 'm', 't', ' '});
    put32(16);
    put16(tag);
    put16(channels);
    put32(rate);
    put32(rate * channels * bits / 8);
    put16(static_cast<uint16_t>(channels * bits / 8));
    put16(bits);
    w.insert(w.end(), {'d', 'a', 't', 'a'});
    put32(claimedData);
    for (uint32_t i = 0; i < dataBytes; ++i) w.push_back(static_cast<uint8_t>(i));
    return w;
}

}  // namespace

TEST(Wav, ParsesPcmAndSkipsOtherChunks) {
    auto w = MakeWav(1, 2, 22050, 16, 400, 400);
    WavSound s;
    std::string err;
    ASSERT_TRUE(ParseWav(w.data(), w.size(), s, err)) << err;
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.sampleRate, 22050);
    EXPECT_EQ(s.bitsPerSample, 16);
    EXPECT_EQ(s.frames.size(), 400u);
    EXPECT_EQ(s.frames[5], 5);
}

TEST(Wav, RefusesWhatIsNotPlayablePcm) {
    WavSound s;
    std::string err;
    auto ok = MakeWav(1, 1, 8000, 8, 10, 10);
    EXPECT_FALSE(ParseWav(ok.data(), 11, s, err));
    EXPECT_FALSE(ParseWav(nullptr, 0, s, err));
    auto adpcm = MakeWav(2, 1, 8000, 4, 10, 10);
    EXPECT_FALSE(ParseWav(adpcm.data(), adpcm.size(), s, err));
    auto manyChannels = MakeWav(1, 6, 8000, 16, 12, 12);
    EXPECT_FALSE(ParseWav(manyChannels.data(), manyChannels.size(), s, err));
    std::vector<uint8_t> junk(100, 0xFF);
    std::memcpy(junk.data(), "RIFF\xff\xff\xff\xffWAVE", 12);
    EXPECT_FALSE(ParseWav(junk.data(), junk.size(), s, err)) << "huge chunk sizes end the walk";
}

TEST(Wav, DataClaimingMoreThanThereIsIsCutToWholeFrames) {
    auto w = MakeWav(1, 2, 8000, 16, 401, 0xFFFFFFF0u);
    WavSound s;
    std::string err;
    ASSERT_TRUE(ParseWav(w.data(), w.size(), s, err)) << err;
    EXPECT_EQ(s.frames.size(), 400u) << "cut to the bytes present, in whole 4-byte frames";
}

TEST(Sound, PlayingNeverBlocksTheCaller) {
    auto w = MakeWav(1, 1, 8000, 8, 8000, 8000);  // one second of sound
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(PlaySoundAsync(w.data(), w.size()));
    EXPECT_TRUE(PlaySoundAsync(w.data(), w.size()));  // replaces the first
    StopSound();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
    std::vector<uint8_t> bad(10, 0);
    EXPECT_FALSE(PlaySoundAsync(bad.data(), bad.size()));
    EXPECT_FALSE(PlaySoundFileAsync("/nonexistent/shutter.wav"));
}
