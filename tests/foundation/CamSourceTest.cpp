#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "FakeSource.h"

using namespace ocv;

namespace {

// A view whose sources are FakeSources; `last` is the newest, `types` the device types asked for.
struct Fixture {
    std::shared_ptr<FakeSource> last;
    std::vector<int32_t> types;
    CVideoCtrl view{nullptr, [this](int32_t type, std::shared_ptr<FrameNotifier> v,
                                    std::shared_ptr<CLogger> l) -> std::shared_ptr<CCamInterface> {
                        types.push_back(type);
                        return last = std::make_shared<FakeSource>(v, l);
                    }};
    bool Connect(int32_t type, int w, int h) {
        DeviceInfo i;
        i.deviceType = type, i.deviceName = "test", i.frameWidth = w, i.frameHeight = h;
        return view.Connect(i);
    }
};

}  // namespace

// Unknown device types get no source; without a source the forwarders give nothing, and a source
// that does not connect gives an all-zero header and no sample.
TEST(VideoCtrl, UnknownTypesAndNoPictureGiveNoSample) {
    Fixture fx;
    for (int t : {9, 0, -1}) EXPECT_FALSE(fx.Connect(t, 320, 240));
    EXPECT_TRUE(fx.types.empty()) << "no source is created for them";
    EXPECT_FALSE(fx.view.Source());
    BITMAPINFOHEADER h, zero{};
    std::memset(&h, 0xAB, sizeof h);
    uint8_t buf[4] = {1, 2, 3, 4};
    EXPECT_FALSE(fx.view.GetFormat(&h) || fx.view.IsConnected() || fx.view.GetSample(buf, 4));
    ASSERT_FALSE(fx.Connect(3, 0, 0));
    EXPECT_TRUE(fx.view.GetFormat(&h) && std::memcmp(&h, &zero, sizeof h) == 0);
    EXPECT_EQ(fx.view.GetSampleSize(), 0u);
    EXPECT_FALSE(fx.view.GetSample(buf, 4) || buf[0] != 1);
    EXPECT_FALSE(fx.view.Paint([](auto&, auto*, auto&) {})) << "paints the no-signal picture";
    for (int t = 1; t <= 8; ++t) EXPECT_TRUE(fx.Connect(t, 8, 8));
    EXPECT_EQ(fx.types, (std::vector<int32_t>{3, 1, 2, 3, 4, 5, 6, 7, 8}));
    fx.view.Disconnect();
    EXPECT_FALSE(fx.view.GetSampleSize() || fx.view.Source() || fx.last->IsConnected());
}

// The view's own sizes are followed by the camera window and camera source tests.
TEST(VideoCtrl, LetterBoxArithmetic) {
    const struct {
        int w, h, viewW, viewH;
        Rect box;
    } rows[] = {{320, 240, 400, 300, {0, 0, 400, 300}},
                {320, 480, 400, 300, {100, 0, 300, 300}},
                {640, 480, 401, 100, {134, 0, 267, 100}},
                {640, 480, 333, 777, {0, 264, 333, 513}}};
    for (const auto& r : rows) EXPECT_EQ(CCamSource::LetterBox(r.w, r.h, r.viewW, r.viewH), r.box);
}

// A reconnect disconnects the old source; the store step copies whole pictures and drops other
// sizes; once the view is gone, a source a worker still holds stores into nothing, calling no one.
TEST(VideoCtrl, StoreStepCopiesWholePicturesDropsOtherSizesAndOutlivesTheView) {
    std::atomic<int> stored{0};
    std::shared_ptr<FakeSource> survivor;
    {
        Fixture fx;
        fx.view.SetFrameListener([&] { ++stored; });
        ASSERT_TRUE(fx.Connect(4, 2, 2));
        const auto first = fx.last;
        ASSERT_TRUE(fx.Connect(4, 4, 2));
        EXPECT_TRUE(first->disconnects == 1 && fx.last != first);
        const uint32_t size = fx.view.GetSampleSize();
        ASSERT_EQ(size, 2u * 12u);  // 4 pixels of 3 bytes a row, padded to 4 bytes
        EXPECT_TRUE(fx.view.GetFrameWidth() == 4 && fx.view.GetFrameHeight() == 2);
        std::vector<uint8_t> pic(size), out(size, 0);
        for (size_t i = 0; i < pic.size(); ++i) pic[i] = static_cast<uint8_t>(i * 7);
        EXPECT_TRUE(fx.last->Store(pic));
        // A picture of another byte size (resolution change) is dropped; the old one stays.
        EXPECT_FALSE(fx.last->Store(std::vector<uint8_t>(size + 12, 0xFF)));
        EXPECT_EQ(stored, 1);
        ASSERT_TRUE(fx.view.GetSample(out.data(), size));
        EXPECT_EQ(out, pic);
        // A wrong size on the way out copies nothing.
        std::vector<uint8_t> wrong(size - 1, 0x55);
        EXPECT_FALSE(fx.view.GetSample(wrong.data(), size - 1));
        EXPECT_EQ(wrong, std::vector<uint8_t>(size - 1, 0x55));
        bool painted = false;
        EXPECT_TRUE(fx.view.Paint([&](const BITMAPINFOHEADER& h, const uint8_t* px, const Rect&) {
            painted = h.biWidth == 4 && std::memcmp(px, pic.data(), size) == 0;
        }));
        EXPECT_TRUE(painted);
        survivor = fx.last;
    }
    EXPECT_FALSE(survivor->IsConnected() || survivor->Store(std::vector<uint8_t>(24)));
    EXPECT_EQ(stored, 1);
}

TEST(VideoCtrl, ConcurrentStoresAndCopiesNeverTearAPicture) {
    Fixture fx;
    ASSERT_TRUE(fx.Connect(5, 64, 48));
    const uint32_t size = fx.view.GetSampleSize();
    std::atomic<bool> stop{false};
    std::thread writer([&, source = fx.last] {
        for (uint8_t v = 0; !stop; ++v) source->Store(std::vector<uint8_t>(size, v));
    });
    std::vector<uint8_t> copy(size);
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(fx.view.GetSample(copy.data(), size));
        ASSERT_EQ(std::count(copy.begin(), copy.end(), copy[0]), static_cast<long>(size))
            << "a copy holds one whole picture";
    }
    stop = true;
    writer.join();
}
