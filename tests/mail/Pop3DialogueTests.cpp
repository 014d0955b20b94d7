// The POP3 client and the POP-before-SMTP login against scripted servers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ScriptServer.h"
#include "foundation/Logger.h"
#include "mail/Pop3Client.h"
#include "mail/Pop3Reader.h"
#include "mail/PopBeforeSmtp.h"
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

TEST(Pop3Parse, StatusLinesAndCounts) {
    std::string text;
    EXPECT_TRUE(ParsePop3Status("+OK   3 1200", text));
    EXPECT_EQ(text, "3 1200");
    EXPECT_FALSE(ParsePop3Status("-ERR [AUTH] Authentication failed.", text));
    EXPECT_EQ(text, "[AUTH] Authentication failed.");
    EXPECT_TRUE(ParsePop3Status("+OK", text));
    EXPECT_EQ(text, "+OK");
    EXPECT_FALSE(ParsePop3Status("+O", text));
    EXPECT_EQ(ParsePop3StatCount("3 1200"), 3);
    EXPECT_EQ(ParsePop3StatCount("0 0"), 0);
    EXPECT_EQ(ParsePop3StatCount("12"), -1);
    EXPECT_EQ(ParsePop3StatCount("x 1"), -1);
    EXPECT_EQ(ParsePop3StatCount("99999999999 1"), -1);
}

TEST(Pop3Dialogue, SessionWithSplitReplies) {
    const std::string header =
        "Return-Path: <a@x>\r\nSubject: stop camera 1.\r\n..stuffed\r\nTo: cam@x\r\n";
    for (unsigned seed = 51; seed <= 55; ++seed) {
        ScriptServer server(
            {Say("+OK ready\r\n"), Expect("USER cam\r\n"), Say("+OK\r\n"),
             Expect("PASS s3cret\r\n"), Say("+OK logged in\r\n"), Expect("STAT\r\n"),
             Say("+OK 2 3400\r\n"), Expect("TOP 2 0\r\n"),
             Say("+OK header follows\r\n" + header + ".\r\n"), Expect("DELE 2\r\n"),
             Say("+OK deleted\r\n"), Expect("DELE 9\r\n"), Say("-ERR no such message\r\n"),
             Expect("QUIT\r\n"), Say("+OK bye\r\n")},
            seed);
        CPop3Client pop;
        ASSERT_EQ(pop.Login("localhost", server.Port(), "cam", "s3cret"), 1) << pop.ReplyText();
        EXPECT_EQ(pop.ReplyText(), "logged in");
        EXPECT_EQ(pop.MessageCount(), 2);
        std::string out = "prefix|";
        ASSERT_EQ(pop.GetHeader(2, out), 1) << pop.ReplyText();
        EXPECT_EQ(out, "prefix|" + header + ".\r\n");
        EXPECT_EQ(pop.Delete(2), 1);
        EXPECT_EQ(pop.Delete(9), 0);
        EXPECT_EQ(pop.ReplyText(), "no such message");
        EXPECT_EQ(pop.Logout(), 1);
        EXPECT_EQ(pop.MessageCount(), -1);
        EXPECT_EQ(pop.ReplyText(), "Not logged in POP3 server.");
        server.Join();
        EXPECT_EQ(server.Failure(), "");
    }
}

TEST(Pop3Dialogue, LoginFailures) {
    {
        ScriptServer server(
            {Say("+OK\r\n"), Expect("USER cam\r\n"), Say("+OK\r\n"), Expect("PASS wrong\r\n"),
             Say("-ERR [AUTH] Authentication failed.\r\n"), Expect("QUIT\r\n"), Say("+OK\r\n")},
            61);
        CPop3Client pop;
        EXPECT_EQ(pop.Login("127.0.0.1", server.Port(), "cam", "wrong"), 0);
        EXPECT_EQ(pop.ReplyText(), "[AUTH] Authentication failed.");
        EXPECT_EQ(pop.Logout(), 1);
    }
    {
        ScriptServer server({Say("-ERR busy\r\n"), Expect("QUIT\r\n"), Say("+OK\r\n")}, 62);
        CPop3Client pop;
        EXPECT_EQ(pop.Login("127.0.0.1", server.Port(), "cam", "x"), 0);
        EXPECT_EQ(pop.ReplyText(), "busy");
    }
    {
        CPop3Client pop;
        EXPECT_EQ(pop.Login("no-such-host.invalid", 110, "cam", "x"), 0);
        EXPECT_EQ(pop.ReplyText(), "ERROR: convert server address failed [no-such-host.invalid]");
    }
    {
        ScriptServer server({Say("+OK\r\n"), Expect("USER cam\r\n"), Say("+OK\r\n"),
                             Expect("QUIT\r\n"), Say("+OK\r\n")},
                            63);
        CPop3Client pop;
        EXPECT_EQ(pop.Login("127.0.0.1", server.Port(), "cam", "pw\r\nDELE 1"), 0);
        EXPECT_EQ(pop.ReplyText(), "Send PASS Command Failed!");
    }
}

