// Packed frames, the AVI writer (checked with ffprobe) and the Windows Media profiles; the
// conversion is run by the motion end-to-end test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "../foundation/TempDir.h"
#include "Probe.h"
#include "controller/AviWriter.h"
#include "controller/FrameStore.h"
#include "controller/WmvProfiles.h"
#include "platform/Files.h"

using namespace ocv;
using ocvtest::Probe;
namespace fs = std::filesystem;

namespace {

class RecordingFiles : public ::testing::Test {
protected:

    // Writes `frames` frames of a moving gradient; Close() unless `cut`.
    std::string WriteAvi(const std::string& name, int frames, uint32_t rate, bool cut = false) {
        const std::string path = JoinPath(dir_, name);
        BITMAPINFOHEADER f = MakeRgb24Header(161, 120);
        std::vector<uint8_t> px(f.biSizeImage);
        CAviWriter avi;
        EXPECT_EQ(avi.Open(path), AVI_OK);
        AviStreamInfo info;
        info.rate = rate;
        info.frameRight = 161;
        info.frameBottom = 120;
        EXPECT_EQ(avi.CreateStream(info), AVI_OK);
        for (int i = 0; i < frames; ++i) {
            for (size_t k = 0; k < px.size(); ++k) px[k] = static_cast<uint8_t>(k + 7 * i);
            EXPECT_EQ(avi.SetFormat(i, f), AVI_OK);
            EXPECT_EQ(avi.Write(i, px.data(), f.biSizeImage, AVIIF_KEYFRAME), AVI_OK);
        }
        if (cut) {
            // What a crash leaves: the file as it stands before the index is written.
            fs::copy_file(path, path + ".cut.avi");
            return path + ".cut.avi";
        }
        EXPECT_EQ(avi.Close(), AVI_OK);
        return path;
    }
    TempDir tmp_;
    const std::string dir_ = tmp_.Path();
};

}  // namespace

TEST_F(RecordingFiles, PackedFramesRingAndSpillGiveBackTheSamePixels) {
    std::mt19937 rng(3);
    const uint32_t size = 3000;
    std::vector<std::vector<uint8_t>> frames(5, std::vector<uint8_t>(size));
    for (auto& f : frames)
        for (auto& v : f) v = static_cast<uint8_t>(rng() % 4);  // compressible, not constant
    std::vector<uint8_t> out(size);
    PackedFramePtr p = PackFrame(frames[0].data(), size);
    ASSERT_TRUE(p);
    EXPECT_LT(p->data.size(), size);
    EXPECT_TRUE(UnpackFrame(*p, out.data(), size));
    EXPECT_EQ(out, frames[0]);
    EXPECT_FALSE(UnpackFrame(*p, out.data(), size - 1)) << "another size";

    PreEventRing ring(3, size);
    std::vector<PackedFramePtr> got;
    std::vector<LocalTime> times;
    ring.Snapshot(got, times);
    ASSERT_EQ(got.size(), 3u);
    ASSERT_TRUE(UnpackFrame(*got[0], out.data(), size));
    EXPECT_EQ(out, std::vector<uint8_t>(size, 0)) << "a new ring holds black frames";
    for (int i = 0; i < 5; ++i) {
        LocalTime t;
        t.wSecond = static_cast<uint16_t>(i);
        ring.Push(frames[i].data(), t);
    }
    ring.Snapshot(got, times);
    for (int k = 0; k < 3; ++k) {  // the last three, oldest first
        EXPECT_EQ(times[k].wSecond, k + 2);
        ASSERT_TRUE(UnpackFrame(*got[k], out.data(), size));
        EXPECT_EQ(out, frames[k + 2]);
    }
    // The spill file (in the first usable directory, else in memory) has no name.
    for (const std::string& dir : {dir_, std::string("/nonexistent/dir")}) {
        FrameSpill spill;
        EXPECT_EQ(spill.Open({dir}, size), dir == dir_ ? dir_ : "");
        EXPECT_TRUE(spill.AppendPacked(got[0]));
        for (auto& f : frames) EXPECT_TRUE(spill.Append(f.data()));
        ASSERT_EQ(spill.Count(), 6u);
        for (size_t i = 0; i < 6; ++i) {
            ASSERT_TRUE(spill.Read(i, out.data()));
            EXPECT_EQ(out, i == 0 ? frames[2] : frames[i - 1]);
        }
        EXPECT_FALSE(spill.Read(6, out.data()));
        EXPECT_TRUE(fs::is_empty(dir_));
    }
}

