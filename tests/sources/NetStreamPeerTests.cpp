// The network stream source against real servers on loopback: GStreamer's RTSP server (H.264
// and Motion-JPEG over RTP, TCP and UDP), ffmpeg's HTTP MPEG-TS server, a file made by ffmpeg,
// a server that never answers, and a name that cannot be resolved.
#include <gtest/gtest.h>

#include "SourceTestSupport.h"
#include "sources/NetStreamInterface.h"

namespace ocv {
namespace {

using test::Loopback;
using test::MsSince;
using test::Peer;
using test::WaitUntil;

// GStreamer's RTSP server serving rtsp://127.0.0.1:PORT/live.
std::unique_ptr<Peer> StartRtsp(int port, const std::string& codec, int fps = 10) {
    auto p = std::make_unique<Peer>(std::vector<std::string>{
        "/usr/bin/python3", std::string(OCV_SOURCE_DIR) + "/tests/sources/rtsp_server.py",
        std::to_string(port), codec, "320x240", std::to_string(fps)});
    return p->WaitFor("ready\n", 15000) ? std::move(p) : nullptr;
}

// A short H.264 clip made by ffmpeg, its container chosen by the name's ending; empty when
// ffmpeg failed.
std::string MakeClip(const TempDir& dir, const std::string& name, const std::string& size,
                     int seconds) {
    std::string cmd = "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=" + size +
                      ":rate=10:duration=" + std::to_string(seconds) +
                      " -c:v libx264 -preset ultrafast -g 10 -y " + dir.File(name);
    return std::system(cmd.c_str()) == 0 ? dir.File(name) : std::string();
}

struct Stream {
    test::TestLog log;
    test::FrameCounter counter;
    std::shared_ptr<CNetStreamInterface> source;
    DeviceInfo info;
    // With `view` the pictures go to that view instead of the counter.
    explicit Stream(const std::string& url, std::shared_ptr<FrameNotifier> view = nullptr)
        : source(std::make_shared<CNetStreamInterface>(view ? view : counter.notifier,
                                                       log.Logger())) {
        info.deviceType = DEVICE_NETWORK_STREAM;
        info.deviceName = url;
    }
    int Connect() { return source->Connect(&info); }
    std::vector<uint8_t> Sample() {
        std::vector<uint8_t> pixels(source->GetSampleSize());
        if (pixels.empty() || !source->GetSample(pixels.data(), pixels.size())) pixels.clear();
        return pixels;
    }
};

// How many different byte values a picture holds: a real test picture has many, a blank or
// one-coloured one a handful.
size_t DistinctBytes(const std::vector<uint8_t>& pixels) {
    std::vector<bool> seen(256);
    for (uint8_t b : pixels) seen[b] = true;
    return static_cast<size_t>(std::count(seen.begin(), seen.end(), true));
}

TEST(NetStreamPeers, EachKindOfStreamDeliversMovingPicturesOfItsSize) {
    struct PeerRow {
        const char* name;
        const char* peer;  // the RTSP server's codec, "ts" (ffmpeg's HTTP server) or "file"
        const char* path;
        int width, height;
    };
    const PeerRow rows[] = {
        {"RTSP H.264 over TCP", "h264", "/live", 320, 240},
        {"RTSP H.264 over UDP", "h264", "/live?rtsp_transport=udp", 320, 240},
        {"RTSP Motion-JPEG over TCP", "mjpeg", "/live?rtsp_transport=tcp", 320, 240},
        {"RTSP Motion-JPEG over UDP", "mjpeg", "/live?rtsp_transport=udp", 320, 240},
        {"HTTP MPEG-TS", "ts", "/ts", 352, 288},
        {"file URL", "file", "", 176, 144},
    };
    for (const PeerRow& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        std::unique_ptr<Peer> peer;
        int port = test::FreePort();
        const std::string kind = row.peer;
        std::string url = Loopback("rtsp", port, row.path), logged = "URL = " + url;
        if (kind == "ts") {
            // ffmpeg serving one client an MPEG-TS stream of H.264 over HTTP, logged as MMS.
            peer = std::make_unique<Peer>(std::vector<std::string>{
                "ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-f", "lavfi", "-i",
                "testsrc=size=352x288:rate=10", "-c:v", "libx264", "-preset", "ultrafast", "-g",
                "10", "-f", "mpegts", "-listen", "1", Loopback("http", port, "/ts")});
            ASSERT_TRUE(test::WaitListening(port, 10));
            url = Loopback("HTTP", port, "/ts");
            logged = "URL = " + Loopback("mms", port, "/ts");
        } else if (kind == "file") {
            url = "file://" + MakeClip(dir, "clip.mp4", "176x144", 3);
            ASSERT_NE(url, "file://");
            logged = "URL = " + url;
        } else {
            peer = StartRtsp(port, kind);
            ASSERT_TRUE(peer);
        }
        Stream s(url);
        ASSERT_EQ(s.Connect(), 1) << s.log.Dump();
        EXPECT_EQ(s.info.frameWidth, row.width);
        EXPECT_EQ(s.info.frameHeight, row.height);
        BITMAPINFOHEADER h{};
        s.source->GetFormat(&h);
        EXPECT_EQ(h.biWidth, row.width);
        EXPECT_EQ(h.biHeight, row.height);
        EXPECT_EQ(h.biSizeImage, DibStride(row.width, 24) * static_cast<uint32_t>(row.height));
        std::vector<uint8_t> first = s.Sample();
        ASSERT_EQ(first.size(), h.biSizeImage);
        EXPECT_GT(DistinctBytes(first), 32u) << "a real picture, not one colour";
        EXPECT_TRUE(s.counter.WaitFrames(s.counter.frames + 8, 10000)) << s.log.Dump();
        EXPECT_NE(s.Sample(), first) << "the pictures move";
        EXPECT_EQ(s.log.Count(logged), 1) << s.log.Dump();
        EXPECT_EQ(s.log.Count("Failed!"), 0) << s.log.Dump();
        s.source->Disconnect();
        EXPECT_FALSE(s.source->IsConnected());
        EXPECT_EQ(s.source->GetSampleSize(), 0u);
    }
}

TEST(NetStreamPeers, PicturesFlowAgainAfterTheServerIsRestarted) {
    int port = test::FreePort();
    auto server = StartRtsp(port, "h264");
    ASSERT_TRUE(server);
    Stream s(Loopback("rtsp", port, "/live"));
    StreamTimings t = s.source->Timings();
    t.readTimeoutMs = 1500;
    s.source->SetTimings(t);
    ASSERT_EQ(s.Connect(), 1) << s.log.Dump();
    server->process.Stop();
    EXPECT_TRUE(s.log.WaitFor("[SampleThread] The stream was lost [", 1, 10000)) << s.log.Dump();
    server = StartRtsp(port, "h264");
    ASSERT_TRUE(server);
    EXPECT_TRUE(s.log.WaitFor("[SampleThread] The stream is back [", 1, 20000)) << s.log.Dump();
    EXPECT_TRUE(s.counter.WaitFrames(s.counter.frames + 5, 10000));
    EXPECT_GE(s.source->Openings(), 2u);
    EXPECT_TRUE(s.source->IsConnected());
    s.source->Disconnect();
}

TEST(NetStreamPeers, AnIdleStreamOnlyKeepsPacketsAndACopyDecodesThem) {
    int port = test::FreePort();
    auto server = StartRtsp(port, "h264", 20);
    ASSERT_TRUE(server);
    // No view listens: pictures are wanted only when copied.
    Stream s(Loopback("rtsp", port, "/live"), std::make_shared<FrameNotifier>());
    ASSERT_EQ(s.Connect(), 1) << s.log.Dump();
    CNetStreamInterface& source = *s.source;
    std::vector<uint8_t> first(source.GetSampleSize()), later(first.size());
    ASSERT_TRUE(source.GetSample(first.data(), first.size()));
    std::this_thread::sleep_for(
        std::chrono::milliseconds(CNetStreamInterface::kWantedWindowMs + 500));
    uint64_t decoded0 = source.DecodedPictures(), received0 = source.ReceivedPackets();
    EXPECT_TRUE(WaitUntil([&] { return source.ReceivedPackets() >= received0 + 15; }, 5000));
    EXPECT_EQ(source.DecodedPictures(), decoded0) << "nothing decoded while idle";
    // The copy decodes the kept packets and hands out the newest picture.
    uint64_t newest = source.ReceivedPackets();
    ASSERT_TRUE(source.GetSample(later.data(), later.size()));
    EXPECT_GE(source.SamplePicture(), newest);
    EXPECT_EQ(source.DecodedPictures(), decoded0 + 1);
    EXPECT_NE(first, later) << "the ball moved";
    EXPECT_GT(DistinctBytes(later), 32u);
    source.Disconnect();
}

TEST(NetStreamPeers, ASizeChangeAndDamagedPacketsMidStreamAreSurvived) {
    TempDir dir;
    std::string a = test::ReadWholeFile(MakeClip(dir, "a.ts", "176x144", 2));
    std::string b = test::ReadWholeFile(MakeClip(dir, "b.ts", "320x240", 3));
    ASSERT_GT(a.size(), 10000u);
    ASSERT_GT(b.size(), 10000u);
    // Damage: a run of garbage inside the second part's packets, past its first key frame.
    std::string damaged = b;
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 3000; ++i)
        damaged[i] = static_cast<char>(i * 7919);
    std::ofstream(dir.Path() + "/change.ts", std::ios::binary) << a << damaged;
    Stream s("file://" + dir.Path() + "/change.ts");
    ASSERT_EQ(s.Connect(), 1) << s.log.Dump();
    EXPECT_EQ(s.info.frameWidth, 176);
    EXPECT_TRUE(s.log.WaitFor("The picture size changed from 176x144 to 320x240", 1, 10000))
        << s.log.Dump();
    BITMAPINFOHEADER h{};
    s.source->GetFormat(&h);
    EXPECT_EQ(h.biWidth, 320);
    EXPECT_EQ(h.biHeight, 240);
    EXPECT_EQ(s.Sample().size(), DibStride(320, 24) * 240u);
    // The file ends and is opened again: the pictures start small once more.
    EXPECT_TRUE(s.log.WaitFor("[SampleThread] The stream ended [", 1, 10000)) << s.log.Dump();
    EXPECT_TRUE(s.log.WaitFor("The picture size changed from 320x240 to 176x144", 1, 10000))
        << s.log.Dump();
    EXPECT_TRUE(s.source->IsConnected());
    s.source->Disconnect();
}

TEST(NetStreamPeers, AStopEndsAConnectToAServerThatNeverAnswers) {
    test::CannedServer silent("");
    ASSERT_GT(silent.Port(), 0);
    // The scheme, and whether the stop is a Disconnect rather than a RequestStop.
    for (auto [scheme, disconnect] : {std::pair{"rtsp", false}, {"rtsp", true}, {"http", false}}) {
        SCOPED_TRACE(std::string(scheme) + (disconnect ? " Disconnect" : " RequestStop"));
        Stream s(Loopback(scheme, silent.Port(), "/live"));
        int result = -1;
        std::thread connect([&] { result = s.Connect(); });
        // The connect is under way (the server was reached) before the stop comes.
        EXPECT_TRUE(s.log.WaitFor("avformat_open_input() [", 1, 5000)) << s.log.Dump();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        auto t0 = test::Clock::now();
        disconnect ? s.source->Disconnect() : s.source->RequestStop();
        connect.join();
        EXPECT_LT(MsSince(t0), 1000) << s.log.Dump();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(s.log.Count("Connect camera failed!"), 0) << "a stop is no failure";
        s.source->Disconnect();
    }
}

TEST(NetStreamPeers, ANameThatDoesNotResolveIsReportedClearly) {
    // Names with an empty label are refused by the resolver itself, so no query leaves the host.
    Stream s("rtsp://no..such.host/live");
    StreamTimings t = s.source->Timings();
    t.connectWaitMs = 3000;
    s.source->SetTimings(t);
    EXPECT_EQ(s.Connect(), 0);
    EXPECT_EQ(s.log.Count("Connect camera failed!"), 1) << s.log.Dump();
    EXPECT_GE(s.log.Count("no..such.host"), 1) << s.log.Dump();
    EXPECT_GE(s.log.Count("resolve"), 1) << s.log.Dump();
}

}  // namespace
}  // namespace ocv
