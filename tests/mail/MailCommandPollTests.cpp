// One poll of the mail-command checker against hostile scripted servers: garbage, a broken STAT,
// a server that hangs up or goes silent after +OK, and a sender address with control
// characters. Each ends with a clear log line, no command run where none was sent, no hang.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "PeerProcess.h"
#include "ScriptServer.h"
#include "mail/MailCommandChecker.h"

namespace ocv {
namespace {

using test::Expect;
using test::Hangup;
using test::Pause;
using test::Say;
using test::ScriptServer;

class CountingHost : public IMailCommandHost {
public:
    MailCommandOutcome ExecuteMailCommand(const std::string& word, int cameraNo,
                                          const std::shared_ptr<NamedEvent>&) override {
        commands.push_back(word + " " + std::to_string(cameraNo));
        return {0, {}};
    }
    std::string ExternalAddress(const std::shared_ptr<NamedEvent>&) override { return ""; }
    std::vector<std::string> commands;
};

const std::string kLogin = "+OK\r\n";

TEST(MailCommandPoll, HostileServers) {
    struct Case {
        const char* what;
        std::vector<test::ScriptStep> script;
        const char* logLine;
        size_t commands;
    };
    const std::vector<Case> cases = {
        {"garbage greeting",
         {Say("\x01\x02garbage\r\n"), Expect("QUIT\r\n")},
         "POP3 Unauthorized! [\x01\x02garbage]",
         0},
        {"garbage STAT",
         {Say(kLogin), Expect("USER u\r\n"), Say(kLogin), Expect("PASS p\r\n"), Say(kLogin),
          Expect("STAT\r\n"), Say("+OK lots\r\n"), Expect("QUIT\r\n"), Say(kLogin)},
         "POP3 STAT command failed![lots]",
         0},
        {"hang-up after +OK",
         {Say(kLogin), Expect("USER u\r\n"), Say(kLogin), Expect("PASS p\r\n"), Say(kLogin),
          Expect("STAT\r\n"), Say("+OK 3 30\r\n"), Expect("TOP 1 0\r\n"),
          Say("+OK\r\nSubject: ovn start\r\n"), Hangup()},
         "POP3 Get mail header failed! [Recv Body Failed!]",
         0},
        {"second message out of step",
         {Say(kLogin), Expect("USER u\r\n"), Say(kLogin), Expect("PASS p\r\n"), Say(kLogin),
          Expect("STAT\r\n"), Say("+OK 2 30\r\n"), Expect("TOP 1 0\r\n"),
          Say("+OK\r\nSubject: " + std::string(5000, 'x') + "\r\n.\r\n"), Expect("TOP 2 0\r\n"),
          Say("+OK\r\nSubject: ovn snap 2\r\nFrom: <a@b>\r\n.\r\n"), Expect("DELE 2\r\n"),
          Say(kLogin), Expect("QUIT\r\n"), Say(kLogin)},
         "POP3 Get mail header failed! [Recv Body Failed!]",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptServer server(c.script, 7);
        test::TempDir dir;
        CLogger log;
        log.SetPath(dir.Path() + "/log.txt");
        log.SetMessageBox(0);
        log.SetNotify(0);
        SystemInfo s;
        s.pop3Address = "127.0.0.1";
        s.pop3Port = server.Port();
        s.pop3User = "u";
        s.pop3Password = "p";
        CountingHost host;
        PollMailCommands(s, host, log, NamedEvent::Create(""));
        server.Join();
        std::string text = test::ReadWholeFile(dir.Path() + "/log.txt");
        EXPECT_NE(text.find(c.logLine), std::string::npos) << text;
        EXPECT_EQ(host.commands.size(), c.commands);
    }
}

TEST(MailCommandPoll, SilentServerEndsOnTheStopEvent) {
    ScriptServer server({Say(kLogin), Expect("USER u\r\n"), Say(kLogin), Expect("PASS p\r\n"),
                         Say(kLogin), Expect("STAT\r\n"), Say("+OK 1 30\r\n"),
                         Expect("TOP 1 0\r\n"), Say("+OK\r\n"), Pause(5000)},
                        8);
    SystemInfo s;
    s.pop3Address = "127.0.0.1";
    s.pop3Port = server.Port();
    s.pop3User = "u";
    s.pop3Password = "p";
    CountingHost host;
    CLogger log;
    auto stop = NamedEvent::Create("");
    std::thread stopper([&] {
        // Stops once the server has been asked for the header it never sends.
        while (server.Received().find("TOP 1 0\r\n") == std::string::npos) ::usleep(10000);
        stop->Set();
    });
    PollMailCommands(s, host, log, stop);
    // The poll ended on the stop, while the server was still silent.
    EXPECT_FALSE(server.Finished());
    stopper.join();
    EXPECT_TRUE(host.commands.empty());
}

TEST(MailCommandPoll, NoReplyToASenderWithControlCharacters) {
    ScriptServer pop({Say(kLogin), Expect("USER u\r\n"), Say(kLogin), Expect("PASS p\r\n"),
                      Say(kLogin), Expect("STAT\r\n"), Say("+OK 1 30\r\n"), Expect("TOP 1 0\r\n"),
                      Say("+OK\r\nSubject: ovn start\r\nFrom: <a\tb@x\x01>\r\n.\r\n"),
                      Expect("DELE 1\r\n"), Say(kLogin), Expect("QUIT\r\n"), Say(kLogin)},
                     9);
    ScriptServer smtp({Say("220 hi\r\n"), Expect("HELO "), Expect("\r\n"), Say("250 ok\r\n"),
                       Expect("QUIT\r\n"), Say("221 bye\r\n")},
                      10);
    SystemInfo s;
    s.pop3Address = s.smtpAddress = "127.0.0.1";
    s.pop3Port = pop.Port();
    s.smtpPort = smtp.Port();
    s.pop3User = "u";
    s.pop3Password = "p";
    s.enableReply = 1;
    test::TempDir dir;
    CLogger log;
    log.SetPath(dir.Path() + "/log.txt");
    log.SetMessageBox(0);
    log.SetNotify(0);
    CountingHost host;
    PollMailCommands(s, host, log, NamedEvent::Create(""));
    pop.Join();
    smtp.Join();
    EXPECT_EQ(host.commands, std::vector<std::string>{"start 1"});
    EXPECT_EQ(smtp.Received().find("RCPT"), std::string::npos) << smtp.Received();
    std::string text = test::ReadWholeFile(dir.Path() + "/log.txt");
    EXPECT_NE(text.find("Send mail failed! "), std::string::npos) << text;
}

}  // namespace
}  // namespace ocv
