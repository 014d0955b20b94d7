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
using test::SayAtOnce;
using test::ScriptServer;
using test::ScriptStep;
using test::Silence;
using test::StopWhen;

std::string HostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return std::string(name).substr(0, 80);
}

// A two-line greeting, HELO answered with `helo`, then `more`.
std::vector<ScriptStep> Greeting(std::vector<ScriptStep> more = {},
                                 const std::string& helo = "250 smtp.test hello\r\n") {
    return test::Then({Say("220-smtp.test ESMTP ready\r\n220 second greeting line\r\n"),
                       Expect("HELO " + HostName() + "\r\n"), Say(helo)},
                      more);
}

TEST(SmtpDialogue, FullExchangeWithRefusedRecipientAndDotStuffing) {
    for (unsigned seed = 11; seed <= 15; ++seed) {
        ScriptServer server(
            Greeting({Expect("MAIL From: <cam@example.org>\r\n"), Say("250 sender ok\r\n"),
                      Expect("RCPT TO: <one@example.org>\r\n"), Say("250 ok\r\n"),
                      Expect("RCPT TO: <refused@example.org>\r\n"),
                      Say("550-no such user\r\n550 really not\r\n"),
                      Expect("RCPT TO: <copy@example.org>\r\n"), Say("250 ok\r\n"),
                      Expect("RCPT TO: <blind@example.org>\r\n"), Say("250 ok\r\n"),
                      Expect("DATA\r\n"), Say("354 go ahead\r\n"), Expect("\r\n.\r\n"),
                      Say("250 queued as 12345\r\n"), Expect("QUIT\r\n"), Say("221 bye\r\n")}),
            seed);

        CSMTP smtp("127.0.0.1", server.Port());
        EXPECT_EQ(smtp.LastError(), "OK");
        ASSERT_EQ(smtp.ConnectServer(), 1) << smtp.LastError();
        EXPECT_EQ(smtp.ConnectServer(), 1);  // already connected

        CMailMessage m;
        m.SetFrom("cam@example.org");
        m.AddRecipientList("one@example.org;Nobody <refused@example.org>");
        m.AddRecipient("copy@example.org", "", CMailMessage::CC);
        m.AddRecipient("blind@example.org", "", CMailMessage::BCC);
        m.SetSubject("test");
        m.SetBody(".\r\n.hidden line\r\nplain\r\n..two");
        EXPECT_EQ(smtp.Send(m), 1) << smtp.LastError();
        EXPECT_EQ(smtp.DisconnectServer(), 1) << smtp.LastError();
        EXPECT_FALSE(smtp.IsConnected());
        server.Join();
        EXPECT_EQ(server.Failure(), "");

        std::string got = server.Received();
        size_t data = got.find("DATA\r\n");
        ASSERT_NE(data, std::string::npos);
        std::string text = got.substr(data + 6);
        EXPECT_NE(text.find("\r\n\r\n..\r\n..hidden line\r\nplain\r\n...two\r\n\r\n.\r\n"),
                  std::string::npos)
            << text;
        EXPECT_EQ(text.find("blind"), std::string::npos);  // Bcc never in the header
    }
    EXPECT_EQ(DotStuff(".\r\n.a\r\nb.\r\n\r\n.."), "..\r\n..a\r\nb.\r\n\r\n...");
    EXPECT_EQ(DotStuff("x\n.y"), "x\n..y");
}

