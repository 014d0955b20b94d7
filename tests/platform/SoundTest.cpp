#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "platform/SoundPlayer.h"
#include "platform/WavFile.h"

using namespace ocv;

namespace {

// A RIFF file with an odd-sized chunk (padded) before fmt, then dataBytes of data that claim
// claimedData bytes.
std::vector<uint8_t> MakeWav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                             uint32_t dataBytes, uint32_t claimedData) {
    std::vector<uint8_t> w;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) w.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto tag4 = [&](const char* t) { w.insert(w.end(), t, t + 4); };
    tag4("RIFF"), put(36 + dataBytes, 4), tag4("WAVE");
    tag4("LIST"), put(3, 4), tag4("abc");
    tag4("fmt "), put(16, 4), put(tag, 2), put(channels, 2), put(rate, 4);
    put(rate * channels * bits / 8, 4), put(channels * bits / 8, 2), put(bits, 2);
    tag4("data"), put(claimedData, 4);
    for (uint32_t i = 0; i < dataBytes; ++i) w.push_back(static_cast<uint8_t>(i));
    return w;
}

}  // namespace

// PCM after other chunks is read, its data cut to the bytes present in whole 4-byte frames;
// what is not playable PCM is refused.
TEST(Wav, ParsesPcmAndRefusesWhatIsNotPlayable) {
    for (uint32_t claimed : {400u, 0xFFFFFFF0u}) {
        auto w = MakeWav(1, 2, 22050, 16, claimed == 400 ? 400 : 401, claimed);
        WavSound s;
        std::string err;
        ASSERT_TRUE(ParseWav(w.data(), w.size(), s, err)) << err;
        EXPECT_EQ(std::tie(s.channels, s.sampleRate, s.bitsPerSample), std::make_tuple(2, 22050, 16));
        EXPECT_EQ(s.frames.size(), 400u);
        EXPECT_EQ(s.frames[5], 5);
    }
    auto ok = MakeWav(1, 1, 8000, 8, 10, 10);
    std::vector<uint8_t> junk(100, 0xFF);  // huge chunk sizes end the walk
    std::memcpy(junk.data(), "RIFF\xff\xff\xff\xffWAVE", 12);
    std::vector<uint8_t> rows[] = {
        std::vector<uint8_t>(ok.begin(), ok.begin() + 11), {}, MakeWav(2, 1, 8000, 4, 10, 10),
        MakeWav(1, 6, 8000, 16, 12, 12), junk};
    for (const auto& w : rows) {
        WavSound s;
        std::string err;
        EXPECT_FALSE(ParseWav(w.empty() ? nullptr : w.data(), w.size(), s, err)) << w.size();
        EXPECT_FALSE(PlaySoundAsync(w.data(), w.size()));
    }
    EXPECT_TRUE(PlaySoundAsync(ok.data(), ok.size()));
    StopSound();
    EXPECT_FALSE(PlaySoundFileAsync("/nonexistent/shutter.wav"));
}
