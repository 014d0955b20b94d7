// The Motion-JPEG source against peers we did not write: ffmpeg's own Motion-JPEG HTTP server
// (chunked answers whose chunks do not line up with the parts) and Python's file server.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "SourceTestSupport.h"
#include "sources/CameraModels.h"
#include "sources/SourceFactory.h"

namespace ocv {
namespace {

using test::FrameCounter;
using test::Process;
using test::TestLog;
using test::WaitUntil;

struct Camera {
    TestLog log;
    FrameCounter counter;
    std::shared_ptr<CMJpegCameraModel> source;
    explicit Camera(int32_t type) {
        source = std::dynamic_pointer_cast<CMJpegCameraModel>(
            CreateCameraSource(type, counter.notifier, log.Logger()));
    }
};

std::unique_ptr<Process> StartFfmpeg(int port, const std::vector<std::string>& output) {
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-loglevel",
                                     "error",  "-re",      "-f",
                                     "lavfi",  "-i",       "testsrc=size=320x240:rate=15",
                                     "-c:v",   "mjpeg",    "-q:v",
                                     "5"};
    argv.insert(argv.end(), output.begin(), output.end());
    argv.push_back("-listen");
    argv.push_back("1");
    argv.push_back("http://127.0.0.1:" + std::to_string(port) + "/video.mjpg");
    auto p = std::make_unique<Process>(argv);
    if (!WaitUntil([&] { return test::IsListening(port); }, 10000)) return nullptr;
    return p;
}

TEST(MJpegFfmpeg, ReadsFfmpegsChunkedMotionJpegStream) {
    int port = test::FreePort();
    auto ffmpeg = StartFfmpeg(
        port, {"-f", "mpjpeg", "-content_type", "multipart/x-mixed-replace;boundary=ffmpeg"});
    ASSERT_NE(ffmpeg, nullptr);
    for (int32_t type : {DEVICE_AXIS}) {
        Camera cam(type);
        DeviceInfo d;
        d.deviceType = type;
        d.deviceName = "http://127.0.0.1:" + std::to_string(port);
        d.frameWidth = 320;
        d.frameHeight = 240;
        ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
        EXPECT_TRUE(WaitUntil([&] { return cam.counter.frames >= 20; }, 5000)) << cam.log.Dump();
        BITMAPINFOHEADER h{};
        cam.source->GetFormat(&h);
        EXPECT_EQ(h.biWidth, 320);
        EXPECT_EQ(h.biHeight, 240);
        EXPECT_EQ(cam.log.Count("MotionJpeg画像取得に失敗しました！"), 0) << cam.log.Dump();
        cam.source->Disconnect();
    }
}

TEST(MJpegFfmpeg, ChunkedSinglePictureWithoutLengthIsRetried) {
    int port = test::FreePort();
    auto ffmpeg =
        StartFfmpeg(port, {"-frames:v", "1", "-f", "mjpeg", "-content_type", "image/jpeg"});
    ASSERT_NE(ffmpeg, nullptr);
    Camera cam(DEVICE_MEGACHIPS);
    MJpegTimings t = cam.source->Timings();
    t.singleRetryMs = 800;
    t.connectWaitMs = 2000;
    cam.source->SetTimings(t);
    DeviceInfo d;
    d.deviceType = DEVICE_MEGACHIPS;
    d.deviceName = "http://127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(cam.source->Connect(&d), 0);
    EXPECT_GE(cam.log.Count("[SampleThread] Contengt-Length was unacquirable. ["), 1)
        << cam.log.Dump();
    // The thread kept trying (ffmpeg has gone, so later attempts cannot connect).
    EXPECT_GE(cam.log.Count("[SampleThread] 10秒後に再度接続を試みます・・・"), 1);
    EXPECT_GE(cam.log.Count("[SampleThread] URLが開けません ["), 1) << cam.log.Dump();
}

std::vector<uint8_t> EncodeTestPicture(int w, int h) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x * 255 / w);
            p[1] = static_cast<uint8_t>(y * 255 / h);
            p[2] = 128;
        }
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> jpeg;
    if (tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_444, 95, 0) == 0) {
        jpeg.assign(out, out + size);
    }
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