TEST_F(RecordingFiles, AviIsRawBgrWithRateAndCountAndStaysReadableWhenCutShort) {
    for (bool cut : {false, true}) {
        const std::string path = WriteAvi(cut ? "b.avi" : "a.avi", 12, 10, cut);
        auto p = Probe(path);
        EXPECT_EQ(p["codec_name"], "rawvideo") << path;
        EXPECT_EQ(p["pix_fmt"], "bgr24");
        EXPECT_EQ(p["r_frame_rate"], "10/1");
        EXPECT_EQ(p["width"], "161");
        EXPECT_EQ(p["nb_read_frames"], "12") << (cut ? "cut short" : "closed");
        EXPECT_EQ(p["format_name"], "avi");
        if (!cut) {
            EXPECT_EQ(p["nb_frames"], "12");
        }
    }
    // The main header says there is an index, and every entry of the index points at its frame,
    // counted from the "movi" word.
    std::ifstream in(JoinPath(dir_, "a.avi"), std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), {});
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(file.at(at + i));
        return v;
    };
    const size_t avih = file.find("avih"), movi = file.find("movi"), idx1 = file.rfind("idx1");
    ASSERT_NE(idx1, std::string::npos);
    EXPECT_EQ(u32(avih + 8 + 12) & 0x10u, 0x10u) << "AVIF_HASINDEX";
    ASSERT_EQ(u32(idx1 + 4), 12u * 16);
    for (size_t i = 0; i < 12; ++i) {
        const size_t entry = idx1 + 8 + 16 * i, chunk = movi + u32(entry + 8);
        EXPECT_EQ(file.substr(chunk, 4), file.substr(entry, 4)) << "entry " << i;
        EXPECT_EQ(u32(chunk + 4), u32(entry + 12)) << "entry " << i;
    }
}

TEST_F(RecordingFiles, AviRefusals) {
    CAviWriter avi;
    EXPECT_EQ(avi.Open(JoinPath(dir_, "missing/x.avi")), AVIERR_FILEOPEN);
    EXPECT_EQ(AviErrorText(AVIERR_FILEWRITE), "Unknown AVI Error [code=-2147205010]");

    CAviWriter b;
    ASSERT_EQ(b.Open(JoinPath(dir_, "x.avi")), AVI_OK);
    AviStreamInfo info;
    info.rate = 0;
    EXPECT_NE(b.CreateStream(info), AVI_OK) << "rate 0";
    info.rate = 5;
    ASSERT_EQ(b.CreateStream(info), AVI_OK);
    BITMAPINFOHEADER f = MakeRgb24Header(8, 8), g = MakeRgb24Header(9, 8);
    std::vector<uint8_t> px(f.biSizeImage);
    ASSERT_EQ(b.SetFormat(0, f), AVI_OK);
    EXPECT_EQ(b.Write(1, px.data(), f.biSizeImage, AVIIF_KEYFRAME), AVIERR_UNSUPPORTED) << "a gap";
    EXPECT_EQ(b.Write(0, px.data(), f.biSizeImage, AVIIF_KEYFRAME), AVI_OK);
    EXPECT_EQ(b.SetFormat(1, g), AVIERR_UNSUPPORTED) << "a change of format";
    EXPECT_EQ(b.Close(), AVI_OK);
}

TEST_F(RecordingFiles, ProfilesFromTheTableAndFromFiles) {
    WmvProfile p;
    EXPECT_LT(LoadSystemProfile(-1, p), 0);
    EXPECT_LT(LoadSystemProfile(static_cast<int>(SystemProfileCount()), p), 0);
    EXPECT_LT(LoadCustomProfile(JoinPath(dir_, "none.prx"), p), 0);
    auto utf16 = [](const std::string& s) {
        std::string out("\xff\xfe", 2);
        for (char c : s) out += std::string{c, '\0'};
        return out;
    };
    const std::string good =
        "<profile name=\"n\"><streamconfig bitrate=\"64000\"><wmmediatype><videoinfoheader "
        "avgtimeperframe=\"1000000\"><bitmapinfoheader biwidth=\"176\" biheight=\"144\"/>"
        "</videoinfoheader></wmmediatype></streamconfig></profile>";
    const std::pair<std::string, bool> cases[] = {
        {utf16(good), true},
        {good, true},
        {utf16("<profile"), false},
        {"<profile><streamconfig bitrate=\"64000\"><wmmediatype/></streamconfig></profile>", false},
        {std::string(good).replace(good.find("64000"), 5, "12x"), false},
        {std::string(good).replace(good.find("176"), 3, "177"), false},  // odd width
        {std::string("\xff\xfe\x00\xd8", 4), false},
    };
    for (const auto& [text, ok] : cases) {
        WmvProfile out;
        std::string error;
        EXPECT_EQ(ParseProfileXml(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out,
                                  error),
                  ok)
            << text.substr(0, 60) << " " << error;
        if (ok) {
            EXPECT_EQ(out.width, 176);
            EXPECT_NEAR(out.frameRate, 10.0, 1e-9);
        }
    }
}