// Refusals, hang-ups, time-outs and stops: the call that fails leaves its reason, the client is
// disconnected afterwards, and a refused message sends no envelope.
TEST(SmtpDialogue, FailuresLeaveTheirReason) {
    enum Mail { kPlain, kCcOnly, kInjected };
    const std::vector<ScriptStep> quit{Expect("QUIT\r\n"), Say("221 bye\r\n")};
    const std::vector<ScriptStep> mailFrom{Expect("MAIL From: <a@x>\r\n")};
    const struct Row {
        const char* what;
        std::vector<ScriptStep> steps;  // none: nothing listens on the port
        int connect;                    // what ConnectServer() returns
        const char* error;              // how LastError() starts after the failed call
        int disconnect;                 // what DisconnectServer() returns
        Mail mail = kPlain;
        const char* stopWhen = "";
        int receiveMs = CSMTP::kReceiveTimeoutMs;
    } rows[] = {
        {"greeting refused", {Say("554 go away\r\n"), Hangup()}, 0, "Server didn't respond.", 1},
        {"HELO refused", Greeting({}, "501 bad helo\r\n"), 0, "501:SMTP server error", 1},
        {"DATA refused; QUIT still goes out",
         Greeting(test::Then({mailFrom[0], Say("250 ok\r\n"), Expect("RCPT TO: <b@x>\r\n"),
                              Say("250 ok\r\n"), Expect("DATA\r\n"), Say("451 local error\r\n")},
                             quit)),
         1, "451:SMTP server not ready for data", 1},
        {"hang-up after MAIL", Greeting({mailFrom[0], Hangup()}), 1, "Socket Error! error code=0x",
         0},
        {"stopped while MAIL waits", Greeting({mailFrom[0], Silence()}), 1,
         "Socket Error! error code=0x2714", 0, kPlain, "MAIL From"},
        {"MAIL never answered", Greeting({Silence()}), 1, "Socket Error! error code=0x274C", 0,
         kPlain, "", 300},
        {"only a Cc recipient", Greeting(quit), 1, "No Recipients", 1, kCcOnly},
        {"a sender with a line break", Greeting(quit), 1, "Invalid address", 1, kInjected},
        {"nothing listens", {}, 0, "Unable to connect to server", 1},
    };
    unsigned seed = 20;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer server(row.steps, ++seed);
        auto stop = NamedEvent::Create("");
        CSMTP smtp("127.0.0.1", row.steps.empty() ? test::FreePort() : server.Port());
        smtp.SetStopEvent(stop);
        smtp.SetTimeouts(1000, 1000, row.receiveMs);
        CMailMessage m;
        m.SetFrom(row.mail == kInjected ? "a@x>\r\nRCPT TO: <victim@x" : "a@x");
        m.AddRecipient("b@x", "", row.mail == kCcOnly ? CMailMessage::CC : CMailMessage::TO);
        std::thread stopper = StopWhen(server, row.stopWhen, stop);
        EXPECT_EQ(smtp.ConnectServer(), row.connect);
        EXPECT_EQ(smtp.Send(m), 0);
        stopper.join();
        std::string error = smtp.LastError();
        if (row.connect == 0) {
            EXPECT_EQ(error, "Must be connected");
        } else {
            EXPECT_EQ(error.rfind(row.error, 0), 0u) << error;
        }
        EXPECT_EQ(smtp.DisconnectServer(), row.disconnect);
        EXPECT_FALSE(smtp.IsConnected());
        if (row.steps.empty()) continue;
        server.Join();
        EXPECT_EQ(server.Failure(), "");
        if (row.mail != kPlain) EXPECT_EQ(server.Received().find("MAIL"), std::string::npos);
    }
}

