// The line socket, the SMTP client, the POP3 client, the POP-before-SMTP login and one poll of
// the mail-command checker against scripted servers on loopback whose replies arrive cut at
// random points: lines, time-outs, stops, refusals, hostile servers and failed TLS starts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <sstream>
#include <thread>
#include <tuple>

#include "MailTestKit.h"
#include "mail/MIMEMessage.h"
#include "mail/Pop3Client.h"
#include "mail/Pop3Reader.h"
#include "mail/PopBeforeSmtp.h"
#include "mail/SMTP.h"
#include "mail/TcpSock.h"

namespace ocv {
namespace {

using test::Expect;
using test::Hangup;
using test::Pop3Login;
using test::Say;
using test::ScriptServer;
using test::ScriptStep;
using test::Silence;
using test::StopWhen;
using test::Then;
using Steps = std::vector<ScriptStep>;

const std::string kHello = "\x16\x03";  // the record header of a TLS handshake
const MailSecurity kStls{MAIL_TLS_STARTTLS, true}, kImplicit{MAIL_TLS_IMPLICIT, true}, kNone{};

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

TEST(TcpSock, LinesSplitAtRandomPointsArriveWholeUpToTheLengthBound) {
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
    // An overlong line throws "invalid argument" with the buffer terminated; a line of exactly
    // size - 1 bytes still fits.
    ScriptServer server({Say(std::string(2000, 'x') + "\r\n")}, 3),
        fits({Say(std::string(1023, 'y') + "\n")}, 4);
    TcpSock s, t;
    s.Connect("127.0.0.1", server.Port(), 5000);
    std::string buf(1024, '\0');
    EXPECT_EQ(ErrorOf([&] { s.ReceiveLine(buf.data(), 1024); }),
              std::make_pair(10022, std::string("Invalid argument.")));
    EXPECT_EQ(buf[1023], '\0');
    EXPECT_EQ(std::string(buf.c_str()), std::string(1023, 'x'));
    t.Connect("127.0.0.1", fits.Port(), 5000);
    EXPECT_EQ(Line(t), std::string(1023, 'y'));
}

// Reads: a peer that closes, a silent peer after the allowed time-outs, and a stop while no
// time-out is set each end the read with their own code. TLS starts that fail say why and close
// the connection: what the caller sends next fails instead of going out in clear or finishing
// the handshake that was cut short.
TEST(TcpSock, FailedReadsAndTlsStartsSayWhy) {
    enum Op { kRead, kTls, kReadThenTls };
    const int tlsError = TcpSock::kTlsError;
    const Steps garbage{Expect(kHello), Say("no TLS here\r\n"), Silence()},
        hangUp{Expect(kHello), Hangup()}, silent{Expect(kHello), Silence()},
        injected{test::SayAtOnce("220 go ahead\r\n250 injected\r\n"), Silence()};
    const struct Row {
        const char* what;
        Op op;
        Steps steps;
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
        s.SetTimeoutLimit(2), s.SetConnectTimeout(row.timeoutMs);
        if (row.op == kReadThenTls) {
            EXPECT_EQ(Line(s), "220 go ahead");
        }
        if (row.timeoutMs == 0) stop->Set();
        auto [code, text] = ErrorOf([&] {
            row.op == kRead ? (void)Line(s) : s.StartTls({"127.0.0.1", true});
        });
        EXPECT_EQ(code, row.code);
        EXPECT_EQ(text.rfind(row.error, 0), 0u) << text;
        if (row.op == kRead) continue;
        stop->Reset();
        EXPECT_FALSE(s.IsOpen() || s.IsTls());
        EXPECT_NE(ErrorOf([&] { s.Send("QUIT\r\n"); }).first, 0);
        server.Join();
        std::string got = server.Received();
        EXPECT_EQ(got.rfind(row.op == kTls ? kHello : "", 0), 0u);
        EXPECT_EQ(got.find("QUIT"), std::string::npos);
    }
}

// (Names are resolved on every connect; "localhost" by the real servers' certificate check.)
TEST(TcpSock, ConnectFailures) {
    TcpSock s;
    const struct {
        const char* host;
        int port, code;
    } rows[] = {{"127.0.0.1", test::FreePort(), 10061}, {"no-such-host.invalid", 25, 11001},
                {"127.0.0.1", 0, 10022}};
    for (const auto& row : rows) {
        EXPECT_EQ(ErrorOf([&] { s.Connect(row.host, row.port, 1000); }).first, row.code)
            << row.host;
        EXPECT_FALSE(s.IsOpen());
    }
    EXPECT_EQ(ErrorOf([&] { s.Send("x"); }).first, 10038);
    EXPECT_EQ(s.Send("", 0), 0);
}

std::string HostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return std::string(name).substr(0, 80);
}

// The full exchange is met by the real server (MailServersTests); here the stuffing alone.
TEST(SmtpDialogue, DotStuffing) {
    EXPECT_EQ(DotStuff(".\r\n.a\r\nb.\r\n\r\n.."), "..\r\n..a\r\nb.\r\n\r\n...");
    EXPECT_EQ(DotStuff("x\n.y"), "x\n..y");
}

// Refusals, time-outs, stops and servers that break the TLS start: the call that fails leaves
// its reason, the client is disconnected afterwards, a refused message sends no envelope, and
// after STARTTLS nothing but TLS records leaves the client (no AUTH, no envelope, not even QUIT).
// The ways a handshake fails are the line socket's (above): one of them shows the reason here.
TEST(SmtpDialogue, FailuresLeaveTheirReasonAndNothingInClear) {
    enum Mail { kPlain, kCcOnly, kInjected };
    const Steps quit{Expect("QUIT\r\n"), Say("221 bye\r\n")};
    const ScriptStep mailFrom = Expect("MAIL From: <a@x>\r\n");
    const int kWait = CSMTP::kReceiveTimeoutMs;
    const Steps ehlo{Say("220 smtp.test ESMTP\r\n"), Expect("EHLO " + HostName() + "\r\n")};
    // A two-line greeting, HELO answered with `helo`, then `more`.
    auto greeting = [](const Steps& more, const std::string& helo = "250 smtp.test hello\r\n") {
        return Then({Say("220-smtp.test ESMTP ready\r\n220 second greeting line\r\n"),
                     Expect("HELO " + HostName() + "\r\n"), Say(helo)},
                    more);
    };
    // The EHLO greeting, STARTTLS offered and asked for, then `more`.
    auto asked = [&](const Steps& more) {
        return Then(Then(ehlo, {Say("250-smtp.test\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n"),
                                Expect("STARTTLS\r\n")}),
                    more);
    };
    const struct Row {
        const char* what;
        Steps steps;         // none: nothing listens on the port
        int connect;         // what ConnectServer() returns
        const char* error;   // how LastError() starts after the failed call
        int disconnect;      // what DisconnectServer() returns
        int receiveMs = CSMTP::kReceiveTimeoutMs;
        MailSecurity security = {};
        Mail mail = kPlain;
        const char* stopWhen = "";
    } rows[] = {
        {"greeting refused", {Say("554 go away\r\n"), Hangup()}, 0, "Server didn't respond.", 1},
        {"HELO refused", greeting({}, "501 bad helo\r\n"), 0, "501:SMTP server error", 1},
        {"DATA refused; QUIT still goes out",
         greeting(Then({mailFrom, Say("250 ok\r\n"), Expect("RCPT TO: <b@x>\r\n"),
                        Say("250 ok\r\n"), Expect("DATA\r\n"), Say("451 local error\r\n")},
                       quit)),
         1, "451:SMTP server not ready for data", 1},
        {"stopped while MAIL waits", greeting({mailFrom, Silence()}), 1,
         "Socket Error! error code=0x2714", 0, kWait, kNone, kPlain, "MAIL From"},
        {"only a Cc recipient", greeting(quit), 1, "No Recipients", 1, kWait, kNone, kCcOnly},
        {"a sender with a line break", greeting(quit), 1, "Invalid address", 1, kWait, kNone,
         kInjected},
        {"nothing listens", {}, 0, "Unable to connect to server", 1},
        {"garbage instead of a handshake",
         asked({Say("220 go ahead\r\n"), Expect(kHello),
                Say("250 this is no handshake\r\n" + std::string(300, '\xfe')), Silence()}),
         0, "TLS handshake failed: wrong version number", 1, kWait, kStls},
        {"STARTTLS refused", asked({Say("454 4.7.0 TLS not available\r\n"), Silence()}), 0,
         "STARTTLS refused: 454 4.7.0 TLS not available", 1, kWait, kStls},
        {"STARTTLS never answered", asked({Silence()}), 0,
         "STARTTLS refused: Socket Error! error code=0x274C", 1, 300, kStls},
        {"STARTTLS not offered",
         Then(ehlo, {Say("250-smtp.test\r\n250 AUTH PLAIN\r\n"), Silence()}), 0,
         "STARTTLS refused: the server does not offer it", 1, kWait, kStls},
    };
    unsigned seed = 20;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer server(row.steps, ++seed);
        auto stop = NamedEvent::Create("");
        CSMTP smtp("127.0.0.1", row.steps.empty() ? test::FreePort() : server.Port());
        smtp.SetStopEvent(stop), smtp.SetSecurity(row.security);
        if (row.security.tlsMode != MAIL_TLS_NONE)
            smtp.SetLogin({"camuser", "s3cret", SMTP_AUTH_OFFERED});
        smtp.SetTimeouts(1000, 1000, row.receiveMs);
        CMailMessage m;
        m.SetFrom(row.mail == kInjected ? "a@x>\r\nRCPT TO: <victim@x" : "a@x");
        m.AddRecipient("b@x", "", row.mail == kCcOnly ? CMailMessage::CC : CMailMessage::TO);
        std::thread stopper = StopWhen(server, row.stopWhen, stop);
        EXPECT_EQ(smtp.ConnectServer(), row.connect);
        std::string error = smtp.LastError();
        EXPECT_EQ(smtp.Send(m), 0);
        stopper.join();
        if (row.connect == 1) error = smtp.LastError();
        EXPECT_EQ(error.rfind(row.error, 0), 0u) << error;
        EXPECT_EQ(smtp.DisconnectServer(), row.disconnect);
        EXPECT_FALSE(smtp.IsConnected());
        if (row.steps.empty()) continue;
        server.Join();
        EXPECT_EQ(server.Failure(), "");
        std::string got = server.Received();
        if (row.mail != kPlain || row.connect == 0) {
            EXPECT_EQ(got.find("MAIL"), std::string::npos);
        }
        if (got.find("STARTTLS\r\n") != std::string::npos) {
            EXPECT_EQ(test::ClearTextAfter(got, "STARTTLS\r\n",
                                           {"AUTH", "EHLO", "QUIT", "AGNhbXVzZXIAczNjcmV0"}),
                      "");
        }
    }
}

