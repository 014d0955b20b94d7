// The Motion-JPEG source against peers we did not write: ffmpeg's own Motion-JPEG HTTP server
// (chunked answers whose chunks do not line up with the parts) and openssl's TLS server.
#include <gtest/gtest.h>

#include "SourceTestSupport.h"

namespace ocv {
namespace {

using test::Camera;
using test::Device;
using test::Peer;

TEST(MJpegFfmpeg, ReadsFfmpegsChunkedMotionJpegStream) {
    int port = test::FreePort();
    Peer ffmpeg({"ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-f", "lavfi", "-i",
                    "testsrc=size=320x240:rate=15", "-c:v", "mjpeg", "-q:v", "5", "-f", "mpjpeg",
                    "-content_type", "multipart/x-mixed-replace;boundary=ffmpeg", "-listen", "1",
                    test::Loopback("http", port, "/video.mjpg")});
    ASSERT_TRUE(test::WaitListening(port, 10));
    Camera cam(DEVICE_AXIS);
    DeviceInfo d = Device(DEVICE_AXIS, test::Loopback("http", port), 320, 240);
    ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
    EXPECT_TRUE(cam.counter.WaitFrames(20, 5000)) << cam.log.Dump();
    EXPECT_EQ(cam.Format().biWidth, 320);
    EXPECT_EQ(cam.Format().biHeight, 240);
    EXPECT_EQ(cam.log.Count("MotionJpeg画像取得に失敗しました！"), 0) << cam.log.Dump();
    cam.source->Disconnect();
}

TEST(MJpegFfmpeg, HttpsCameraWithAnUntrustedCertificateIsRefused) {
    TempDir dir;
    // A self-signed certificate: the refusal comes before any request.
    ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                           "-addext subjectAltName=IP:127.0.0.1 -keyout " + dir.File("key.pem") +
                           " -out " + dir.File("cert.pem") + " 2>/dev/null").c_str()),
              0);
    int port = test::FreePort();
    Peer server({"openssl", "s_server", "-quiet", "-accept", "127.0.0.1:" + std::to_string(port),
                    "-cert", dir.File("cert.pem"), "-key", dir.File("key.pem")});
    ASSERT_TRUE(test::WaitListening(port, 10));
    Camera cam(DEVICE_MEGACHIPS);
    cam.Tune([](MJpegTimings& t) { t.connectWaitMs = 1500; });
    DeviceInfo d = Device(DEVICE_MEGACHIPS, test::Loopback("https", port, "/pic.jpg?x="));
    EXPECT_EQ(cam.source->Connect(&d), 0);
    EXPECT_EQ(cam.log.Count("[SampleThread] Network error! [SSL certificate problem"), 1)
        << cam.log.Dump();
    EXPECT_EQ(cam.log.Count("[SampleThread] URLが開けません [https://127.0.0.1:"), 1);
}

}  // namespace
}  // namespace ocv
