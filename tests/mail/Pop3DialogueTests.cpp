// The POP3 client and the POP-before-SMTP login against scripted servers.
#include <gtest/gtest.h>

#include <thread>

#include "MailTestKit.h"
#include "mail/Pop3Client.h"
#include "mail/Pop3Reader.h"
#include "mail/PopBeforeSmtp.h"
#include "platform/NamedEvent.h"

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

TEST(Pop3Parse, StatusLinesAndCounts) {
    const struct {
        const char* line;
        bool positive;
        const char* text;
    } statuses[] = {{"+OK   3 1200", true, "3 1200"},
                    {"-ERR [AUTH] Authentication failed.", false, "[AUTH] Authentication failed."},
                    {"+OK", true, "+OK"}};
    for (const auto& s : statuses) {
        std::string text;
        EXPECT_EQ(ParsePop3Status(s.line, text), s.positive) << s.line;
        EXPECT_EQ(text, s.text);
    }
    std::string text;
    EXPECT_FALSE(ParsePop3Status("+O", text));
    const std::pair<const char*, int> counts[] = {
        {"3 1200", 3}, {"0 0", 0}, {"12", -1}, {"x 1", -1}, {"99999999999 1", -1}};
    for (const auto& [stat, count] : counts) EXPECT_EQ(ParsePop3StatCount(stat), count) << stat;
}

// Each failure leaves its reason in ReplyText().
TEST(Pop3Dialogue, FailuresEndWithAReason) {
    enum Step { kLogin, kCount, kHeader, kLogout };
    const std::vector<ScriptStep> quit{Expect("QUIT\r\n"), Say("+OK\r\n")};
    const struct Row {
        const char* what;
        std::vector<ScriptStep> steps;
        const char* password;
        Step failing;  // the first call that fails
        const char* reply;
        int logout;  // what Logout() returns afterwards
    } rows[] = {
        {"wrong password",
         Then(Pop3Login("cam", "wrong", "-ERR [AUTH] Authentication failed.\r\n"), quit), "wrong",
         kLogin, "[AUTH] Authentication failed.", 1},
        {"busy greeting", Then({Say("-ERR busy\r\n")}, quit), "x", kLogin, "busy", 1},
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
    };
    unsigned seed = 60;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer server(row.steps, ++seed);
        CPop3Client pop;
        pop.SetTimeouts(200, 3);
        EXPECT_EQ(pop.Login("127.0.0.1", server.Port(), "cam", row.password),
                  row.failing != kLogin);
        std::string out;
        if (row.failing == kCount) EXPECT_EQ(pop.MessageCount(), -1);
        if (row.failing == kHeader) EXPECT_EQ(pop.GetHeader(1, out), 0);
        if (row.failing != kLogout) EXPECT_EQ(pop.ReplyText(), row.reply);
        EXPECT_EQ(pop.Logout(), row.logout);
        EXPECT_FALSE(pop.IsConnected());
        server.Join();
        EXPECT_EQ(server.Failure(), "");
    }
    CPop3Client pop;
    EXPECT_EQ(pop.Login("no-such-host.invalid", 110, "cam", "x"), 0);
    EXPECT_EQ(pop.ReplyText(), "ERROR: convert server address failed [no-such-host.invalid]");
}

