// A camera nobody looks at keeps its newest picture undecoded; the next copy decodes it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "SourceTestSupport.h"
#include "sources/MJpegInterface.h"
#include "sources/SourceFactory.h"

using namespace ocv;
using namespace ocv::test;

namespace {

std::shared_ptr<CCamInterface> Connect(CamSim& sim, const std::shared_ptr<CLogger>& log,
                                       std::shared_ptr<FrameNotifier> view) {
    auto src = CreateCameraSource(DEVICE_AXIS, std::move(view), log);
    DeviceInfo info;
    info.deviceType = DEVICE_AXIS;
    info.deviceName = sim.Base() + "/";
    info.frameWidth = 160;
    info.frameHeight = 120;
    return src->Connect(&info) > 0 ? src : nullptr;
}

}  // namespace

TEST(IdleDecode, AnIdleSourceDecodesNothingYetHandsOutTheNewestPicture) {
    CamSim sim({"--size", "160x120", "--fps", "20"});
    ASSERT_TRUE(sim.Ok());
    TestLog log;
    auto view = std::make_shared<FrameNotifier>();
    auto src = Connect(sim, log.Logger(), view);
    ASSERT_TRUE(src) << log.Dump();
    auto* mjpeg = dynamic_cast<CMJpegInterface*>(src.get());
    ASSERT_TRUE(mjpeg);
    const uint32_t size = src->GetSampleSize();
    std::vector<uint8_t> first(size), later(size);
    ASSERT_TRUE(src->GetSample(first.data(), size));
    // Pictures arrive but are not decoded.
    uint64_t decoded0 = mjpeg->DecodedPictures(), received0 = mjpeg->ReceivedPictures();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_GE(mjpeg->ReceivedPictures(), received0 + 10) << "the stream goes on";
    EXPECT_EQ(mjpeg->DecodedPictures(), decoded0) << "nothing decoded while idle";
    // The next copy decodes the newest picture that had arrived when it was asked for.
    uint64_t newest = mjpeg->ReceivedPictures();
    ASSERT_TRUE(src->GetSample(later.data(), size));
    EXPECT_GE(mjpeg->SamplePicture(), newest);
    EXPECT_EQ(mjpeg->DecodedPictures(), decoded0 + 1);
    EXPECT_NE(first, later) << "the scene moved";
    // A consumer that copies five times a second decodes what it copies, not the 20 pictures
    // a second that arrive.
    uint64_t decoded1 = mjpeg->DecodedPictures(), received1 = mjpeg->ReceivedPictures();
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(src->GetSample(later.data(), size));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_GE(mjpeg->ReceivedPictures(), received1 + 30);
    EXPECT_GE(mjpeg->DecodedPictures(), decoded1 + 8);
    EXPECT_LE(mjpeg->DecodedPictures(), decoded1 + 10);
    // A view that listens gets every picture decoded as it comes.
    std::atomic<int> painted{0};
    view->Set([&] { ++painted; });
    uint64_t decoded2 = mjpeg->DecodedPictures(), received2 = mjpeg->ReceivedPictures();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    view->Clear();
    uint64_t receivedNow = mjpeg->ReceivedPictures();
    EXPECT_GE(mjpeg->DecodedPictures() - decoded2 + 2, receivedNow - received2);
    EXPECT_GE(painted.load(), 15);
    src->Disconnect();
    EXPECT_EQ(log.Count("Loading image failed"), 0) << log.Dump();
}

TEST(IdleDecode, ACorruptPictureIsStillReportedWhenItIsCopied) {
    CamSim sim({"--size", "160x120", "--fps", "20", "--corrupt-after", "5"});
    ASSERT_TRUE(sim.Ok());
    TestLog log;
    auto src = Connect(sim, log.Logger(), std::make_shared<FrameNotifier>());
    ASSERT_TRUE(src) << log.Dump();
    const uint32_t size = src->GetSampleSize();
    std::vector<uint8_t> buf(size);
    // Copy now and then, as an interval capture does; the bad picture is reported by the reader
    // (header unreadable) or by the copy that decodes it, and the source goes on.
    EXPECT_TRUE(WaitUntil(
        [&] {
            src->GetSample(buf.data(), size);
            std::this_thread::sleep_for(std::chrono::milliseconds(90));
            return log.Count("Loading image failed") + log.Count("MotionJpeg画像取得に失敗") > 0;
        },
        15000))
        << log.Dump();
    EXPECT_TRUE(src->IsConnected());
    src->Disconnect();
}
