// The POP3 client and the POP-before-SMTP login against scripted servers.
#include <gtest/gtest.h>

#include <sstream>
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

const std::string kHello = "\x16\x03";  // the record header of a TLS handshake
const std::string kGarbage = "+OK this is no handshake\r\n" + std::string(300, '\xfe');
const MailSecurity kStls{MAIL_TLS_STARTTLS, true}, kImplicit{MAIL_TLS_IMPLICIT, true}, kNone{};
// A POP3S client's hello answered with a plain greeting.
const std::vector<ScriptStep> kPlainOnPop3s{Expect(kHello), Say(kGarbage), Silence()};

// A greeting and STLS asked for, then `more`.
std::vector<ScriptStep> Stls(std::vector<ScriptStep> more) {
    return Then({Say("+OK ready\r\n"), Expect("STLS\r\n")}, more);
}

// After a failed STLS, or on a POP3S port, nothing but TLS records may leave the client.
std::string ClearText(const std::string& received) {
    return test::ClearTextAfter(received, "STLS\r\n", {"USER", "PASS", "QUIT", "STAT", "cam"});
}

// Each failure leaves its reason in ReplyText(); a TLS start that fails (the ways it can are the
// line socket's, see TcpSockTests) sends nothing in clear after it.
TEST(Pop3Dialogue, FailuresEndWithAReason) {
    enum Step { kLogin, kCount, kHeader, kLogout };
    const std::vector<ScriptStep> quit{Expect("QUIT\r\n"), Say("+OK\r\n")};
    const struct Row {
        const char* what;
        std::vector<ScriptStep> steps;
        const char* password;
        Step failing;       // the first call that fails
        const char* reply;  // how ReplyText() starts
        int logout;         // what Logout() returns afterwards
        MailSecurity security = kNone;
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
        {"garbage instead of a handshake",
         Stls({Say("+OK begin TLS\r\n"), Expect(kHello), Say(kGarbage), Silence()}), "p", kLogin,
         "TLS handshake failed: wrong version number", 0, kStls},
        {"silence instead of a handshake", Stls({Say("+OK begin TLS\r\n"), Silence()}), "p", kLogin,
         "TLS handshake failed: no answer from the server", 0, kStls},
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
        pop.SetSecurity(row.security);
        pop.SetTimeouts(200, 3);
        EXPECT_EQ(pop.Login("127.0.0.1", server.Port(), "cam", row.password),
                  row.failing != kLogin);
        std::string out;
        if (row.failing == kCount) EXPECT_EQ(pop.MessageCount(), -1);
        if (row.failing == kHeader) EXPECT_EQ(pop.GetHeader(1, out), 0);
        if (row.failing != kLogout)
            EXPECT_EQ(pop.ReplyText().rfind(row.reply, 0), 0u) << pop.ReplyText();
        EXPECT_EQ(pop.Logout(), row.logout);
        EXPECT_FALSE(pop.IsConnected());
        server.Join();
        EXPECT_EQ(server.Failure(), "");
        if (row.security.tlsMode != MAIL_TLS_NONE) EXPECT_EQ(ClearText(server.Received()), "");
    }
    CPop3Client pop;
    EXPECT_EQ(pop.Login("no-such-host.invalid", 110, "cam", "x"), 0);
    EXPECT_EQ(pop.ReplyText(), "ERROR: convert server address failed [no-such-host.invalid]");
}

TEST(PopBeforeSmtp, LogsEveryStepAndJudgesUserAndPass) {
    const std::vector<ScriptStep> user{Say("+OK\r\n"), Expect("USER u\r\n")};
    const struct Row {
        const char* what;
        std::vector<ScriptStep> steps;  // none: nothing listens on the port
        std::string lines;              // the log lines, each ended by "\n"
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
        {"user refused", Then(user, {Say("-ERR who?\r\n")}), "[Live] POP3 Unauthorized! [USER]\n"},
        {"password refused", Pop3Login("u", "p", "-ERR no\r\n"),
         "[Live] POP3 Unauthorized! [PASSWORD]\n"},
        {"connection refused", {}, "[Live] POP3 Unauthorized! [Connection refused.]\n"},
        {"stopped", Then(user, {Silence()}),
         "[Live] POP3 Unauthorized! [Interrupted function call.]\n", 0, kNone, "USER u\r\n"},
        {"garbage instead of a handshake",
         Stls({Say("+OK begin TLS\r\n"), Expect(kHello), Say(kGarbage), Silence()}),
         "[Live] POP3 Unauthorized! [TLS handshake failed: wrong version number\n", 0, kStls},
        {"STLS refused", Stls({Say("-ERR not now\r\n"), Silence()}),
         "[Live] POP3 Unauthorized! [STLS refused: -ERR not now]\n", 0, kStls},
        {"plain greeting on a POP3S port", kPlainOnPop3s,
         "[Live] POP3 Unauthorized! [TLS handshake failed: wrong version number\n", 0, kImplicit},
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
        if (row.security.tlsMode != MAIL_TLS_NONE) EXPECT_EQ(ClearText(server.Received()), "");
    }
}

}  // namespace
}  // namespace ocv
