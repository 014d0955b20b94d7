// The web server on loopback, driven with raw requests: what only a running server
// shows (replies on the wire, sessions across requests, lock-outs, shared pictures, connection
// limits, time-outs and stalled viewers). Parsing and routing rules are in NetUnitTest.cpp.
#include <gtest/gtest.h>

#include <array>
#include <latch>

#include "../foundation/TempDir.h"
#include "WebTestSupport.h"
#include "net/ClientLimits.h"
#include "net/WebReplies.h"
#include "net/WebResources.h"

using namespace ocvtest;

namespace {

bool IsJpegOf(const std::string& bytes, int width, int height) {
    ocv::CDibImage img;
    return img.LoadFromMemory(bytes.data(), bytes.size()) && img.Width() == width &&
           img.Height() == height;
}

// The palette colour of a decoded still (its centre pixel), -1 when it is none of them.
int PaletteOf(const std::string& jpeg) {
    ocv::CDibImage img;
    if (!img.LoadFromMemory(jpeg.data(), jpeg.size())) return -1;
    return PaletteAt(img, img.Width() / 2, img.Height() / 2, 40);
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
        std::string header, jpeg;
        bool ok = FirstPart(fd, header, jpeg) && header.find("200  Document follows") == 9;
        ::close(fd);
        return ok;
    }
    TempDir dir;
    std::shared_ptr<TestHost> host;
    std::unique_ptr<ServerRun> server;
    int port = 0;
};

// Requests answered with a fixed reply or closed without one, with the line they log; a client
// that never ends its request is dropped after the request time-out. The viewer page; a phone
// logs in and uses its session number, which belongs to its address; a client that guesses
// session numbers and the stream's password is shut out after ten wrong tries a minute, with one
// warning, while the phone keeps working.
TEST_F(WebServerTest, FixedRepliesSessionsAndLockOutOfGuessingClients) {
    auto p = Settings();
    p.webServer.imodeEnablePassword = p.webServer.enablePassword = 1;
    p.webServer.imodePassword = "Secret";
    p.webServer.password = "Pw";
    p.webServer.imodeQuality = 55;
    p.webServer.imodeSizeW = 176;
    p.webServer.imodeSizeH = 144;
    Start(p, 1000);
    const std::string k404 = "HTTP/1.1 404 Not Found\r\nMIME-Version: 1.0\r\nServer: Ocuvane\r\n"
                             "Content-Type: text/plain\r\nContent-Length: ";
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
    const std::string phone = "127.0.0.2", page = Body(Get(port, "/i?pASS=Secret", phone));
    const std::string tag = "SnapJpeg?Quality=55&Size=176x144&Session=";
    const size_t at = page.find(tag);
    ASSERT_NE(at, std::string::npos) << page;
    const std::string session = page.substr(at + tag.size(), page.find('"', at) - at - tag.size());
    EXPECT_NE(page.find("href=\"i?Session=" + session + "\""), std::string::npos);
    // Pages for an address and a target ("$" the phone's session number), and a text they hold.
    for (auto [from, target, text] : std::vector<std::array<std::string, 3>>{
             {phone, "/i?Pass=secret", ocv::ToShiftJis("認証エラー")},
             {phone, "/i?Session=$", "<title>OVN</title>"},
             {"127.0.0.1", "/i?Session=$", "OVN LOGIN"}}) {
        if (target.back() == '$') target.replace(target.size() - 1, 1, session);
        EXPECT_NE(Body(Get(port, target, from)).find(text), std::string::npos) << target;
    }
    EXPECT_TRUE(
        IsJpegOf(Body(Get(port, "/SnapJpeg?Size=80x60&Session=" + session, phone)), 80, 60));
    EXPECT_EQ(Body(Get(port, "/SnapJpeg?Session=" + session)), "") << "another address's number";

    // Session numbers at the still picture (the phone's own among them) and stream passwords of
    // the right length: a wrong password gets the notice, a wrong number nothing, before the
    // lock-out; during it, everything guarded gets the notice, right credentials too.
    std::string wrong;
    ASSERT_TRUE(ocv::FindWebResource(ocv::kResNoticeWrongPassword, wrong));
    const std::string guesser = "127.0.0.4";
    auto guess = [&](int i) {
        return i % 2 ? "/MotionJpeg?Password=p" + std::to_string(i)
                     : "/SnapJpeg?Session=" + (i == 2 ? session : ocv::FormatSessionNumber(i));
    };
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Body(Get(port, guess(i), guesser)), i % 2 ? wrong : "") << guess(i);
    const std::string warning =
        "[WebServer] Too many wrong passwords or session numbers from 127.0.0.4! Locked out for a "
        "minute.";
    EXPECT_FALSE(host->Lines().Has(warning));
    for (const std::string& target : {guess(10), guess(11), std::string("/i?Pass=Secret"),
                                      std::string("/MotionJpeg?Password=Pw")})
        EXPECT_EQ(Body(Get(port, target, guesser)), wrong) << target;
    EXPECT_EQ(host->Lines().Count(warning, ocv::LOG_WARNING), 1) << host->Lines().Dump();
    EXPECT_NE(Get(port, "/", guesser).find("Java Viewer"), std::string::npos) << "not guarded";
    EXPECT_TRUE(Streams("/MotionJpeg?Password=Pw", phone));
}

