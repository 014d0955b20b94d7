// The web server on loopback, driven with raw requests: what only a running server
// shows (replies on the wire, sessions across requests, lock-outs, shared pictures, connection
// limits, time-outs and stalled viewers). Parsing and routing rules are in NetUnitTest.cpp.
#include <gtest/gtest.h>

#include <latch>

#include "../foundation/TempDir.h"
#include "WebTestSupport.h"
#include "config/OcvParam.h"
#include "imaging/DibImage.h"
#include "net/ClientLimits.h"
#include "net/WebReplies.h"
#include "net/WebResources.h"

using namespace ocvtest;

namespace {

const std::string k404 =
    "HTTP/1.1 404 Not Found\r\nMIME-Version: 1.0\r\nServer: Ocuvane\r\nContent-Type: "
    "text/plain\r\nContent-Length: ";

ocv::OcvParam Settings() {
    ocv::OcvParam p;
    p.name = "Gate Camera";
    p.webServer.enable = 1;
    p.webServer.imodeEnable = 1;
    p.webServer.maxFrame = 15;
    p.webServer.maxUser = 10;
    p.webServer.nicIndex = LoopbackNic();
    p.webServer.port = 0;  // a free port, not the default 8080 that another suite may hold
    return p;
}

bool IsJpegOf(const std::string& bytes, int width, int height) {
    ocv::CDibImage img;
    return img.LoadFromMemory(bytes.data(), bytes.size()) && img.Width() == width &&
           img.Height() == height;
}

// The palette colour of a decoded still (its centre pixel), -1 when it is none of them.
int PaletteOf(const std::string& jpeg) {
    ocv::CDibImage img;
    if (!img.LoadFromMemory(jpeg.data(), jpeg.size())) return -1;
    const uint8_t* p = img.GetBits() + static_cast<size_t>(img.Height() / 2) * img.Stride() +
                       3 * static_cast<size_t>(img.Width() / 2);
    for (int i = 0; i < 6; ++i) {
        int db = p[0] - kPalette[i][0], dg = p[1] - kPalette[i][1], dr = p[2] - kPalette[i][2];
        if (db * db + dg * dg + dr * dr < 40 * 40) return i;
    }
    return -1;
}

std::string Resource(int id) {
    std::string bytes;
    EXPECT_TRUE(ocv::FindWebResource(id, bytes)) << id;
    return bytes;
}

// The text between `after` and the next '"' in `page`; "" when `after` is missing.
std::string Between(const std::string& page, const std::string& after) {
    size_t at = page.find(after);
    if (at == std::string::npos) return {};
    at += after.size();
    return page.substr(at, page.find('"', at) - at);
}

class WebServerTest : public ::testing::Test {
protected:
    void Start(const ocv::OcvParam& p, int requestTimeoutMs = 10000, int width = 160,
               int height = 120, bool textured = false) {
        server.reset();
        host = std::make_shared<TestHost>(width, height, dir.Path(), textured);
        server = std::make_unique<ServerRun>(host, p, requestTimeoutMs);
        ASSERT_TRUE(server->Ready()) << server->Port() << "\n" << host->Lines().Dump();
        port = server->Port();
    }
    int OpenStream(const std::string& target, const std::string& from = "127.0.0.1") {
        int fd = ConnectLoopback(port, from);
        SendAll(fd, "GET " + target + " HTTP/1.1\r\n\r\n");
        return fd;
    }
    bool Streams(const std::string& target, const std::string& from = "127.0.0.1") {
        int fd = OpenStream(target, from);
        PartReader reader(fd);
        std::string jpeg;
        bool ok = reader.Header(3000).find("200  Document follows") != std::string::npos &&
                  reader.Next(jpeg);
        ::close(fd);
        return ok;
    }
    TempDir dir;
    std::shared_ptr<TestHost> host;
    std::unique_ptr<ServerRun> server;
    int port = 0;
};

TEST_F(WebServerTest, StartStopAndStartFailures) {
    Start(Settings());
    EXPECT_EQ(host->State() & ocv::kWebServerRunningBit, ocv::kWebServerRunningBit);
    server->Stop();
    EXPECT_EQ(host->State() & ocv::kWebServerRunningBit, 0u);
    for (const char* line : {"[WebServer] WWW server initialize...", "[WebServer] Binding...",
                             "[WebServer] Webサーバ停止します・・・"})
        EXPECT_TRUE(host->Lines().Has(line, ocv::LOG_INFORMATION)) << line;
    EXPECT_TRUE(host->Lines().Has("[WebServer] IP address=[127.0.0.1]", ocv::LOG_DEBUG));
    EXPECT_LT(ConnectLoopback(port), 0) << "the port is free again";

    // A missing adapter, and a port another listener holds.
    Start(Settings());
    struct Row {
        int nic, port;
        const char* line;
        const char* box;
    } rows[] = {
        {999, 0, "[WebServer] Get IP address failed!",
         "指定されたネットワークデバイスは存在しません"},
        {LoopbackNic(), port, "[WebServer] Bind failed! : [Address already in use.]", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        auto other = std::make_shared<TestHost>(160, 120, dir.Path());
        auto p = Settings();
        p.webServer.nicIndex = row.nic;
        p.webServer.port = row.port;
        EXPECT_FALSE(ServerRun(other, p).Ready());
        EXPECT_TRUE(other->Lines().Has(row.line, ocv::LOG_ERROR)) << other->Lines().Dump();
        EXPECT_EQ(other->Lines().Boxes(),
                  row.box ? std::vector<std::string>{row.box} : std::vector<std::string>{});
        EXPECT_EQ(other->State() & ocv::kWebServerRunningBit, 0u);
    }
}

// Requests answered with a fixed reply or closed without one, with the line they log; a client
// that never ends its request is dropped after the request time-out.
TEST_F(WebServerTest, FixedRepliesAndRequestsClosedUnanswered) {
    auto p = Settings();
    p.webServer.imodeEnablePassword = 1;
    p.webServer.imodePassword = "Secret";
    Start(p, 1000);
    struct Row {
        std::string request, reply, logged;
    } rows[] = {
        {"GET /foo HTTP/1.1\r\n\r\n", k404 + "16\r\n\r\nUnknown request!", ""},
        {"HEAD / HTTP/1.1\r\nHost: x\r\n\r\n", k404 + "16\r\n\r\n", ""},
        {"GET /SnapJpeg?Size=160x120 HTTP/1.1\r\n\r\n", k404 + "0\r\n\r\n", ""},
        {"GET /OcvView.class HTTP/1.1\r\n\r\n", "", "FindResource() failed! [Applet]"},
        {"GET /MotionJpeg?a=1&b HTTP/1.1\r\n\r\n", "", "[WebServer] Analyze Request Failed!"},
        {"GET /" + std::string(3000, 'a') + " HTTP/1.1\r\n\r\n", "",
         "[WebServer] Network error! : [Invalid argument.]"},
        {"GET /SnapJpeg HTTP/1.1\r\nHost: x\r\n", "",  // no empty line
         "[WebServer] Network error! : [Connection timed out.]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.request.substr(0, 40));
        EXPECT_EQ(RawRequest(port, row.request), row.reply);
        EXPECT_TRUE(row.logged.empty() || host->Lines().Has(row.logged, ocv::LOG_ERROR))
            << host->Lines().Dump();
    }
}

// The viewer page; a phone logs in and uses its session number; clients that guess numbers or
// the stream's password are shut out after ten wrong tries a minute, with one warning, while the
// phone keeps working.
TEST_F(WebServerTest, ViewerPageMobileSessionsAndLockOutOfGuessingClients) {
    auto p = Settings();
    p.webServer.imodeEnablePassword = 1;
    p.webServer.imodePassword = "Secret";
    p.webServer.imodeQuality = 55;
    p.webServer.imodeSizeW = 176;
    p.webServer.imodeSizeH = 144;
    p.webServer.enablePassword = 1;
    p.webServer.password = "Pw";
    Start(p);
    // The viewer page carries its length and asks for the stream's password.
    std::string reply = Get(port, "/"), body = Body(reply);
    EXPECT_EQ(reply.rfind("HTTP/1.1 200 Document follows\r\nMIME-Version: 1.0\r\nServer: "
                          "Ocuvane\r\nContent-Type: text/html\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n",
                          0),
              0u)
        << reply;
    EXPECT_NE(body.find("<param name=\"password\" value=\"enable\">"), std::string::npos);
    EXPECT_NE(body.find(ocv::ToShiftJis("パスワードを入力してください")), std::string::npos);
    const std::string phone = "127.0.0.2";
    EXPECT_NE(Body(Get(port, "/i", phone)).find("<title>OVN LOGIN</title>"), std::string::npos);
    EXPECT_NE(Body(Get(port, "/i?Pass=secret", phone)).find(ocv::ToShiftJis("認証エラー")),
              std::string::npos);
    std::string page = Body(Get(port, "/i?pASS=Secret", phone));
    const std::string session = Between(page, "SnapJpeg?Quality=55&Size=176x144&Session=");
    ASSERT_FALSE(session.empty()) << page;
    EXPECT_EQ(Between(page, "href=\"i?Session="), session);
    EXPECT_NE(Body(Get(port, "/i?Session=" + session, phone)).find("<title>OVN</title>"),
              std::string::npos);
    EXPECT_TRUE(
        IsJpegOf(Body(Get(port, "/SnapJpeg?Size=80x60&Session=" + session, phone)), 80, 60));
    // The number belongs to the address that logged in; a login elsewhere gets its own.
    EXPECT_EQ(Body(Get(port, "/SnapJpeg?Session=" + session)), "");
    EXPECT_NE(Body(Get(port, "/i?Session=" + session)).find("OVN LOGIN"), std::string::npos);
    EXPECT_EQ(Body(Get(port, "/i?Pass=Secret", "127.0.0.5")).find("Session=" + session + "\""),
              std::string::npos);

    const std::string wrong = Resource(ocv::kResNoticeWrongPassword);
    struct Attack {
        const char* from;
        std::string (*guess)(int i, const std::string& session);
        bool wrongPicture;     // a wrong guess before the lock-out gets the picture, else ""
        const char* rightTry;  // a right credential, refused during the lock-out
    };
    const Attack attacks[] = {
        // Session numbers at the still picture, the phone's own number among them.
        {"127.0.0.3",
         [](int i, const std::string& s) {
             return "/SnapJpeg?Session=" + (i == 3 ? s : ocv::FormatSessionNumber(i));
         },
         false, "/i?Pass=Secret"},
        // The stream's password (of the right length).
        {"127.0.0.4",
         [](int i, const std::string&) { return "/MotionJpeg?Password=p" + std::to_string(i); },
         true, "/MotionJpeg?Password=Pw"},
    };
    for (const Attack& a : attacks) {
        SCOPED_TRACE(a.from);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(Body(Get(port, a.guess(i, session), a.from)), a.wrongPicture ? wrong : "");
        const std::string warning = std::string(
                                        "[WebServer] Too many wrong passwords or session "
                                        "numbers from ") +
                                    a.from + "! Locked out for a minute.";
        EXPECT_FALSE(host->Lines().Has(warning));
        for (const std::string& target :
             {a.guess(10, session), a.guess(11, session), std::string(a.rightTry)})
            EXPECT_EQ(Body(Get(port, target, a.from)), wrong) << target;
        EXPECT_EQ(host->Lines().Count(warning, ocv::LOG_WARNING), 1) << host->Lines().Dump();
        EXPECT_NE(Get(port, "/", a.from).find("Java Viewer"), std::string::npos);
        EXPECT_TRUE(
            IsJpegOf(Body(Get(port, "/SnapJpeg?Size=40x30&Session=" + session, phone)), 40, 30));
    }
    EXPECT_TRUE(Streams("/MotionJpeg?Password=Pw", phone));
    EXPECT_EQ(host->Lines().Count("[WebServer] Login failed!"), 11);
}

// A size that is not honoured (too large to allocate, here) gives the camera's size; the case of
// the path and percent escapes are pinned by the router and request tests.
TEST_F(WebServerTest, StillsAreSharedPerSizeQualityAndFrame) {
    enum class Between { Nothing, NewFrames, NewSize, Lost };
    struct Row {
        const char* name;
        std::string first, second;
        Between between;
        bool sameBytes;
        uint64_t copies;  // frame copies the second request makes
        int width, height;
    };
    const Row rows[] = {
        {"same key", "/SnapJpeg?Quality=80", "/SnapJpeg", Between::Nothing, true, 0, 160, 120},
        {"other quality", "/SnapJpeg?Quality=80", "/SnapJpeg?Quality=50", Between::Nothing, false,
         1, 160, 120},
        {"other size", "/SnapJpeg?Size=40x30", "/SnapJpeg?Size=80x60", Between::Nothing, false, 1,
         80, 60},
        {"parameter order", "/SnapJpeg?Size=40x30&Quality=60", "/SnapJpeg?Quality=60&Size=40x30",
         Between::Nothing, true, 0, 40, 30},
        {"invalid size is the camera's", "/SnapJpeg", "/SnapJpeg?Size=100000x100000",
         Between::Nothing, true, 0, 160, 120},
        {"new frames", "/SnapJpeg?Size=40x30", "/SnapJpeg?Size=40x30", Between::NewFrames, false, 1,
         40, 30},
        {"camera size change", "/SnapJpeg", "/SnapJpeg", Between::NewSize, false, 1, 80, 60},
        {"lost camera", "/SnapJpeg", "/SnapJpeg", Between::Lost, false, 0, 160, 120},
    };
    Start(Settings());
    host->Hold();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host->Step();  // nothing cached from the row before
        std::string a = Body(Get(port, row.first));
        uint64_t before = host->FramesTaken();
        if (row.between == Between::NewFrames)
            for (int i = 0; i < 7; ++i) host->Step();  // past a colour change
        if (row.between == Between::NewSize) host->SetSize(80, 60);
        if (row.between == Between::Lost) host->SetLost(true);
        std::string b = Body(Get(port, row.second));
        EXPECT_EQ(host->FramesTaken() - before, row.copies);
        EXPECT_EQ(a == b, row.sameBytes);
        EXPECT_TRUE(IsJpegOf(b, row.width, row.height));
        if (row.between != Between::Lost) {
            EXPECT_EQ(PaletteOf(b), TestHost::ColourOf(host->FrameTick()));
        }
        host->SetLost(false);
        host->SetSize(160, 120);
    }
    EXPECT_TRUE(host->Lines().Has("[WebServer] Invalid parameter! [Size]", ocv::LOG_ERROR));
}

TEST_F(WebServerTest, ConcurrentStillRequestsShareOneFrameCopy) {
    constexpr int kClients = 16;
    // Frames the server cannot number are copied for every request, as they must.
    for (bool numbered : {true, false}) {
        SCOPED_TRACE(numbered ? "numbered frames" : "unnumbered frames");
        Start(Settings(), 10000, 320, 240, true);
        host->Hold();
        host->SetNumbered(numbered);
        std::latch go(kClients);
        std::vector<std::string> bodies(kClients);
        std::vector<std::thread> clients;
        uint64_t before = host->FramesTaken();
        for (int i = 0; i < kClients; ++i)
            clients.emplace_back([&, i] {
                go.arrive_and_wait();
                bodies[i] =
                    Body(Get(port, "/SnapJpeg?Size=160x120&Quality=70", ClientAddress(i, 4)));
            });
        for (auto& t : clients) t.join();
        EXPECT_EQ(host->FramesTaken() - before, numbered ? 1u : uint64_t{kClients});
        for (const auto& body : bodies) {
            EXPECT_TRUE(IsJpegOf(body, 160, 120));
            EXPECT_EQ(body, bodies[0]);
        }
    }
}

// The stream's header and parts; a still of the stream's quality is the stream's picture.
TEST_F(WebServerTest, StreamAndStillsOfItsQuality) {
    ocv::OcvParam p = Settings();
    p.webServer.maxFrame = 1;  // one stream picture a second: none is made during the stills
    Start(p);
    host->Hold();
    // Quality 0 and a password nobody asked for: streams at the default quality 80.
    int fd = OpenStream("/MotionJpegXYZ?Quality=0&Password=any");
    PartReader reader(fd);
    EXPECT_EQ(reader.Header(),
              "HTTP/1.1 200  Document follows\r\nMIME-Version: 1.0\r\nServer: Ocuvane\r\n"
              "Camera-Name: Gate Camera\r\nContent-Type: multipart/x-mixed-replace; "
              "boundary=--myboundary\r\n");
    std::string part;
    ASSERT_TRUE(reader.Next(part));
    EXPECT_TRUE(IsJpegOf(part, 160, 120));
    struct Row {
        std::string target;
        uint64_t copies;
    };
    for (const Row& row : {Row{"/SnapJpeg?Quality=80", 0}, Row{"/SnapJpeg?Quality=50", 1},
                           Row{"/SnapJpeg?Quality=80&Size=80x60", 1}}) {
        SCOPED_TRACE(row.target);
        uint64_t before = host->FramesTaken();
        std::string still = Body(Get(port, row.target));
        EXPECT_EQ(host->FramesTaken() - before, row.copies);
        EXPECT_EQ(still == part, row.copies == 0);
    }
    EXPECT_TRUE(host->Lines().Has("[WebServer] 現在1ユーザが動画を見ています...", ocv::LOG_DEBUG));
    // Stopping the server ends the running stream: reading drains and ends.
    server->Stop();
    ReadAll(fd, 3000);
    char c;
    EXPECT_LE(::recv(fd, &c, 1, MSG_DONTWAIT), 0);
    ::close(fd);
}

// One address holding hundreds of idle connections takes only its share: those beyond it are
// closed at once, and a viewer at another address is served.
TEST_F(WebServerTest, OneAddressTakesOnlyItsShareOfConnections) {
    Start(Settings(), 60000);
    std::vector<int> idle;
    for (int i = 0; i < 600; ++i) {
        idle.push_back(ConnectLoopback(port));
        ASSERT_GE(idle.back(), 0) << i;
    }
    EXPECT_TRUE(IsJpegOf(Body(Get(port, "/SnapJpeg?Size=40x30", "127.0.0.2")), 40, 30));
    // Those over the limit are closed unanswered (a read gives 0); the others wait for their
    // request (nothing to read yet).
    const int kept = ocv::CConnectionLimit::kMaxPerAddress;
    auto closed = [&] {
        int n = 0;
        char c;
        for (int fd : idle) n += ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;
        return n;
    };
    for (int i = 0; i < 100 && closed() < 600 - kept; ++i) std::this_thread::sleep_for(50ms);
    EXPECT_EQ(closed(), 600 - kept);
    EXPECT_EQ(host->Lines().Count("[WebServer] Too many connections from 127.0.0.1! [32]",
                                  ocv::LOG_WARNING),
              1);
    for (int fd : idle) ::close(fd);
    bool served = false;
    for (int i = 0; i < 50 && !served; ++i) {
        served = IsJpegOf(Body(Get(port, "/SnapJpeg?Size=40x30")), 40, 30);
        if (!served) std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(served) << "the address is served again once its connections are gone";
}

// A stream viewer that never reads is dropped once its socket has taken no data for a few
// seconds, and its slot goes to a new viewer.
TEST_F(WebServerTest, StreamClientsThatStopReadingFreeTheirSlots) {
    auto p = Settings();
    p.webServer.maxUser = 1;
    p.webServer.maxFrame = 30;
    Start(p, 10000, 640, 480, true);  // camera-sized pictures fill the socket buffers quickly
    int stalled = ConnectLoopback(port, "127.0.0.1", 4096);
    SendAll(stalled, "GET /MotionJpeg HTTP/1.1\r\n\r\n");
    // The admission is logged with the count it makes, under the lock that admits.
    for (int i = 0; i < 200 && !host->Lines().Has("[WebServer] 現在1ユーザが動画を見ています...");
         ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(Body(Get(port, "/MotionJpeg", "127.0.0.2")), Resource(ocv::kResNoticeMaxUsers));
    EXPECT_TRUE(host->Lines().Has(
        "[WebServer] It is over the number of the connection maximum users!", ocv::LOG_WARNING));
    // How long the buffers take to fill depends on the machine's load: the drop is awaited by
    // its log line, then the slot is free (released right after it).
    for (int i = 0; i < 1200 && !host->Lines().Has("[WebServer] Connection timed out."); ++i)
        std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(host->Lines().Has("[WebServer] Connection timed out.", ocv::LOG_DEBUG))
        << host->Lines().Dump();
    bool streamed = false;
    for (int i = 0; i < 20 && !(streamed = Streams("/MotionJpeg", "127.0.0.2")); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(streamed) << host->Lines().Dump();
    ::close(stalled);
}

}  // namespace