TEST(Pop3Dialogue, DroppedConnectionsAndSilentServers) {
    {
        // The server drops the connection instead of answering QUIT: still closed.
        ScriptServer server({Say("+OK\r\n"), Expect("USER u\r\n"), Say("+OK\r\n"),
                             Expect("PASS p\r\n"), Say("+OK\r\n"), Expect("QUIT\r\n"), Hangup()},
                            71);
        CPop3Client pop;
        ASSERT_EQ(pop.Login("127.0.0.1", server.Port(), "u", "p"), 1);
        EXPECT_EQ(pop.Logout(), 0);
        EXPECT_FALSE(pop.IsConnected());
    }
    {
        // A TOP reply cut off before its final line.
        ScriptServer server(
            {Say("+OK\r\n"), Expect("USER u\r\n"), Say("+OK\r\n"), Expect("PASS p\r\n"),
             Say("+OK\r\n"), Expect("TOP 1 0\r\n"), Say("+OK\r\nSubject: x\r\n"), Hangup()},
            72);
        CPop3Client pop;
        ASSERT_EQ(pop.Login("127.0.0.1", server.Port(), "u", "p"), 1);
        std::string out;
        EXPECT_EQ(pop.GetHeader(1, out), 0);
        EXPECT_EQ(pop.ReplyText(), "Recv Body Failed!");
    }
    {
        // A server that never answers STAT: the read ends after the bounded time-outs.
        ScriptServer server({Say("+OK\r\n"), Expect("USER u\r\n"), Say("+OK\r\n"),
                             Expect("PASS p\r\n"), Say("+OK\r\n"), Expect("STAT\r\n"), Pause(2000)},
                            73);
        CPop3Client pop;
        pop.SetTimeouts(200, 3);
        ASSERT_EQ(pop.Login("127.0.0.1", server.Port(), "u", "p"), 1);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(pop.MessageCount(), -1);
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
        EXPECT_EQ(pop.ReplyText(), "Recv message failed!");
        EXPECT_GE(ms, 500);
        EXPECT_LT(ms, 1800);
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class LogFile {
public:
    LogFile() {
        char tmpl[] = "/tmp/ocv-mail-log-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        log.SetPath(dir_ + "/log.txt");
        log.SetMessageBox(0);
        log.SetNotify(0);
    }
    ~LogFile() { std::filesystem::remove_all(dir_); }
    std::string Text() const { return ReadFile(dir_ + "/log.txt"); }
    CLogger log;

private:
    std::string dir_;
};

TEST(PopBeforeSmtp, LogsEveryStepAndJudgesUserAndPass) {
    {
        ScriptServer server({Say("-ERR odd greeting\r\n"), Expect("USER u\r\n"), Say("+OK\r\n"),
                             Expect("PASS p\r\n"), Say("+OK welcome\r\n")},
                            81);
        LogFile f;
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", server.Port(), "u", "p", f.log, "Motion"), 1);
        server.Join();
        EXPECT_EQ(server.Failure(), "");
        std::string t = f.Text();
        for (const char* line :
             {"[Motion] Connect to POP3 server...",
              "[Motion] Response from POP3 server [-ERR odd greeting]",
              "[Motion] Send USER command to server...", "[Motion] Send PASS command to server...",
              "[Motion] Response from POP3 server [+OK welcome]", "[Motion] POP3 Authorized!"})
            EXPECT_NE(t.find(line), std::string::npos) << line << "\n" << t;
        EXPECT_EQ(server.Received().find("QUIT"), std::string::npos);  // no QUIT is sent
    }
    {
        ScriptServer server({Say("+OK\r\n"), Expect("USER u\r\n"), Say("-ERR who?\r\n")}, 82);
        LogFile f;
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", server.Port(), "u", "p", f.log, "Live"), 0);
        EXPECT_NE(f.Text().find("[Live] POP3 Unauthorized! [USER]"), std::string::npos);
    }
    {
        ScriptServer server({Say("+OK\r\n"), Expect("USER u\r\n"), Say("+OK\r\n"),
                             Expect("PASS p\r\n"), Say("-ERR no\r\n")},
                            83);
        LogFile f;
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", server.Port(), "u", "p", f.log, "Snap"), 0);
        EXPECT_NE(f.Text().find("[Snap] POP3 Unauthorized! [PASSWORD]"), std::string::npos);
    }
    {
        TcpSock probe;
        probe.Listen("127.0.0.1", 0, 1);
        int port = probe.LocalPort();
        probe.Close();
        LogFile f;
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", port, "u", "p", f.log, "Live"), 0);
        EXPECT_NE(f.Text().find("[Live] POP3 Unauthorized! [Connection refused.]"),
                  std::string::npos)
            << f.Text();
    }
    {
        ScriptServer server({Say("+OK\r\n"), Pause(2000)}, 84);
        auto stop = NamedEvent::Create("");
        LogFile f;
        std::thread setter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            stop->Set();
        });
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", server.Port(), "u", "p", f.log, "Live", stop), 0);
        setter.join();
        EXPECT_NE(f.Text().find("[Live] POP3 Unauthorized! [Interrupted function call.]"),
                  std::string::npos)
            << f.Text();
    }
}