TEST(Pop3Parse, StatusLinesAndCounts) {
    const std::tuple<const char*, bool, const char*> statuses[] = {
        {"+OK   3 1200", true, "3 1200"},
        {"-ERR [AUTH] Authentication failed.", false, "[AUTH] Authentication failed."},
        {"+OK", true, "+OK"}};
    for (const auto& [line, positive, reply] : statuses) {
        std::string text;
        EXPECT_EQ(ParsePop3Status(line, text), positive) << line;
        EXPECT_EQ(text, reply);
    }
    std::string text;
    EXPECT_FALSE(ParsePop3Status("+O", text));
    const std::pair<const char*, int> counts[] = {
        {"3 1200", 3}, {"0 0", 0}, {"12", -1}, {"x 1", -1}, {"99999999999 1", -1}};
    for (const auto& [stat, count] : counts) EXPECT_EQ(ParsePop3StatCount(stat), count) << stat;
}

const std::string kGarbage = "+OK this is no handshake\r\n" + std::string(300, '\xfe');
// A POP3S client's hello answered with a plain greeting.
const Steps kPlainOnPop3s{Expect(kHello), Say(kGarbage), Silence()};

// A greeting and STLS asked for, then `more`.
Steps Stls(const Steps& more) { return Then({Say("+OK ready\r\n"), Expect("STLS\r\n")}, more); }

