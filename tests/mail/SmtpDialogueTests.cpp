// The SMTP client against scripted servers whose replies arrive cut at random points.
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "MailTestKit.h"
#include "mail/MIMEMessage.h"
#include "mail/SMTP.h"
#include "platform/NamedEvent.h"

namespace ocv {
namespace {

using test::Expect;
using test::Hangup;
using test::Say;
using test::ScriptServer;
using test::ScriptStep;
using test::Silence;
using test::Then;

std::string HostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return std::string(name).substr(0, 80);
}

// A two-line greeting, HELO answered with `helo`, then `more`.
std::vector<ScriptStep> Greeting(std::vector<ScriptStep> more = {},
                                 const std::string& helo = "250 smtp.test hello\r\n") {
    return Then({Say("220-smtp.test ESMTP ready\r\n220 second greeting line\r\n"),
                 Expect("HELO " + HostName() + "\r\n"), Say(helo)},
                more);
}

// The full exchange is met by the real server (MailServersTests); here the stuffing alone.
TEST(SmtpDialogue, DotStuffing) {
    EXPECT_EQ(DotStuff(".\r\n.a\r\nb.\r\n\r\n.."), "..\r\n..a\r\nb.\r\n\r\n...");
    EXPECT_EQ(DotStuff("x\n.y"), "x\n..y");
}

// Refusals, time-outs, stops and servers that break the TLS start: the call that fails leaves
// its reason, the client is disconnected afterwards, a refused message sends no envelope, and
// after STARTTLS nothing but TLS records leaves the client (no AUTH, no envelope, not even QUIT).
TEST(SmtpDialogue, FailuresLeaveTheirReasonAndNothingInClear) {
    enum Mail { kPlain, kCcOnly, kInjected };
    const std::vector<ScriptStep> quit{Expect("QUIT\r\n"), Say("221 bye\r\n")};
    const ScriptStep mailFrom = Expect("MAIL From: <a@x>\r\n");
    const MailSecurity stls{MAIL_TLS_STARTTLS, true}, none{};
    const int kWait = CSMTP::kReceiveTimeoutMs;
    const std::vector<ScriptStep> ehlo{Say("220 smtp.test ESMTP\r\n"),
                                       Expect("EHLO " + HostName() + "\r\n")};
    // The EHLO greeting, STARTTLS offered and asked for, then `more`.
    auto asked = [&](const std::vector<ScriptStep>& more) {
        return Then(Then(ehlo, {Say("250-smtp.test\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n"),
                                Expect("STARTTLS\r\n")}),
                    more);
    };
    const struct Row {
        const char* what;
        std::vector<ScriptStep> steps;  // none: nothing listens on the port
        int connect;                    // what ConnectServer() returns
        const char* error;              // how LastError() starts after the failed call
        int disconnect;                 // what DisconnectServer() returns
        int receiveMs = CSMTP::kReceiveTimeoutMs;
        MailSecurity security = {};
        Mail mail = kPlain;
        const char* stopWhen = "";
    } rows[] = {
        {"greeting refused", {Say("554 go away\r\n"), Hangup()}, 0, "Server didn't respond.", 1},
        {"HELO refused", Greeting({}, "501 bad helo\r\n"), 0, "501:SMTP server error", 1},
        {"DATA refused; QUIT still goes out",
         Greeting(Then({mailFrom, Say("250 ok\r\n"), Expect("RCPT TO: <b@x>\r\n"),
                        Say("250 ok\r\n"), Expect("DATA\r\n"), Say("451 local error\r\n")},
                       quit)),
         1, "451:SMTP server not ready for data", 1},
        {"stopped while MAIL waits", Greeting({mailFrom, Silence()}), 1,
         "Socket Error! error code=0x2714", 0, kWait, none, kPlain, "MAIL From"},
        {"only a Cc recipient", Greeting(quit), 1, "No Recipients", 1, kWait, none, kCcOnly},
        {"a sender with a line break", Greeting(quit), 1, "Invalid address", 1, kWait, none,
         kInjected},
        {"nothing listens", {}, 0, "Unable to connect to server", 1},
        {"garbage instead of a handshake",
         asked({Say("220 go ahead\r\n"), Expect("\x16\x03"),
                Say("250 this is no handshake\r\n" + std::string(300, '\xfe')), Silence()}),
         0, "TLS handshake failed: wrong version number", 1, kWait, stls},
        {"silence instead of a handshake", asked({Say("220 go ahead\r\n"), Silence()}), 0,
         "TLS handshake failed: no answer from the server", 1, 300, stls},
        {"STARTTLS refused", asked({Say("454 4.7.0 TLS not available\r\n"), Silence()}), 0,
         "STARTTLS refused: 454 4.7.0 TLS not available", 1, kWait, stls},
        {"STARTTLS never answered", asked({Silence()}), 0,
         "STARTTLS refused: Socket Error! error code=0x274C", 1, 300, stls},
        {"STARTTLS not offered",
         Then(ehlo, {Say("250-smtp.test\r\n250 AUTH PLAIN\r\n"), Silence()}), 0,
         "STARTTLS refused: the server does not offer it", 1, kWait, stls},
    };
    unsigned seed = 20;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer server(row.steps, ++seed);
        auto stop = NamedEvent::Create("");
        CSMTP smtp("127.0.0.1", row.steps.empty() ? test::FreePort() : server.Port());
        smtp.SetStopEvent(stop);
        smtp.SetSecurity(row.security);
        if (row.security.tlsMode != MAIL_TLS_NONE)
            smtp.SetLogin({"camuser", "s3cret", SMTP_AUTH_OFFERED});
        smtp.SetTimeouts(1000, 1000, row.receiveMs);
        CMailMessage m;
        m.SetFrom(row.mail == kInjected ? "a@x>\r\nRCPT TO: <victim@x" : "a@x");
        m.AddRecipient("b@x", "", row.mail == kCcOnly ? CMailMessage::CC : CMailMessage::TO);
        std::thread stopper = test::StopWhen(server, row.stopWhen, stop);
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
        if (row.mail != kPlain || row.connect == 0) EXPECT_EQ(got.find("MAIL"), std::string::npos);
        if (got.find("STARTTLS\r\n") != std::string::npos)
            EXPECT_EQ(test::ClearTextAfter(got, "STARTTLS\r\n",
                                           {"AUTH", "EHLO", "QUIT", "AGNhbXVzZXIAczNjcmV0"}),
                      "");
    }
}

}  // namespace
}  // namespace ocv