// Servers that break the TLS start, met by the POP3 client and by POP-before-SMTP: each fails
// with the reason (in the log line for POP-before-SMTP), within the configured time-out, and
// after STLS nothing but TLS records leaves the client: no user name, no password, no QUIT.
TEST(Pop3Dialogue, HostileTlsServersGetNothingInClear) {
    const std::string clientHello = "\x16\x03";  // the record header of a TLS handshake
    const std::string garbage = "+OK this is no handshake\r\n" + std::string(300, '\xfe');
    const MailSecurity stls{MAIL_TLS_STARTTLS, true};
    const MailSecurity implicit{MAIL_TLS_IMPLICIT, true};
    struct Row {
        const char* what;
        MailSecurity security;
        std::vector<ScriptStep> steps;
        int timeoutMs;
        const char* reply;  // the POP3 client's ReplyText(), and POP-before-SMTP's log reason
    };
    const Row rows[] = {
        {"garbage instead of a handshake", stls,
         {Say("+OK ready\r\n"), Expect("STLS\r\n"), Say("+OK begin TLS\r\n"), Expect(clientHello),
          Say(garbage), Silence()},
         10000, "TLS handshake failed: wrong version number"},
        {"silence instead of a handshake", stls,
         {Say("+OK ready\r\n"), Expect("STLS\r\n"), Say("+OK begin TLS\r\n"), Silence()}, 300,
         "TLS handshake failed: no answer from the server"},
        {"a reply injected before the handshake", stls,
         {Say("+OK ready\r\n"), Expect("STLS\r\n"), SayAtOnce("+OK begin TLS\r\n+OK injected\r\n"),
          Silence()},
         10000, "TLS refused: the server sent data before the handshake"},
        {"STLS refused", stls,
         {Say("+OK ready\r\n"), Expect("STLS\r\n"), Say("-ERR not now\r\n"), Silence()}, 10000,
         "STLS refused: "},
        {"plain greeting on a POP3S port", implicit,
         {Expect(clientHello), Say(garbage), Silence()}, 10000,
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
        LogFile f;
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", beforeSmtpServer.Port(), "camuser", "s3cret", f.log,
                                "Live", nullptr, row.timeoutMs, row.security),
                  0);
        EXPECT_NE(f.Text().find("[Live] POP3 Unauthorized! [" + std::string(row.reply)),
                  std::string::npos)
            << f.Text();
        for (ScriptServer* server : {&popServer, &beforeSmtpServer}) {
            server->Join();
            EXPECT_EQ(server->Failure(), "");
            std::string got = server->Received();
            size_t stlsAt = got.find("STLS\r\n");
            std::string after = stlsAt == std::string::npos ? got : got.substr(stlsAt + 6);
            EXPECT_TRUE(after.empty() || after.rfind(clientHello, 0) == 0) << after;
            for (const char* clearText : {"USER", "PASS", "QUIT", "STAT", "camuser", "s3cret"})
                EXPECT_EQ(after.find(clearText), std::string::npos) << clearText;
        }
    }
}

}  // namespace
}  // namespace ocv