TEST(PopBeforeSmtp, LogsEveryStepAndJudgesUserAndPass) {
    const struct Row {
        const char* what;
        std::vector<ScriptStep> steps;  // none: nothing listens on the port
        int result;
        std::vector<const char*> lines;
        const char* stopWhen = "";  // the stop is set once the server has received this
    } rows[] = {
        {"accepted after an odd greeting",
         {Say("-ERR odd greeting\r\n"), Expect("USER u\r\n"), Say("+OK\r\n"), Expect("PASS p\r\n"),
          Say("+OK welcome\r\n")},
         1,
         {"[Live] Connect to POP3 server...",
          "[Live] Response from POP3 server [-ERR odd greeting]",
          "[Live] Send USER command to server...", "[Live] Send PASS command to server...",
          "[Live] Response from POP3 server [+OK welcome]", "[Live] POP3 Authorized!"}},
        {"user refused",
         {Say("+OK\r\n"), Expect("USER u\r\n"), Say("-ERR who?\r\n")},
         0,
         {"[Live] POP3 Unauthorized! [USER]"}},
        {"password refused",
         Pop3Login("u", "p", "-ERR no\r\n"),
         0,
         {"[Live] POP3 Unauthorized! [PASSWORD]"}},
        {"connection refused", {}, 0, {"[Live] POP3 Unauthorized! [Connection refused.]"}},
        {"stopped",
         {Say("+OK\r\n"), Expect("USER u\r\n"), Silence()},
         0,
         {"[Live] POP3 Unauthorized! [Interrupted function call.]"},
         "USER u\r\n"},
    };
    unsigned seed = 80;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer server(row.steps, ++seed);
        int port = row.steps.empty() ? test::FreePort() : server.Port();
        auto stop = NamedEvent::Create("");
        std::thread stopper = StopWhen(server, row.stopWhen, stop);
        test::LogFile f;
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", port, "u", "p", f.log, "Live", stop), row.result);
        stopper.join();
        for (const char* line : row.lines) EXPECT_TRUE(f.Has(line)) << line << "\n" << f.Text();
        if (row.steps.empty()) continue;
        server.Join();
        EXPECT_EQ(server.Received().find("QUIT"), std::string::npos);  // no QUIT is sent
    }
}

// Servers that break the TLS start, met by the POP3 client and by POP-before-SMTP: each fails
// with the reason (in the log line for POP-before-SMTP), within the configured time-out, and
// after STLS nothing but TLS records leaves the client: no user name, no password, no QUIT.
// (The ways a handshake can break are the line socket's; see TcpSockTests.)
TEST(Pop3Dialogue, HostileTlsServersGetNothingInClear) {
    const std::string clientHello = "\x16\x03";  // the record header of a TLS handshake
    const std::string garbage = "+OK this is no handshake\r\n" + std::string(300, '\xfe');
    const MailSecurity stls{MAIL_TLS_STARTTLS, true};
    const MailSecurity implicit{MAIL_TLS_IMPLICIT, true};
    const std::vector<ScriptStep> begin{Say("+OK ready\r\n"), Expect("STLS\r\n")};
    struct Row {
        const char* what;
        MailSecurity security;
        std::vector<ScriptStep> steps;
        int timeoutMs;
        const char* reply;  // the POP3 client's ReplyText(), and POP-before-SMTP's log reason
    };
    const Row rows[] = {
        {"garbage instead of a handshake", stls,
         Then(begin, {Say("+OK begin TLS\r\n"), Expect(clientHello), Say(garbage), Silence()}),
         10000, "TLS handshake failed: wrong version number"},
        {"silence instead of a handshake", stls, Then(begin, {Say("+OK begin TLS\r\n"), Silence()}),
         300, "TLS handshake failed: no answer from the server"},
        {"STLS refused", stls, Then(begin, {Say("-ERR not now\r\n"), Silence()}), 10000,
         "STLS refused: "},
        {"plain greeting on a POP3S port",
         implicit,
         {Expect(clientHello), Say(garbage), Silence()},
         10000,
         "TLS handshake failed: wrong version number"},
    };
    unsigned seed = 190;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer popServer(row.steps, ++seed);
        {
            CPop3Client pop;
            pop.SetSecurity(row.security);
            pop.SetTimeouts(row.timeoutMs, 1);
            EXPECT_EQ(pop.Login("127.0.0.1", popServer.Port(), "camuser", "s3cret"), 0);
            EXPECT_EQ(pop.ReplyText().rfind(row.reply, 0), 0u) << pop.ReplyText();
            EXPECT_FALSE(pop.Usable());
            EXPECT_EQ(pop.MessageCount(), -1);
        }  // the client's logout
        ScriptServer beforeSmtpServer(row.steps, ++seed);
        test::LogFile f;
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", beforeSmtpServer.Port(), "camuser", "s3cret", f.log,
                                "Live", nullptr, row.timeoutMs, row.security),
                  0);
        EXPECT_TRUE(f.Has("[Live] POP3 Unauthorized! [" + std::string(row.reply))) << f.Text();
        for (ScriptServer* server : {&popServer, &beforeSmtpServer}) {
            server->Join();
            EXPECT_EQ(server->Failure(), "");
            EXPECT_EQ(test::ClearTextAfter(server->Received(), "STLS\r\n",
                                           {"USER", "PASS", "QUIT", "STAT", "camuser", "s3cret"}),
                      "");
        }
    }
}

}  // namespace
}  // namespace ocv