// After a failed STLS, or on a POP3S port, nothing but TLS records may leave the client.
std::string ClearText(const std::string& received) {
    return test::ClearTextAfter(received, "STLS\r\n", {"USER", "PASS", "QUIT", "STAT", "cam"});
}

// Each failure leaves its reason in ReplyText(); a TLS start that fails (the ways it can are the
// line socket's, above) sends nothing in clear after it. That the client does start TLS after
// STLS is met by the real server (MailServersTests).
TEST(Pop3Dialogue, FailuresEndWithAReason) {
    enum Step { kLogin, kCount, kHeader, kLogout };
    const Steps quit{Expect("QUIT\r\n"), Say("+OK\r\n")};
    const struct Row {
        const char* what;
        Steps steps;
        const char* password;
        Step failing;       // the first call that fails
        const char* reply;  // how ReplyText() starts
        int logout;         // what Logout() returns afterwards
        MailSecurity security = kNone;
    } rows[] = {
        {"wrong password",
         Then(Pop3Login("cam", "wrong", "-ERR [AUTH] Authentication failed.\r\n"), quit), "wrong",
         kLogin, "[AUTH] Authentication failed.", 1},
        {"line break in the password",
         Then({Say("+OK\r\n"), Expect("USER cam\r\n"), Say("+OK\r\n")}, quit), "pw\r\nDELE 1",
         kLogin, "Send PASS Command Failed!", 1},
        {"TOP reply cut off",
         Then(Pop3Login("cam", "p"),
              {Expect("TOP 1 0\r\n"), Say("+OK\r\nSubject: x\r\n"), Hangup()}),
         "p", kHeader, "Recv Body Failed!", 0},
        {"STAT never answered", Then(Pop3Login("cam", "p"), {Expect("STAT\r\n"), Silence()}), "p",
         kCount, "Recv message failed!", 0},
        {"QUIT answered by a hang-up", Then(Pop3Login("cam", "p"), {Expect("QUIT\r\n"), Hangup()}),
         "p", kLogout, "", 0},
        {"STLS refused", Stls({Say("-ERR not now\r\n"), Silence()}), "p", kLogin,
         "STLS refused: ", 0, kStls},
        {"plain greeting on a POP3S port", kPlainOnPop3s, "p", kLogin,
         "TLS handshake failed: wrong version number", 0, kImplicit},
    };
    unsigned seed = 60;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer server(row.steps, ++seed);
        CPop3Client pop;
        pop.SetSecurity(row.security), pop.SetTimeouts(200, 3);
        EXPECT_EQ(pop.Login("127.0.0.1", server.Port(), "cam", row.password),
                  row.failing != kLogin);
        std::string out;
        if (row.failing == kCount) {
            EXPECT_EQ(pop.MessageCount(), -1);
        }
        if (row.failing == kHeader) {
            EXPECT_EQ(pop.GetHeader(1, out), 0);
        }
        if (row.failing != kLogout) {
            EXPECT_EQ(pop.ReplyText().rfind(row.reply, 0), 0u) << pop.ReplyText();
        }
        EXPECT_EQ(pop.Logout(), row.logout);
        EXPECT_FALSE(pop.IsConnected());
        server.Join();
        EXPECT_EQ(server.Failure(), "");
        if (row.security.tlsMode != MAIL_TLS_NONE) {
            EXPECT_EQ(ClearText(server.Received()), "");
        }
    }
    CPop3Client pop;
    EXPECT_EQ(pop.Login("no-such-host.invalid", 110, "cam", "x"), 0);
    EXPECT_EQ(pop.ReplyText(), "ERROR: convert server address failed [no-such-host.invalid]");
}

