// The Motion-JPEG source against ocv-camsim on loopback: every family path, the framings and
// every fault mode the simulator offers.
#include <gtest/gtest.h>

#include "SourceTestSupport.h"
#include "sources/MJpegInterface.h"

namespace ocv {
namespace {

using test::Camera;
using test::CamSim;
using test::Device;
using test::MsSince;
using Clock = std::chrono::steady_clock;

constexpr const char* kReadFailed = "MotionJpeg画像取得に失敗しました！";

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Each framing the parser tests pin, once through the HTTP layer, chunked or not, and every
// camera family once (its URL path is pinned by the CameraUrls tests); variant A reads for
// types 3 to 6, variant B for 7. An oversized picture with a length is read whole;
// pictures of a new size take the place of the old ones while the stream goes on.
TEST(MJpegCamSim, EveryFramingIsReadWithoutReconnecting) {
    struct Case {
        std::vector<std::string> args;
        int32_t type;
        int width = 160;
        const char* logLine = nullptr;
    };
    const Case cases[] = {
        {{"--no-length"}, DEVICE_AXIS},
        {{"--length-case", "mixed", "--no-crlf-after"}, DEVICE_PANASONIC},
        {{"--chunked"}, DEVICE_VIVOTEK},
        {{"--chunked", "--no-length"}, DEVICE_PEER_INSTANCE},
        {{"--no-crlf-after", "--no-length"}, DEVICE_MEGACHIPS},
        {{"--oversize-after", "2"}, DEVICE_AXIS},
        {{"--resize-after", "3", "--resize-to", "320x240"}, DEVICE_AXIS, 320,
         "The picture size changed from 160x120 to 320x240"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + std::to_string(c.type));
        CamSim sim(c.args);
        ASSERT_TRUE(sim.Ok());
        Camera cam(c.type);
        DeviceInfo d = Device(c.type, sim.Base(), 160, 120);
        d.size = 1;  // Vivotek "Standard": the simulator's own size
        ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
        EXPECT_TRUE(cam.counter.WaitFrames(10, 5000)) << cam.log.Dump();
        EXPECT_EQ(cam.log.Count(kReadFailed), 0) << cam.log.Dump();
        BITMAPINFOHEADER h = cam.Format();
        EXPECT_EQ(h.biWidth, c.width);
        std::vector<uint8_t> buf(h.biSizeImage);
        EXPECT_TRUE(cam.source->GetSample(buf.data(), h.biSizeImage));
        if (c.logLine) {
            EXPECT_EQ(cam.log.Count(c.logLine), 1) << cam.log.Dump();
        }
    }
}

// Faults after two good pictures a connection: the failed read is logged, the source reconnects.
TEST(MJpegCamSim, FailedReadIsLoggedAndTheSourceReconnects) {
    struct FaultCase {
        std::vector<std::string> args;
        int32_t type;
        const char* logLine;  // the reader's failure line
        int frames = 5;       // pictures seen across at least two reconnections
    };
    const FaultCase cases[] = {
        {{"--garbage-after", "2"}, DEVICE_AXIS, "JPEG start byte is not FFD8!"},
        {{"--corrupt-after", "2"}, DEVICE_AXIS, "[SampleThread] Loading image failed! ["},
        {{"--no-length", "--oversize-after", "2"}, DEVICE_AXIS,
         "[SampleThread] Download Buffer Overflow!!"},
        {{"--no-length", "--oversize-after", "2"}, DEVICE_MEGACHIPS,
         "[SampleThread] Download buffer overflow!!"},
        {{"--huge-length-after", "2"}, DEVICE_AXIS,
         "[SampleThread] Read MotionJpeg Stream Failed!"},
        {{"--drop-after", "2"}, DEVICE_VIVOTEK, "[SampleThread] Read Header Failed!"},
        // A chunked answer cut off without its last chunk is a broken transfer.
        {{"--drop-after", "2", "--chunked"}, DEVICE_MEGACHIPS,
         "[SampleThread] Network error! [transfer closed"},
        // Variant A discards two lines after a picture: without the CR LF after it and without
        // a length it swallows the Content-Type line and takes the next picture for headers.
        {{"--no-crlf-after", "--no-length"}, DEVICE_AXIS, kReadFailed, 3},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.logLine);
        CamSim sim(c.args);
        ASSERT_TRUE(sim.Ok());
        Camera cam(c.type);
        DeviceInfo d = Device(c.type, sim.Base());
        ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
        // More pictures than two mean the source reconnected after the failed read.
        ASSERT_TRUE(cam.log.WaitFor(c.logLine, 1, 8000)) << cam.log.Dump();
        EXPECT_TRUE(cam.counter.WaitFrames(c.frames, 5000)) << cam.log.Dump();
        EXPECT_TRUE(cam.source->IsConnected());
        cam.source->Disconnect();
        // The repeated failure lines are written once and counted; each failure is followed by
        // the lines of the new attempt (a stop between the lines of one failure leaves out the
        // last).
        const int failures = cam.log.Count(c.logLine);
        EXPECT_GE(failures, 2) << cam.log.Dump();
        EXPECT_NEAR(cam.log.Count(kReadFailed), failures, 1);
        EXPECT_NEAR(cam.log.Count("[SampleThread] 再度接続を試みます・・・"), failures, 1);
    }
}

TEST(MJpegCamSim, StoredPictureEqualsTheCameraPicture) {
    // A still scene: a yellow square (250, 210, 30) on a gradient, its left edge at width / 8,
    // its top at height / 3. The source's copy must be it in bottom-up BGR rows.
    CamSim sim({"--fps", "10", "--size", "96x64", "--still", "--quality", "90"});
    ASSERT_TRUE(sim.Ok());
    Camera cam(DEVICE_MEGACHIPS);
    DeviceInfo d = Device(DEVICE_MEGACHIPS, sim.Base());
    ASSERT_EQ(cam.source->Connect(&d), 1);
    ASSERT_TRUE(cam.counter.WaitFrames(2, 3000));
    BITMAPINFOHEADER h = cam.Format();
    ASSERT_EQ(h.biWidth, 96);
    ASSERT_EQ(h.biHeight, 64);
    std::vector<uint8_t> sample(h.biSizeImage);
    ASSERT_TRUE(cam.source->GetSample(sample.data(), h.biSizeImage));
    EXPECT_FALSE(cam.source->GetSample(sample.data(), h.biSizeImage - 1));
    auto at = [&](int x, int yTop, int channel) {  // channel 0 blue, 1 green, 2 red
        return sample[(63 - yTop) * DibStride(96, 24) + x * 3 + channel];
    };
    EXPECT_NEAR(at(17, 26, 2), 250, 12);
    EXPECT_NEAR(at(17, 26, 1), 210, 12);
    EXPECT_NEAR(at(17, 26, 0), 30, 12);
    // Bottom rows of the gradient are brighter green than top rows: rows are not upside down.
    EXPECT_GT(at(80, 60, 1), at(80, 2, 1) + 60);
}

TEST(MJpegCamSim, SinglePictureAnswerIsShownAndRetriedAfterTheSinglePicturePause) {
    CamSim sim({"--fps", "10", "--max-clients", "0"});
    ASSERT_TRUE(sim.Ok());
    Camera cam(DEVICE_AXIS);
    cam.Tune([](MJpegTimings& t) { t.singleRetryMs = 1500; });
    DeviceInfo d = Device(DEVICE_AXIS, sim.Base(), 160, 120);
    ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
    auto t0 = Clock::now();
    EXPECT_EQ(cam.Format().biWidth, 160);
    ASSERT_TRUE(cam.log.WaitFor("[SampleThread] 最大接続数エラー [", 1, 2000));
    EXPECT_TRUE(cam.log.WaitFor("[SampleThread] 10秒後に再度接続を試みます・・・ [", 1, 2000));
    // The retry's identical error line is counted rather than written again: the second
    // picture shows the retry, which comes after the pause and not before.
    ASSERT_TRUE(cam.counter.WaitFrames(2, 5000)) << cam.log.Dump();
    EXPECT_GE(MsSince(t0), 1400);
    EXPECT_EQ(cam.log.Count("[SampleThread] 最大接続数エラー ["), 1);
}

TEST(MJpegCamSim, StalledStreamTimesOutAndStopEndsAStalledRead) {
    CamSim sim({"--stall-after", "2"});
    ASSERT_TRUE(sim.Ok());
    Camera cam(DEVICE_AXIS);
    cam.Tune([](MJpegTimings& t) { t.httpTimeoutMs = 1500; });
    DeviceInfo d = Device(DEVICE_AXIS, sim.Base());
    ASSERT_EQ(cam.source->Connect(&d), 1);
    // No byte for the HTTP time-out fails the read; the source reconnects.
    ASSERT_TRUE(cam.log.WaitFor("[SampleThread] Network error! [", 1, 9000)) << cam.log.Dump();
    EXPECT_TRUE(cam.log.WaitFor(kReadFailed, 1, 1000));
    EXPECT_TRUE(cam.counter.WaitFrames(4, 3000));
    // Now stalled again: a stop interrupts the wait instead of sitting out the time-out.
    Sleep(500);
    auto t0 = Clock::now();
    cam.source->Disconnect();
    EXPECT_LT(MsSince(t0), 1000);
    EXPECT_FALSE(cam.source->IsThreadAlive());
}

// Connects that never see a picture: each failure is logged (repeats counted, not written
// again), retried after its pause, and Connect gives up once the connect wait is over. A camera
// that refused a wrong password takes the right one.
TEST(MJpegCamSim, ConnectsWithoutAPictureFailWithTheirLogLines) {
    struct Line {
        const char* text;
        int count;
        bool orMore = false;
    };
    struct Row {
        std::vector<std::string> simArgs;  // empty: nothing listens on the port
        const char* path;
        int singleRetryMs, connectWaitMs;
        std::vector<Line> lines;
        const char* userInfo = "";  // in the URL before the host
    };
    const char* k401 = "[SampleThread] HTTPエラーです [HTTPエラーコード 401]";
    const char* kRetry = "[SampleThread] 2秒後に再度接続を試みます・・・ [";
    const Row rows[] = {
        {{"--http-status", "503"}, "", 10000, 3000,
         {{"[SampleThread] HTTPエラーです [HTTPエラーコード 503]", 2}, {kRetry, 2}}},
        {{}, "", 10000, 1000,
         {{"[SampleThread] URLが開けません [http://127.0.0.1:", 1},
          {"[SampleThread] Network error! [", 1}}},
        {{"--no-status-line"}, "", 10000, 1000,
         {{"[SampleThread] Statusコードが取得できません [http://127.0.0.1:", 1}, {kRetry, 1}}},
        {{"--fps", "30"}, "/no/such/camera/", 10000, 1000,
         {{"[SampleThread] HTTPエラーです [HTTPエラーコード 404]", 1}}},
        {{"--fps", "30", "--stall-after", "0"}, "", 10000, 2000, {{"\tERROR\t接続タイムアウト!", 1}}},
        // A single picture without a length is retried instead of ending the thread.
        {{"--fps", "10", "--max-clients", "0", "--single-no-length"}, "", 700, 2500,
         {{"[SampleThread] Contengt-Length was unacquirable. [", 3, true}, {"接続タイムアウト!", 1}}},
        {{"--auth", "basic", "--user", "camuser", "--password", "s3cret"}, "", 10000, 3000,
         {{k401, 2}}, "camuser:wrong@"},
        {{"--auth", "digest", "--user", "camuser", "--password", "s3cret"}, "", 10000, 3000,
         {{k401, 2}}, "camuser:wrong@"},
    };
    for (const Row& row : rows) {
        std::unique_ptr<CamSim> sim;
        std::string base = test::Loopback("http", test::FreePort());
        if (!row.simArgs.empty()) {
            sim = std::make_unique<CamSim>(row.simArgs);
            ASSERT_TRUE(sim->Ok());
            base = "http://" + std::string(row.userInfo) + sim->Base().substr(7);
        }
        SCOPED_TRACE(base + row.path);
        Camera cam(DEVICE_AXIS);
        cam.Tune([&](MJpegTimings& t) {
            t.singleRetryMs = row.singleRetryMs, t.connectWaitMs = row.connectWaitMs;
        });
        DeviceInfo d = Device(DEVICE_AXIS, base + row.path);
        EXPECT_EQ(cam.source->Connect(&d), 0);
        for (const Line& line : row.lines) {
            int n = cam.log.Count(line.text);
            EXPECT_TRUE(line.orMore ? n >= line.count : n == line.count)
                << line.text << " " << n << cam.log.Dump();
        }
        EXPECT_FALSE(cam.source->IsConnected());
        EXPECT_FALSE(cam.source->IsThreadAlive());
        EXPECT_EQ(cam.log.Dump().find(":wrong@"), std::string::npos) << "a password in the log";
        if (*row.userInfo) {
            d.deviceName = "http://camuser:s3cret@" + sim->Base().substr(7);
            ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
            EXPECT_TRUE(cam.counter.WaitFrames(3, 3000));
        }
    }
}

TEST(MJpegCamSim, AbandonedSampleThreadNeverTouchesItsSourceAgain) {
    CamSim sim;
    ASSERT_TRUE(sim.Ok());
    {
        Camera cam(DEVICE_AXIS);
        cam.Tune([](MJpegTimings& t) { t.stopWaitMs = 0; });  // give up on the thread at once
        DeviceInfo d = Device(DEVICE_AXIS, sim.Base(), 160, 120);
        int joinedRounds = 0;
        for (int round = 0; round < 3; ++round) {
            std::string name = cam.source->TerminateEventName();
            ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
            ASSERT_TRUE(cam.counter.WaitFrames(cam.counter.frames + 3, 3000));
            cam.source->Disconnect();
            // A thread that did not end at once is left behind with its own event still set,
            // and the source goes on with a new one; a thread that ended in time was joined
            // and the event is reused. Either way nothing arrives after the disconnect.
            if (cam.source->TerminateEventName() == name) ++joinedRounds;
            int after = cam.counter.frames;
            Sleep(200);
            EXPECT_EQ(cam.counter.frames, after);
            EXPECT_EQ(cam.source->GetSampleSize(), 0u);
        }
        ASSERT_EQ(cam.source->Connect(&d), 1) << "joined rounds: " << joinedRounds;
        // The source is destroyed while its last thread may still be finishing.
    }
    Sleep(500);
}

// The hold between idle blocks lets about kIdleBlockBytes arrive at the rate just seen.
TEST(MJpegIdleHold, FollowsTheRateOfTheLastBlock) {
    using S = CMJpegInterface;
    struct Row {
        int spanMs;
        size_t bytes;
        int holdMs;
    } rows[] = {
        {400, 0, S::kIdleHoldMaxMs},            // nothing came
        {1000, 64 * 1024, S::kIdleHoldMaxMs},   // a slow camera: the longest hold
        {400, 270 * 1024, 758},                 // 640x480 at 15 fps
        {400, 1024 * 1024, 200},                // 2.5 MB a second
        {100, size_t{8} << 20, S::kIdleHoldMinMs},  // faster still: the shortest hold
    };
    for (const Row& r : rows) {
        EXPECT_EQ(S::IdleHoldAfter(r.spanMs, r.bytes), r.holdMs) << r.spanMs << " ms " << r.bytes;
    }
}

// A camera nobody looks at keeps its newest picture undecoded; the next copy decodes it.
TEST(MJpegCamSim, AnIdleSourceDecodesNothingYetHandsOutTheNewestPicture) {
    CamSim sim({"--fps", "20"});
    ASSERT_TRUE(sim.Ok());
    auto view = std::make_shared<FrameNotifier>();
    Camera cam(DEVICE_AXIS, view);
    DeviceInfo d = Device(DEVICE_AXIS, sim.Base() + "/", 160, 120);
    ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
    CMJpegInterface& src = *cam.source;
    const uint32_t size = src.GetSampleSize();
    std::vector<uint8_t> first(size), later(size);
    ASSERT_TRUE(src.GetSample(first.data(), size));
    uint64_t decoded0 = src.DecodedPictures();
    // Past the quiet spell the stream is read in held blocks (a full second apart for so small
    // a camera): every picture still arrives.
    Sleep(2000);
    uint64_t received0 = src.ReceivedPictures();
    Sleep(1500);
    EXPECT_GE(src.ReceivedPictures(), received0 + 18) << "the stream goes on at 20 fps";
    EXPECT_EQ(src.DecodedPictures(), decoded0) << "nothing decoded while idle";
    // A copy in the middle of a hold has the block read first and decodes its newest picture,
    // not the newest of the block before.
    auto intoAHold = [&] {
        for (uint64_t n = src.ReceivedPictures(); src.ReceivedPictures() == n;) Sleep(10);
        Sleep(500);
    };
    intoAHold();
    uint64_t held = src.ReceivedPictures();
    ASSERT_TRUE(src.GetSample(later.data(), size));
    EXPECT_GE(src.SamplePicture(), held + 6) << "500 ms of a 20 fps camera were read first";
    EXPECT_EQ(src.DecodedPictures(), decoded0 + 1);
    EXPECT_NE(first, later) << "the scene moved";
    // A view that starts to listen in the middle of a hold is served at once, with the newest
    // picture of the held block only; from then on every picture is decoded as it comes.
    Sleep(1600);
    intoAHold();
    held = src.ReceivedPictures();
    uint64_t decoded1 = src.DecodedPictures();
    std::atomic<int> painted{0};
    view->Set([&] { ++painted; });
    for (int i = 0; i < 60 && painted == 0; ++i) Sleep(5);
    EXPECT_GE(painted.load(), 1) << "no picture within 300 ms of listening";
    EXPECT_GE(src.SamplePicture(), held + 6) << "the held block is passed over";
    decoded1 = src.DecodedPictures();
    uint64_t received1 = src.ReceivedPictures();
    Sleep(1000);
    view->Clear();
    EXPECT_GE(src.DecodedPictures() - decoded1 + 2, src.ReceivedPictures() - received1);
    EXPECT_GE(painted.load(), 15);
    src.Disconnect();
    EXPECT_EQ(cam.log.Count("Loading image failed"), 0) << cam.log.Dump();

}

}  // namespace
}  // namespace ocv
