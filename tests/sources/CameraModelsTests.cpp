// The camera models' URLs, the parts of a camera URL, one HTTP request against canned answers
// and a refused connect.
#include <gtest/gtest.h>

#include "../foundation/LogLines.h"
#include "SourceTestSupport.h"
#include "platform/NamedEvent.h"
#include "sources/CameraUrl.h"
#include "sources/HttpStream.h"

namespace ocv {
namespace {

using test::Device;

DeviceInfo Info(int32_t type, const char* base, int w, int h, int quality, int sub, int no,
                int size) {
    DeviceInfo d = Device(type, base, w, h);
    d.quality = quality, d.subType = sub, d.cameraNo = no, d.size = size;
    return d;
}

TEST(CameraUrls, EachModelBuildsItsPathFromTheRecord) {
    const std::pair<DeviceInfo, const char*> rows[] = {
        {Info(DEVICE_AXIS, "http://cam\\", 320, 240, 0, 0, 0, 0),
         "http://cam\\axis-cgi/mjpg/video.cgi?resolution=320x240"},
        {Info(DEVICE_AXIS, "http://axis", 704, 480, 0, 3, 1, 0),
         "http://axis/axis-cgi/mjpg/video.cgi?camera=2&resolution=704x480"},
        // The camera number only counts for type 3.
        {Info(DEVICE_AXIS, "http://axis/", 704, 480, 0, 1, 1, 0),
         "http://axis/axis-cgi/mjpg/video.cgi?resolution=704x480"},
        {Info(DEVICE_PANASONIC, "http://kx", 640, 480, 0, 0, 0, 0),
         "http://kx/nphMotionJpeg?Resolution=640x480&Quality=Motion"},
        {Info(DEVICE_PANASONIC, "http://kx", 640, 480, 2, 0, 0, 0),
         "http://kx/nphMotionJpeg?Resolution=640x480&Quality=Clarity"},
        {Info(DEVICE_PANASONIC, "http://kx", 640, 480, 3, 0, 0, 0),
         "http://kx/nphMotionJpeg?Resolution=640x480&Quality="},
        {Info(DEVICE_VIVOTEK, "http://viv/", 0, 0, 2, 0, 0, 1),
         "http://viv/cgi-bin/video.jpg?cam=1&quality=3&size=2"},
        {Info(DEVICE_VIVOTEK, "http://viv/", 0, 0, 2, 0, 4, 1),
         "http://viv/cgi-bin/quad.jpg?quality=3&size=2"},
        // The VS2101 ignores the camera number.
        {Info(DEVICE_VIVOTEK, "http://viv/", 0, 0, 2, 1, 2, 1),
         "http://viv/cgi-bin/video.jpg?quality=3&size=2"},
        {Info(DEVICE_LOCAL_CAPTURE, "x", 0, 0, 0, 0, 0, 0), ""},
    };
    for (const auto& [info, url] : rows) EXPECT_EQ(BuildStreamUrl(info), url);
    DeviceInfo peer = Info(DEVICE_PEER_INSTANCE, "http://peer:8080", 0, 0, 80, 0, 0, 0);
    peer.password = "pw&1";  // as given, not escaped
    EXPECT_EQ(BuildStreamUrl(peer), "http://peer:8080/MotionJpeg?Quality=80&Password=pw&1");
    EXPECT_EQ(ReaderVariantOf(DEVICE_MEGACHIPS), kReaderVariantB);
    EXPECT_EQ(ReaderVariantOf(DEVICE_AXIS), kReaderVariantA);
}

TEST(CameraUrls, ParseSplitsTheAuthorityAndRefusesBadPorts) {
    struct Row {
        const char* text;
        bool ok;
        const char *userInfo = "", *host = "";
        int port = 0;
        const char* pathAndQuery = "";
    };
    const Row rows[] = {
        {"HTTP://u:p@ss@cam:8080/a?b=c@d#f", true, "u:p@ss", "cam", 8080, "/a?b=c@d#f"},
        {"rtsp://[::1]:554/live", true, "", "::1", 554, "/live"},
        {"http://cam?x=1", true, "", "cam", 0, "?x=1"},
        {"http://cam:65535", true, "", "cam", 65535, ""},
        {"http://cam:0/", false}, {"http://cam:65536/", false}, {"http://cam:x/", false},
        {"http://u@:80/", false}, {"http://[::1/", false},      {"cam/path", false},
        {"http://cam a/", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string why;
        std::optional<CameraUrl> u = ParseCameraUrl(row.text, why);
        ASSERT_EQ(u.has_value(), row.ok) << why;
        if (!u) continue;
        EXPECT_EQ(u->scheme, row.text[0] == 'r' ? "rtsp" : "http");
        EXPECT_EQ(u->userInfo, row.userInfo);
        EXPECT_EQ(u->host, row.host);
        EXPECT_EQ(u->port, row.port);
        EXPECT_EQ(u->pathAndQuery, row.pathAndQuery);
    }
}

TEST(HttpStream, OpensOnTheFinalAnswerOnly) {
    using R = CHttpStream::OpenResult;
    struct Row {
        std::string answer;
        R result;
        long status;
        const char* body;
    };
    const std::string pic = "Content-Type: image/jpeg\r\nContent-Length: 3\r\n\r\nabc";
    const Row rows[] = {
        {"HTTP/1.1 200 OK\r\n" + pic, R::kOk, 200, "abc"},
        {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n" + pic, R::kOk, 200, "abc"},
        {"HTTP/1.1 100 Continue\r\n\r\n", R::kOpenFailed, 0, ""},
        {"HTTP/1.0 503 Busy\r\nContent-Length: 0\r\n\r\n", R::kOk, 503, ""},
        {"no status line here\r\n", R::kNoStatus, 0, ""},
    };
    auto stop = NamedEvent::Create("");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        test::CannedServer server(row.answer);
        CHttpStream http(stop, {2000, 2000});
        ASSERT_EQ(http.Open(test::Loopback("http", server.Port(), "/")), row.result)
            << http.ErrorText();
        EXPECT_EQ(http.Status(), row.status);
        std::string body;
        if (row.result == R::kOk)
            http.Read([&](const uint8_t* d, size_t n) {
                body.append(reinterpret_cast<const char*>(d), n);
                return true;
            });
        EXPECT_EQ(body, row.body);
    }
}

TEST(CameraModels, ConnectRefusesAWrongTypeOrAnEmptyUrlWithABox) {
    test::TestLog log;
    auto sink = std::make_shared<RecordingSink>();
    log.Logger()->SetNotifySink(sink);
    CAxisInterface axis(std::make_shared<FrameNotifier>(), log.Logger());
    DeviceInfo wrong = Device(DEVICE_VIVOTEK, "http://127.0.0.1:1"), empty = Device(DEVICE_AXIS, "");
    EXPECT_EQ(axis.Connect(&wrong), 0);
    EXPECT_EQ(axis.Connect(&empty), 0);
    EXPECT_EQ(sink->boxes, (std::vector<std::string>{"指定されたデバイスタイプが異なります!",
                                                     "接続先URLの指定がありません!"}));
    EXPECT_EQ(log.Count("接続先URLの指定がありません!"), 1);
    EXPECT_FALSE(axis.IsConnected());
    // Before the first picture: no format, no sample.
    BITMAPINFOHEADER h{};
    h.biWidth = 5;
    EXPECT_TRUE(axis.GetFormat(&h) && h.biWidth == 0);
    uint8_t buf[4];
    EXPECT_FALSE(axis.GetSample(buf, sizeof buf));
}

}  // namespace
}  // namespace ocv