// A size that is not honoured (too large to allocate, here) gives the camera's size; the case of
// the path, percent escapes and the order of parameters are pinned by the router and request
// tests. Requests at once (for a camera-sized, textured picture) share one frame copy; frames the
// server cannot number are copied for every request, as they must.
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
        host->SetLost(row.between == Between::Lost);
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
    constexpr int kClients = 16;
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
        for (const auto& body : bodies) EXPECT_TRUE(IsJpegOf(body, 160, 120) && body == bodies[0]);
    }
}

// The stream's header and parts; a still of the stream's quality is the stream's picture. A
// missing adapter, and the port the server holds, stop another server's start. Stopping the
// server ends the running stream and frees the port.
TEST_F(WebServerTest, StreamStillsOfItsQualityStartFailuresAndStop) {
    ocv::OcvParam p = Settings();
    p.webServer.maxFrame = 1;  // one stream picture a second: none is made during the stills
    Start(p);
    EXPECT_EQ(host->State() & ocv::kWebServerRunningBit, ocv::kWebServerRunningBit);
    host->Hold();
    // Quality 0 and a password nobody asked for: streams at the default quality 80.
    int fd = OpenStream("/MotionJpegXYZ?Quality=0&Password=any");
    std::string header, part;
    ASSERT_TRUE(FirstPart(fd, header, part));
    EXPECT_EQ(header,
              "HTTP/1.1 200  Document follows\r\nMIME-Version: 1.0\r\nServer: Ocuvane\r\n"
              "Camera-Name: Gate Camera\r\nContent-Type: multipart/x-mixed-replace; "
              "boundary=--myboundary\r\n");
    EXPECT_TRUE(IsJpegOf(part, 160, 120));
    for (auto [target, copies] : std::vector<std::pair<std::string, uint64_t>>{
             {"/SnapJpeg?Quality=80", 0}, {"/SnapJpeg?Quality=50", 1},
             {"/SnapJpeg?Quality=80&Size=80x60", 1}}) {
        uint64_t before = host->FramesTaken();
        std::string still = Body(Get(port, target));
        EXPECT_EQ(host->FramesTaken() - before, copies) << target;
        EXPECT_EQ(still == part, copies == 0) << target;
    }
    const std::string noNic = "指定されたネットワークデバイスは存在しません";
    for (int nic : {999, LoopbackNic()}) {
        auto other = std::make_shared<TestHost>(160, 120, dir.Path());
        p.webServer.nicIndex = nic;
        p.webServer.port = port;
        EXPECT_FALSE(ServerRun(other, p).Ready());
        const char* line = nic == 999 ? "[WebServer] Get IP address failed!"
                                      : "[WebServer] Bind failed! : [Address already in use.]";
        EXPECT_TRUE(other->Lines().Has(line, ocv::LOG_ERROR)) << other->Lines().Dump();
        EXPECT_EQ(other->Lines().Count("", LogCapture::kBox), nic == 999 ? 1 : 0);
        EXPECT_EQ(other->Lines().Count(noNic, LogCapture::kBox), nic == 999 ? 1 : 0);
        EXPECT_EQ(other->State() & ocv::kWebServerRunningBit, 0u);
    }
    server->Stop();
    ReadAll(fd, 3000);
    char c;
    EXPECT_LE(::recv(fd, &c, 1, MSG_DONTWAIT), 0);
    ::close(fd);
    EXPECT_EQ(host->State() & ocv::kWebServerRunningBit, 0u);
    for (const char* line : {"[WebServer] WWW server initialize...", "[WebServer] Binding...",
                             "[WebServer] Webサーバ停止します・・・"})
        EXPECT_TRUE(host->Lines().Has(line, ocv::LOG_INFORMATION)) << line;
    EXPECT_TRUE(host->Lines().Has("[WebServer] IP address=[127.0.0.1]", ocv::LOG_DEBUG));
    EXPECT_LT(ConnectLoopback(port), 0) << "the port is free again";
}