TEST(MJpegFfmpeg, SinglePictureWithLengthFromAFileServerIsShown) {
    TempDir dir;
    std::vector<uint8_t> jpeg = EncodeTestPicture(200, 100);
    ASSERT_FALSE(jpeg.empty());
    std::ofstream(dir.Path() + "/pic.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));
    int port = test::FreePort();
    Process server({"/usr/bin/python3", "-m", "http.server", "--bind", "127.0.0.1", "--directory",
                    dir.Path(), std::to_string(port)});
    ASSERT_TRUE(WaitUntil([&] { return test::IsListening(port); }, 10000));
    Camera cam(DEVICE_MEGACHIPS);
    DeviceInfo d;
    d.deviceType = DEVICE_MEGACHIPS;
    // The MegaChips path lands in the query, so the server sends the file.
    d.deviceName = "http://127.0.0.1:" + std::to_string(port) + "/pic.jpg?x=";
    ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
    EXPECT_TRUE(cam.log.WaitFor("[SampleThread] 最大接続数エラー [", 1, 2000));
    BITMAPINFOHEADER h{};
    cam.source->GetFormat(&h);
    ASSERT_EQ(h.biWidth, 200);
    ASSERT_EQ(h.biHeight, 100);
    std::vector<uint8_t> sample(h.biSizeImage);
    ASSERT_TRUE(cam.source->GetSample(sample.data(), h.biSizeImage));
    // Top-left source pixel (0, 0, 128) sits in the last row of the bottom-up BGR picture.
    const uint8_t* topLeft = sample.data() + (100 - 1) * DibStride(200, 24);
    EXPECT_NEAR(topLeft[0], 128, 6);  // blue
    EXPECT_NEAR(topLeft[1], 0, 6);    // green
    EXPECT_NEAR(topLeft[2], 0, 6);    // red
    const uint8_t* bottomRight = sample.data() + 199 * 3;
    EXPECT_NEAR(bottomRight[2], 253, 6);
    EXPECT_NEAR(bottomRight[1], 252, 6);
}

TEST(MJpegFfmpeg, HttpsCameraWithAnUntrustedCertificateIsRefused) {
    TempDir dir;
    std::vector<uint8_t> jpeg = EncodeTestPicture(64, 48);
    std::ofstream(dir.Path() + "/pic.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));
    Process openssl({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                     "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                     dir.Path() + "/key.pem", "-out", dir.Path() + "/cert.pem"});
    ASSERT_TRUE(WaitUntil([&] { return !openssl.Running(); }, 20000));
    int port = test::FreePort();
    std::string script =
        "import http.server, ssl, functools, sys\n"
        "d, port = sys.argv[1], int(sys.argv[2])\n"
        "h = functools.partial(http.server.SimpleHTTPRequestHandler, directory=d)\n"
        "s = http.server.HTTPServer(('127.0.0.1', port), h)\n"
        "c = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)\n"
        "c.load_cert_chain(d + '/cert.pem', d + '/key.pem')\n"
        "s.socket = c.wrap_socket(s.socket, server_side=True)\n"
        "s.serve_forever()\n";
    Process server({"/usr/bin/python3", "-c", script, dir.Path(), std::to_string(port)});
    ASSERT_TRUE(WaitUntil([&] { return test::IsListening(port); }, 10000));
    Camera cam(DEVICE_MEGACHIPS);
    MJpegTimings t = cam.source->Timings();
    t.connectWaitMs = 1500;
    cam.source->SetTimings(t);
    DeviceInfo d;
    d.deviceType = DEVICE_MEGACHIPS;
    d.deviceName = "https://127.0.0.1:" + std::to_string(port) + "/pic.jpg?x=";
    EXPECT_EQ(cam.source->Connect(&d), 0);
    EXPECT_EQ(cam.log.Count("[SampleThread] Network error! [SSL certificate problem"), 1)
        << cam.log.Dump();
    EXPECT_EQ(cam.log.Count("[SampleThread] URLが開けません [https://127.0.0.1:"), 1);
}

}  // namespace
}  // namespace ocv