TEST(PopBeforeSmtp, LogsEveryStepAndJudgesUserAndPass) {
    const Steps user{Say("+OK\r\n"), Expect("USER u\r\n")};
    const std::string refused = "[Live] POP3 Unauthorized! [";
    const struct Row {
        const char* what;
        Steps steps;        // none: nothing listens on the port
        std::string lines;  // the log lines, each ended by "\n"
        int result = 0;
        MailSecurity security = kNone;
        const char* stopWhen = "";  // the stop is set once the server has received this
    } rows[] = {
        {"accepted after an odd greeting",
         {Say("-ERR odd greeting\r\n"), Expect("USER u\r\n"), Say("+OK\r\n"), Expect("PASS p\r\n"),
          Say("+OK welcome\r\n")},
         "[Live] Connect to POP3 server...\n[Live] Response from POP3 server [-ERR odd greeting]\n"
         "[Live] Send USER command to server...\n[Live] Send PASS command to server...\n"
         "[Live] Response from POP3 server [+OK welcome]\n[Live] POP3 Authorized!\n",
         1},
        {"user refused", Then(user, {Say("-ERR who?\r\n")}), refused + "USER]\n"},
        {"connection refused", {}, refused + "Connection refused.]\n"},
        {"stopped", Then(user, {Silence()}), refused + "Interrupted function call.]\n", 0, kNone,
         "USER u\r\n"},
        {"garbage instead of a handshake",
         Stls({Say("+OK begin TLS\r\n"), Expect(kHello), Say(kGarbage), Silence()}),
         refused + "TLS handshake failed: wrong version number\n", 0, kStls},
        {"STLS refused", Stls({Say("-ERR not now\r\n"), Silence()}),
         refused + "STLS refused: -ERR not now]\n", 0, kStls},
        {"plain greeting on a POP3S port", kPlainOnPop3s,
         refused + "TLS handshake failed: wrong version number\n", 0, kImplicit},
    };
    unsigned seed = 80;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer server(row.steps, ++seed);
        int port = row.steps.empty() ? test::FreePort() : server.Port();
        auto stop = NamedEvent::Create("");
        std::thread stopper = StopWhen(server, row.stopWhen, stop);
        test::LogFile f;
        EXPECT_EQ(
            PopBeforeSmtp("127.0.0.1", port, "u", "p", f.log, "Live", stop, 1000, row.security),
            row.result);
        stopper.join();
        std::istringstream lines(row.lines);
        for (std::string line; std::getline(lines, line);)
            EXPECT_TRUE(f.Has(line)) << line << f.Text();
        if (row.steps.empty()) continue;
        server.Join();
        EXPECT_EQ(server.Received().find("QUIT"), std::string::npos);  // no QUIT is sent
        if (row.security.tlsMode != MAIL_TLS_NONE) {
            EXPECT_EQ(ClearText(server.Received()), "");
        }
    }
}

