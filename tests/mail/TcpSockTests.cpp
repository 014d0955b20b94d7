// The line socket against small servers on loopback: lines split at random points, the length
// bound, a closed peer, time-outs, a stop event, failed TLS starts and connect failures.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "PeerProcess.h"
#include "ScriptServer.h"
#include "mail/HostResolve.h"
#include "mail/TcpSock.h"
#include "platform/NamedEvent.h"

namespace ocv {
namespace {

using test::Expect;
using test::Hangup;
using test::Say;
using test::ScriptServer;
using test::Silence;

std::string Line(TcpSock& s, int size = 1024) {
    std::string buf(static_cast<size_t>(size), '\0');
    int n = s.ReceiveLine(buf.data(), size);
    return buf.substr(0, static_cast<size_t>(n));
}

// The code and the text of what `f` threw ({0, ""} when nothing).
std::pair<int, std::string> ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const WSAException& e) {
        return {e.Code(), e.Text()};
    }
    return {0, ""};
}

TEST(TcpSock, LinesSplitAtRandomPointsArriveWhole) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::string many;
        for (int i = 0; i < 50; ++i) many += "line " + std::to_string(i) + "\r\n";
        ScriptServer server({Say("first\r\nsecond\n\r\nbare\rcr\r\n" + many), Expect("bye\r\n")},
                            seed);
        TcpSock s;
        s.Connect("127.0.0.1", server.Port(), 5000);
        for (const char* line : {"first", "second", "", "barecr"}) EXPECT_EQ(Line(s), line);
        for (int i = 0; i < 50; ++i) EXPECT_EQ(Line(s), "line " + std::to_string(i));
        EXPECT_EQ(s.Send("bye\r\n"), 5);
        s.Close();
        server.Join();
        EXPECT_EQ(server.Failure(), "");
    }
}

TEST(TcpSock, OverlongLineThrowsInvalidArgumentWithTerminatedBuffer) {
    ScriptServer server({Say(std::string(2000, 'x') + "\r\n")}, 3);
    TcpSock s;
    s.Connect("127.0.0.1", server.Port(), 5000);
    std::string buf(1024, '\0');
    EXPECT_EQ(ErrorOf([&] { s.ReceiveLine(buf.data(), 1024); }),
              std::make_pair(10022, std::string("Invalid argument.")));
    EXPECT_EQ(buf[1023], '\0');
    EXPECT_EQ(std::string(buf.c_str()), std::string(1023, 'x'));
    // A line of exactly size - 1 bytes still fits.
    TcpSock t;
    ScriptServer fits({Say(std::string(1023, 'y') + "\n")}, 4);
    t.Connect("127.0.0.1", fits.Port(), 5000);
    EXPECT_EQ(Line(t), std::string(1023, 'y'));
}

// Reads: a peer that closes, a silent peer after the allowed time-outs, and a stop while no
// time-out is set each end the read with their own code. TLS starts that fail say why and close
// the connection: what the caller sends next fails instead of going out in clear or finishing
// the handshake that was cut short.
TEST(TcpSock, FailedReadsAndTlsStartsSayWhy) {
    const std::string hello = "\x16\x03";  // the record header of a TLS handshake
    enum Op { kRead, kTls, kReadThenTls };
    const int tlsError = TcpSock::kTlsError;
    using Steps = std::vector<test::ScriptStep>;
    const Steps garbage{Expect(hello), Say("no TLS here\r\n"), Silence()},
        hangUp{Expect(hello), Hangup()}, silent{Expect(hello), Silence()},
        injected{test::SayAtOnce("220 go ahead\r\n250 injected\r\n"), Silence()};
    const struct Row {
        const char* what;
        Op op;
        std::vector<test::ScriptStep> steps;
        int code;
        const char* error = "";  // how the text of the exception starts
        int timeoutMs = 200;     // 0: none, the stop is set before the call
    } rows[] = {
        {"peer closes", kRead, {Say("partial"), Hangup()}, 10101},
        {"silence", kRead, {Silence()}, 10060},
        {"stopped", kRead, {Silence()}, 10004, "", 0},
        {"garbage instead of a handshake", kTls, garbage, tlsError,
         "TLS handshake failed: wrong version number"},
        {"hang-up instead of a handshake", kTls, hangUp, tlsError,
         "TLS handshake failed: connection closed"},
        {"silence instead of a handshake", kTls, silent, tlsError,
         "TLS handshake failed: no answer from the server"},
        {"handshake stopped", kTls, silent, 10004, "Interrupted function call.", 0},
        {"data after the line read before the handshake", kReadThenTls, injected, tlsError,
         "TLS refused: the server sent data before the handshake"},
    };
    unsigned seed = 5;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer server(row.steps, ++seed);
        auto stop = NamedEvent::Create("");
        TcpSock s;
        s.SetStopEvent(stop);
        s.Connect("127.0.0.1", server.Port(), row.timeoutMs);
        s.SetTimeoutLimit(2);
        s.SetConnectTimeout(row.timeoutMs);
        if (row.op == kReadThenTls) EXPECT_EQ(Line(s), "220 go ahead");
        if (row.timeoutMs == 0) stop->Set();
        auto [code, text] = ErrorOf([&] {
            row.op == kRead ? (void)Line(s) : s.StartTls({"127.0.0.1", true});
        });
        EXPECT_EQ(code, row.code);
        EXPECT_EQ(text.rfind(row.error, 0), 0u) << text;
        if (row.op == kRead) continue;
        stop->Reset();
        EXPECT_FALSE(s.IsOpen());
        EXPECT_FALSE(s.IsTls());
        EXPECT_NE(ErrorOf([&] { s.Send("QUIT\r\n"); }).first, 0);
        server.Join();
        std::string got = server.Received();
        EXPECT_EQ(got.rfind(row.op == kTls ? hello : "", 0), 0u);
        EXPECT_EQ(got.find("QUIT"), std::string::npos);
    }
}

TEST(TcpSock, ConnectFailures) {
    TcpSock s;
    const std::pair<const char*, int> refused[] = {
        {"127.0.0.1", test::FreePort()}, {"no-such-host.invalid", 25}, {"127.0.0.1", 0}};
    const int codes[] = {10061, 11001, 10022};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ErrorOf([&] { s.Connect(refused[i].first, refused[i].second, 1000); }).first,
                  codes[i]);
        EXPECT_FALSE(s.IsOpen());
    }
    EXPECT_EQ(ErrorOf([&] { s.Send("x"); }).first, 10038);
    EXPECT_EQ(s.Send("", 0), 0);

    std::string dotted;
    EXPECT_EQ(ResolveIPv4("10.1.2.3", dotted), 0);
    EXPECT_EQ(dotted, "10.1.2.3");
    EXPECT_EQ(ResolveIPv4("localhost", dotted), 0);
    EXPECT_EQ(dotted, "127.0.0.1");
}

}  // namespace
}  // namespace ocv
