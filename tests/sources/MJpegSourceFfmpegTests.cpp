// The Motion-JPEG source against peers we did not write: ffmpeg's own Motion-JPEG HTTP server
// (chunked answers whose chunks do not line up with the parts) and Python's HTTPS file server.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "MJpegCamera.h"

namespace ocv {
namespace {

using test::Camera;
using test::Device;
using test::Process;
using test::TestLog;
using test::WaitUntil;

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
    {
        Camera cam(DEVICE_AXIS);
        DeviceInfo d = Device(DEVICE_AXIS, "http://127.0.0.1:" + std::to_string(port));
        d.frameWidth = 320;
        d.frameHeight = 240;
        ASSERT_EQ(cam.source->Connect(&d), 1) << cam.log.Dump();
        EXPECT_TRUE(cam.WaitFrames(20, 5000)) << cam.log.Dump();
        EXPECT_EQ(cam.Format().biWidth, 320);
        EXPECT_EQ(cam.Format().biHeight, 240);
        EXPECT_EQ(cam.log.Count("MotionJpeg画像取得に失敗しました！"), 0) << cam.log.Dump();
        cam.source->Disconnect();
    }
}

TEST(MJpegFfmpeg, HttpsCameraWithAnUntrustedCertificateIsRefused) {
    TempDir dir;
    // What the file holds does not matter: the refusal comes before any byte of it.
    std::ofstream(dir.File("pic.jpg")) << "not read";
    ASSERT_TRUE(
        test::RunToEnd({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                        "-keyout", dir.Path() + "/key.pem", "-out", dir.Path() + "/cert.pem"},
                       20000));
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
    DeviceInfo d =
        Device(DEVICE_MEGACHIPS, "https://127.0.0.1:" + std::to_string(port) + "/pic.jpg?x=");
    EXPECT_EQ(cam.source->Connect(&d), 0);
    EXPECT_EQ(cam.log.Count("[SampleThread] Network error! [SSL certificate problem"), 1)
        << cam.log.Dump();
    EXPECT_EQ(cam.log.Count("[SampleThread] URLが開けません [https://127.0.0.1:"), 1);
}

}  // namespace
}  // namespace ocv
