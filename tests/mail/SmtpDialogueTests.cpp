// The SMTP client against scripted servers whose replies arrive cut at random points.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "ScriptServer.h"
#include "mail/MIMEMessage.h"
#include "mail/SMTP.h"
#include "platform/NamedEvent.h"

namespace ocv {
namespace {

using test::Expect;
using test::Hangup;
using test::Pause;
using test::Say;
using test::SayAtOnce;
using test::ScriptServer;
using test::ScriptStep;
using test::Silence;

std::string HostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return std::string(name).substr(0, 80);
}

std::vector<ScriptStep> Greeting() {
    return {Say("220-smtp.test ESMTP ready\r\n220 second greeting line\r\n"),
            Expect("HELO " + HostName() + "\r\n"), Say("250 smtp.test hello\r\n")};
}

TEST(SmtpDialogue, FullExchangeWithRefusedRecipientAndDotStuffing) {
    for (unsigned seed = 11; seed <= 15; ++seed) {
        auto steps = Greeting();
        for (auto s : std::vector<ScriptStep>{
                 Expect("MAIL From: <cam@example.org>\r\n"), Say("250 sender ok\r\n"),
                 Expect("RCPT TO: <one@example.org>\r\n"), Say("250 ok\r\n"),
                 Expect("RCPT TO: <refused@example.org>\r\n"),
                 Say("550-no such user\r\n550 really not\r\n"),
                 Expect("RCPT TO: <copy@example.org>\r\n"), Say("250 ok\r\n"),
                 Expect("RCPT TO: <blind@example.org>\r\n"), Say("250 ok\r\n"), Expect("DATA\r\n"),
                 Say("354 go ahead\r\n"), Expect("\r\n.\r\n"), Say("250 queued as 12345\r\n"),
                 Expect("QUIT\r\n"), Say("221 bye\r\n")})
            steps.push_back(s);
        ScriptServer server(steps, seed);

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
}

TEST(SmtpDialogue, GreetingAndReplyFailures) {
    {
        ScriptServer server({Say("554 go away\r\n"), Hangup()}, 21);
        CSMTP smtp("127.0.0.1", server.Port());
        EXPECT_EQ(smtp.ConnectServer(), 0);
        EXPECT_EQ(smtp.LastError(), "Server didn't respond.");
    }
    {
        auto steps = Greeting();
        steps[2] = Say("501 bad helo\r\n");
        ScriptServer server(steps, 22);
        CSMTP smtp("127.0.0.1", server.Port());
        EXPECT_EQ(smtp.ConnectServer(), 0);
        EXPECT_EQ(smtp.LastError(), "501:SMTP server error");
        EXPECT_FALSE(smtp.IsConnected());
    }
    {
        auto steps = Greeting();
        for (auto s : {Expect("MAIL From: <a@x>\r\n"), Say("250 ok\r\n"),
                       Expect("RCPT TO: <b@x>\r\n"), Say("250 ok\r\n"), Expect("DATA\r\n"),
                       Say("451 local error\r\n"), Expect("QUIT\r\n"), Say("221 bye\r\n")})
            steps.push_back(s);
        ScriptServer server(steps, 23);
        CSMTP smtp("127.0.0.1", server.Port());
        ASSERT_EQ(smtp.ConnectServer(), 1);
        CMailMessage m;
        m.SetFrom("a@x");
        m.AddRecipient("b@x");
        EXPECT_EQ(smtp.Send(m), 0);
        EXPECT_EQ(smtp.LastError(), "451:SMTP server not ready for data");
        // QUIT still goes out after a failed send.
        EXPECT_EQ(smtp.DisconnectServer(), 1);
        server.Join();
        EXPECT_EQ(server.Failure(), "");
    }
    {
        TcpSock probe;
        probe.Listen("127.0.0.1", 0, 1);
        int port = probe.LocalPort();
        probe.Close();
        CSMTP smtp("127.0.0.1", port);
        EXPECT_EQ(smtp.ConnectServer(), 0);
        EXPECT_EQ(smtp.LastError(), "Unable to connect to server");
        CMailMessage m;
        EXPECT_EQ(smtp.Send(m), 0);
        EXPECT_EQ(smtp.LastError(), "Must be connected");
        EXPECT_EQ(smtp.DisconnectServer(), 1);
    }
}

TEST(SmtpDialogue, RefusedMessagesSendNothingMore) {
    auto steps = Greeting();
    steps.push_back(Expect("QUIT\r\n"));
    steps.push_back(Say("221 bye\r\n"));
    ScriptServer server(steps, 31);
    CSMTP smtp("127.0.0.1", server.Port());
    ASSERT_EQ(smtp.ConnectServer(), 1);

    CMailMessage ccOnly;
    ccOnly.SetFrom("a@x");
    ccOnly.AddRecipient("c@x", "", CMailMessage::CC);
    EXPECT_EQ(smtp.Send(ccOnly), 0);
    EXPECT_EQ(smtp.LastError(), "No Recipients");

    CMailMessage injected;
    injected.SetFrom("a@x>\r\nRCPT TO: <victim@x");
    injected.AddRecipient("b@x");
    EXPECT_EQ(smtp.Send(injected), 0);
    EXPECT_EQ(smtp.LastError(), "Invalid address");

    EXPECT_EQ(smtp.DisconnectServer(), 1);
    server.Join();
    EXPECT_EQ(server.Failure(), "");
    std::string got = server.Received();
    EXPECT_EQ(got.find("MAIL"), std::string::npos) << got;
}

TEST(SmtpDialogue, ClosedConnectionAndStopEndTheExchange) {
    {
        auto steps = Greeting();
        steps.push_back(Expect("MAIL From: <a@x>\r\n"));
        steps.push_back(Hangup());
        ScriptServer server(steps, 41);
        CSMTP smtp("127.0.0.1", server.Port());
        ASSERT_EQ(smtp.ConnectServer(), 1);
        CMailMessage m;
        m.SetFrom("a@x");
        m.AddRecipient("b@x");
        EXPECT_EQ(smtp.Send(m), 0);
        EXPECT_EQ(smtp.LastError().rfind("Socket Error! error code=0x", 0), 0u) << smtp.LastError();
        EXPECT_EQ(smtp.DisconnectServer(), 0);
        EXPECT_FALSE(smtp.IsConnected());
    }
    {
        auto steps = Greeting();
        steps.push_back(Expect("DATA\r\n"));  // never answered
        steps.push_back(Pause(2000));
        ScriptServer server(steps, 42);
        auto stop = NamedEvent::Create("");
        CSMTP smtp("127.0.0.1", server.Port());
        smtp.SetStopEvent(stop);
        ASSERT_EQ(smtp.ConnectServer(), 1);
        CMailMessage m;
        m.SetFrom("a@x");
        m.AddRecipient("b@x");
        // The server never answers MAIL From; a stop must end the wait.
        std::thread setter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            stop->Set();
        });
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(smtp.Send(m), 0);
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
        setter.join();
        EXPECT_EQ(smtp.LastError(), "Socket Error! error code=0x2714");
        EXPECT_LT(ms, 1300);
        EXPECT_EQ(smtp.DisconnectServer(), 0);
    }
    {
        auto steps = Greeting();
        steps.push_back(Pause(1500));
        ScriptServer server(steps, 43);
        CSMTP smtp("127.0.0.1", server.Port());
        smtp.SetTimeouts(1000, 1000, 300);
        ASSERT_EQ(smtp.ConnectServer(), 1);
        CMailMessage m;
        m.SetFrom("a@x");
        m.AddRecipient("b@x");
        EXPECT_EQ(smtp.Send(m), 0);
        EXPECT_EQ(smtp.LastError(), "Socket Error! error code=0x274C");  // timed out
    }
}