// One poll of the mail-command checker against hostile servers: garbage, a broken STAT, a server
// that goes silent after +OK or answers out of step, and a sender address with control
// characters (a TOP reply cut off is the POP3 client's, above). Each
// poll ends with its log line, no command run where none was sent, no hang; the silent server's
// ends on the stop, while the server still holds the line.
TEST(MailCommandPoll, HostileServers) {
    const std::string quit = "QUIT\r\n";
    const std::vector<std::string> none, start{"start 1"}, snap{"snap 2"};
    // The login of user "u", then STAT answered with `stat` and `more`.
    auto afterStat = [](const std::string& stat, const Steps& more) {
        return Then(Pop3Login("u", "p"), Then({Expect("STAT\r\n"), Say(stat)}, more));
    };
    const struct Case {
        const char* what;
        Steps script;
        const char* logLine;
        std::vector<std::string> commands;
        Steps smtp = {};            // a reply server when not empty
        const char* stopWhen = "";  // the stop is set once the server has received this
    } cases[] = {
        {"garbage greeting", Then({Say("\x01\x02garbage\r\n"), Expect(quit)}, {Hangup()}),
         "POP3 Unauthorized! [\x01\x02garbage]", none},
        {"garbage STAT", afterStat("+OK lots\r\n", {Expect(quit), Say("+OK\r\n")}),
         "POP3 STAT command failed![lots]", none},
        {"silent after +OK, stopped",
         afterStat("+OK 1 30\r\n", {Expect("TOP 1 0\r\n"), Say("+OK\r\n"), test::Pause(5000)}),
         "POP3 Get mail header failed! [", none, {}, "TOP 1 0\r\n"},
        {"second message out of step",
         afterStat(
             "+OK 2 30\r\n",
             {Expect("TOP 1 0\r\n"), Say("+OK\r\nSubject: " + std::string(5000, 'x') + "\r\n.\r\n"),
              Expect("TOP 2 0\r\n"), Say("+OK\r\nSubject: ovn snap 2\r\nFrom: <a@b>\r\n.\r\n"),
              Expect("DELE 2\r\n"), Say("+OK\r\n"), Expect(quit), Say("+OK\r\n")}),
         "POP3 Get mail header failed! [Recv Body Failed!]", snap},
        // The command runs, but no reply goes to an address with control characters.
        {"sender with control characters",
         afterStat("+OK 1 30\r\n",
                   {Expect("TOP 1 0\r\n"),
                    Say("+OK\r\nSubject: ovn start\r\nFrom: <a\tb@x\x01>\r\n.\r\n"),
                    Expect("DELE 1\r\n"), Say("+OK\r\n"), Expect(quit), Say("+OK\r\n")}),
         "Send mail failed! ", start,
         {Say("220 hi\r\n"), Expect("HELO "), Expect("\r\n"), Say("250 ok\r\n"), Expect(quit),
          Say("221 bye\r\n")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptServer server(c.script, 7);
        ScriptServer smtp(c.smtp.empty() ? Steps{Hangup()} : c.smtp, 10);
        SystemInfo s;
        s.pop3Address = s.smtpAddress = "127.0.0.1", s.pop3User = "u", s.pop3Password = "p";
        s.pop3Port = server.Port(), s.smtpPort = c.smtp.empty() ? 0 : smtp.Port();
        s.enableReply = !c.smtp.empty();
        test::LogFile log;
        test::RecordingHost host;
        auto stop = NamedEvent::Create("");
        std::thread stopper = StopWhen(server, c.stopWhen, stop);
        PollMailCommands(s, host, log.log, stop);
        if (*c.stopWhen != '\0') {
            EXPECT_FALSE(server.Finished());
        }
        stopper.join();
        EXPECT_TRUE(log.Has(c.logLine)) << log.Text();
        EXPECT_EQ(host.commands, c.commands);
        if (c.smtp.empty()) continue;
        smtp.Join();
        EXPECT_EQ(smtp.Received().find("RCPT"), std::string::npos) << smtp.Received();
    }
}

}  // namespace
}  // namespace ocv