// Servers that break off in the middle of a submission: each attempt fails with a reason, ends
// within the client's time-out or at the stop, and after STARTTLS nothing but TLS records leaves
// the client (no AUTH, no envelope, not even QUIT).
TEST(SmtpDialogue, HostileSubmissionServersGetNothingInClear) {
    const std::string withTls = "250-smtp.test\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n";
    const std::string clientHello = "\x16\x03";  // the record header of a TLS handshake
    const std::string garbage = "250 this is no handshake\r\n" + std::string(300, '\xfe');
    const ScriptStep offer = Say(withTls), asked = Expect("STARTTLS\r\n");
    // STARTTLS offered, asked for and agreed to, the client's hello received, then `more`.
    auto agreed = [&](std::vector<ScriptStep> more) {
        return test::Then({offer, asked, Say("220 go ahead\r\n"), Expect(clientHello)}, more);
    };
    struct Row {
        const char* what;
        std::vector<ScriptStep> afterEhlo;
        const char* error;  // how LastError() starts
        int timeoutMs = 10000;
        const char* stopWhen = "";  // the stop is set once the server has received this
        MailSecurity security{MAIL_TLS_STARTTLS, true};
    };
    const MailSecurity clear{MAIL_TLS_NONE, false};
    const Row rows[] = {
        {"garbage instead of a handshake", agreed({Say(garbage), Silence()}),
         "TLS handshake failed: wrong version number"},
        {"hang-up instead of a handshake", agreed({Hangup()}),
         "TLS handshake failed: connection closed"},
        {"silence instead of a handshake", agreed({Silence()}),
         "TLS handshake failed: no answer from the server", 300},
        {"handshake stopped",
         {offer, asked, Say("220 go ahead\r\n"), Silence()},
         "Socket Error! error code=0x2714",
         60000,
         "\x16\x03"},
        {"a reply injected before the handshake",
         {offer, asked, SayAtOnce("220 go ahead\r\n250 injected\r\n"), Silence()},
         "TLS refused: the server sent data before the handshake"},
        {"STARTTLS refused",
         {offer, asked, Say("454 4.7.0 TLS not available\r\n"), Silence()},
         "STARTTLS refused: 454 4.7.0 TLS not available"},
        {"STARTTLS never answered",
         {offer, asked, Silence()},
         "STARTTLS refused: Socket Error! error code=0x274C",
         300},
        {"STARTTLS not offered",
         {Say("250-smtp.test\r\n250 AUTH PLAIN\r\n"), Silence()},
         "STARTTLS refused: the server does not offer it"},
        {"AUTH never answered",
         {Say("250-smtp.test\r\n250 AUTH PLAIN\r\n"), Expect("AUTH PLAIN "), Silence()},
         "AUTH failed: Socket Error! error code=0x274C",
         300,
         "",
         clear},
        {"AUTH never answered, stopped",
         {Say("250-smtp.test\r\n250 AUTH LOGIN\r\n"), Expect("AUTH LOGIN\r\n"), Silence()},
         "AUTH failed: Socket Error! error code=0x2714",
         60000,
         "AUTH LOGIN\r\n",
         clear},
    };
    unsigned seed = 90;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<ScriptStep> steps{Say("220 smtp.test ESMTP\r\n"),
                                      Expect("EHLO " + HostName() + "\r\n")};
        steps.insert(steps.end(), row.afterEhlo.begin(), row.afterEhlo.end());
        ScriptServer server(steps, ++seed);
        auto stop = NamedEvent::Create("");
        CSMTP smtp("127.0.0.1", server.Port());
        smtp.SetStopEvent(stop);
        smtp.SetSecurity(row.security);
        smtp.SetLogin({"camuser", "s3cret", SMTP_AUTH_OFFERED});
        smtp.SetTimeouts(row.timeoutMs, row.timeoutMs, row.timeoutMs);
        std::thread stopper = StopWhen(server, row.stopWhen, stop);
        EXPECT_EQ(smtp.ConnectServer(), 0);
        stopper.join();
        std::string error = smtp.LastError();
        EXPECT_EQ(error.rfind(row.error, 0), 0u) << error;
        EXPECT_FALSE(smtp.IsConnected());

        CMailMessage m;
        m.SetFrom("cam@example.org");
        m.AddRecipient("b@example.org");
        EXPECT_EQ(smtp.Send(m), 0);
        EXPECT_EQ(smtp.DisconnectServer(), 1);
        server.Join();
        EXPECT_EQ(server.Failure(), "");
        std::string got = server.Received();
        EXPECT_EQ(got.find("MAIL"), std::string::npos) << got;
        if (got.find("STARTTLS\r\n") == std::string::npos) continue;
        EXPECT_EQ(test::ClearTextAfter(got, "STARTTLS\r\n",
                                       {"AUTH", "EHLO", "QUIT", "AGNhbXVzZXIAczNjcmV0"}),
                  "");
    }
}

}  // namespace
}  // namespace ocv