// Servers that break off in the middle of a submission: each attempt fails with a reason, ends
// within the client's time-out or at the stop, and after STARTTLS nothing but TLS records leaves
// the client (no AUTH, no envelope, not even QUIT).
TEST(SmtpDialogue, HostileSubmissionServersGetNothingInClear) {
    const std::string ehlo = "EHLO " + HostName() + "\r\n";
    const std::string withTls = "250-smtp.test\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n";
    const std::string clientHello = "\x16\x03";  // the record header of a TLS handshake
    const std::string garbage = "250 this is no handshake\r\n" + std::string(300, '\xfe');
    const MailSecurity startTls{MAIL_TLS_STARTTLS, true};
    const MailSecurity clear{MAIL_TLS_NONE, false};
    struct Row {
        const char* what;
        MailSecurity security;
        std::vector<ScriptStep> afterEhlo;
        int timeoutMs;
        const char* stopWhen;  // the stop is set once the server has received this; "" never
        const char* error;     // how LastError() starts
    };
    const Row rows[] = {
        {"garbage instead of a handshake", startTls,
         {Say(withTls), Expect("STARTTLS\r\n"), Say("220 go ahead\r\n"), Expect(clientHello),
          Say(garbage), Silence()},
         10000, "", "TLS handshake failed: wrong version number"},
        {"hang-up instead of a handshake", startTls,
         {Say(withTls), Expect("STARTTLS\r\n"), Say("220 go ahead\r\n"), Expect(clientHello),
          Hangup()},
         10000, "", "TLS handshake failed: connection closed"},
        {"silence instead of a handshake", startTls,
         {Say(withTls), Expect("STARTTLS\r\n"), Say("220 go ahead\r\n"), Expect(clientHello),
          Silence()},
         300, "", "TLS handshake failed: no answer from the server"},
        {"handshake stopped", startTls,
         {Say(withTls), Expect("STARTTLS\r\n"), Say("220 go ahead\r\n"), Silence()},
         60000, "\x16\x03", "Socket Error! error code=0x2714"},
        {"a reply injected before the handshake", startTls,
         {Say(withTls), Expect("STARTTLS\r\n"), SayAtOnce("220 go ahead\r\n250 injected\r\n"),
          Silence()},
         10000, "", "TLS refused: the server sent data before the handshake"},
        {"STARTTLS refused", startTls,
         {Say(withTls), Expect("STARTTLS\r\n"), Say("454 4.7.0 TLS not available\r\n"),
          Silence()},
         10000, "", "STARTTLS refused: 454 4.7.0 TLS not available"},
        {"STARTTLS never answered", startTls,
         {Say(withTls), Expect("STARTTLS\r\n"), Silence()},
         300, "", "STARTTLS refused: Socket Error! error code=0x274C"},
        {"STARTTLS not offered", startTls,
         {Say("250-smtp.test\r\n250 AUTH PLAIN\r\n"), Silence()},
         10000, "", "STARTTLS refused: the server does not offer it"},
        {"AUTH never answered", clear,
         {Say("250-smtp.test\r\n250 AUTH PLAIN\r\n"), Expect("AUTH PLAIN "), Silence()},
         300, "", "AUTH failed: Socket Error! error code=0x274C"},
        {"AUTH never answered, stopped", clear,
         {Say("250-smtp.test\r\n250 AUTH LOGIN\r\n"), Expect("AUTH LOGIN\r\n"), Silence()},
         60000, "AUTH LOGIN\r\n", "AUTH failed: Socket Error! error code=0x2714"},
    };
    unsigned seed = 90;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<ScriptStep> steps{Say("220 smtp.test ESMTP\r\n"), Expect(ehlo)};
        steps.insert(steps.end(), row.afterEhlo.begin(), row.afterEhlo.end());
        ScriptServer server(steps, ++seed);
        auto stop = NamedEvent::Create("");
        CSMTP smtp("127.0.0.1", server.Port());
        smtp.SetStopEvent(stop);
        smtp.SetSecurity(row.security);
        smtp.SetLogin({"camuser", "s3cret", SMTP_AUTH_OFFERED});
        smtp.SetTimeouts(row.timeoutMs, row.timeoutMs, row.timeoutMs);
        std::thread stopper([&] {
            if (*row.stopWhen == '\0') return;
            for (int i = 0; i < 1000; ++i) {
                if (server.Received().find(row.stopWhen) != std::string::npos) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            stop->Set();
        });
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
        size_t startTlsAt = got.find("STARTTLS\r\n");
        if (startTlsAt == std::string::npos) continue;
        std::string after = got.substr(startTlsAt + 10);
        EXPECT_TRUE(after.empty() || after.rfind(clientHello, 0) == 0) << after;
        for (const char* clearText : {"AUTH", "EHLO", "QUIT", "AGNhbXVzZXIAczNjcmV0"})
            EXPECT_EQ(after.find(clearText), std::string::npos) << clearText;
    }
}

TEST(SmtpDialogue, DotStuffing) {
    EXPECT_EQ(DotStuff(".\r\n.a\r\nb.\r\n\r\n.."), "..\r\n..a\r\nb.\r\n\r\n...");
    EXPECT_EQ(DotStuff("x\n.y"), "x\n..y");
    EXPECT_EQ(DotStuff(""), "");
}

}  // namespace
}  // namespace ocv