// One address holding hundreds of idle connections takes only its share: those beyond it are
// closed at once unanswered (a read gives 0), the others wait for their request (nothing to read
// yet); a viewer at another address is served, and the address again once its connections are
// gone.
TEST_F(WebServerTest, OneAddressTakesOnlyItsShareOfConnections) {
    Start(Settings(), 60000);
    std::vector<int> idle(600);
    for (int& fd : idle) ASSERT_GE(fd = ConnectLoopback(port), 0);
    EXPECT_TRUE(IsJpegOf(Body(Get(port, "/SnapJpeg?Size=40x30", "127.0.0.2")), 40, 30));
    const int over = 600 - ocv::CConnectionLimit::kMaxPerAddress;
    auto closed = [&] {
        char c;
        return std::count_if(idle.begin(), idle.end(),
                             [&](int fd) { return ::recv(fd, &c, 1, MSG_DONTWAIT) == 0; });
    };
    WaitUntil([&] { return closed() >= over; });
    EXPECT_EQ(closed(), over);
    EXPECT_EQ(host->Lines().Count("[WebServer] Too many connections from 127.0.0.1! [32]",
                                  ocv::LOG_WARNING),
              1);
    for (int fd : idle) ::close(fd);
    EXPECT_TRUE(
        WaitUntil([&] { return IsJpegOf(Body(Get(port, "/SnapJpeg?Size=40x30")), 40, 30); }))
        << "the address is served again once its connections are gone";
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
    WaitUntil([&] { return host->Lines().Has("[WebServer] 現在1ユーザが動画を見ています..."); });
    std::string full;
    ASSERT_TRUE(ocv::FindWebResource(ocv::kResNoticeMaxUsers, full));
    EXPECT_EQ(Body(Get(port, "/MotionJpeg", "127.0.0.2")), full);
    EXPECT_TRUE(host->Lines().Has(
        "[WebServer] It is over the number of the connection maximum users!", ocv::LOG_WARNING));
    // How long the buffers take to fill depends on the machine's load: the drop is awaited by
    // its log line, then the slot is free (released right after it).
    WaitUntil([&] { return host->Lines().Has("[WebServer] Connection timed out."); }, 60000);
    ASSERT_TRUE(host->Lines().Has("[WebServer] Connection timed out.", ocv::LOG_DEBUG))
        << host->Lines().Dump();
    EXPECT_TRUE(WaitUntil([&] { return Streams("/MotionJpeg", "127.0.0.2"); }, 3000))
        << host->Lines().Dump();
    ::close(stalled);
}

}  // namespace
