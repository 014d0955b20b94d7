// One poll of the mail-command checker against hostile scripted servers: garbage, a broken STAT,
// a server that hangs up or goes silent after +OK, and a sender address with control
// characters. Each ends with a clear log line, no command run where none was sent, no hang.
#include <gtest/gtest.h>

#include <thread>

#include "MailTestKit.h"
#include "mail/MailCommandChecker.h"

namespace ocv {
namespace {

using test::Expect;
using test::Hangup;
using test::Pause;
using test::Say;
using test::ScriptServer;
using test::ScriptStep;
using test::Then;

// The login of user "u", then STAT answered with `stat` and the given steps.
std::vector<ScriptStep> AfterStat(const std::string& stat, std::vector<ScriptStep> more) {
    return test::Then(test::Pop3Login("u", "p"), test::Then({Expect("STAT\r\n"), Say(stat)}, more));
}

SystemInfo Settings(int pop3Port, int smtpPort = 0) {
    SystemInfo s;
    s.pop3Address = s.smtpAddress = "127.0.0.1";
    s.pop3Port = pop3Port;
    s.smtpPort = smtpPort;
    s.pop3User = "u";
    s.pop3Password = "p";
    s.enableReply = smtpPort != 0;
    return s;
}

// Each poll ends with its log line; the silent server's ends on the stop, while the server still
// holds the line.
TEST(MailCommandPoll, HostileServers) {
    const std::string quit = "QUIT\r\n";
    const std::vector<std::string> none, start{"start 1"}, snap{"snap 2"};
    const std::vector<ScriptStep> noReply;
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;
        const char* logLine;
        std::vector<std::string> commands;
        std::vector<ScriptStep> smtp = {};  // a reply server when not empty
        const char* stopWhen = "";          // the stop is set once the server has received this
    };
    const Case cases[] = {
        {"garbage greeting", Then({Say("\x01\x02garbage\r\n"), Expect(quit)}, {Hangup()}),
         "POP3 Unauthorized! [\x01\x02garbage]", none},
        {"garbage STAT", AfterStat("+OK lots\r\n", {Expect(quit), Say("+OK\r\n")}),
         "POP3 STAT command failed![lots]", none},
        {"hang-up after +OK",
         AfterStat("+OK 3 30\r\n",
                   {Expect("TOP 1 0\r\n"), Say("+OK\r\nSubject: ovn start\r\n"), Hangup()}),
         "POP3 Get mail header failed! [Recv Body Failed!]", none},
        {"silent after +OK, stopped",
         AfterStat("+OK 1 30\r\n", {Expect("TOP 1 0\r\n"), Say("+OK\r\n"), Pause(5000)}),
         "POP3 Get mail header failed! [", none, noReply, "TOP 1 0\r\n"},
        {"second message out of step",
         AfterStat(
             "+OK 2 30\r\n",
             {Expect("TOP 1 0\r\n"), Say("+OK\r\nSubject: " + std::string(5000, 'x') + "\r\n.\r\n"),
              Expect("TOP 2 0\r\n"), Say("+OK\r\nSubject: ovn snap 2\r\nFrom: <a@b>\r\n.\r\n"),
              Expect("DELE 2\r\n"), Say("+OK\r\n"), Expect(quit), Say("+OK\r\n")}),
         "POP3 Get mail header failed! [Recv Body Failed!]", snap},
        // The command runs, but no reply goes to an address with control characters.
        {"sender with control characters",
         AfterStat("+OK 1 30\r\n",
                   {Expect("TOP 1 0\r\n"),
                    Say("+OK\r\nSubject: ovn start\r\nFrom: <a\tb@x\x01>\r\n.\r\n"),
                    Expect("DELE 1\r\n"), Say("+OK\r\n"), Expect(quit), Say("+OK\r\n")}),
         "Send mail failed! ",
         start,
         {Say("220 hi\r\n"), Expect("HELO "), Expect("\r\n"), Say("250 ok\r\n"), Expect(quit),
          Say("221 bye\r\n")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptServer server(c.script, 7);
        ScriptServer smtp(c.smtp.empty() ? std::vector<ScriptStep>{Hangup()} : c.smtp, 10);
        test::LogFile log;
        test::RecordingHost host;
        auto stop = NamedEvent::Create("");
        std::thread stopper = test::StopWhen(server, c.stopWhen, stop);
        PollMailCommands(Settings(server.Port(), c.smtp.empty() ? 0 : smtp.Port()), host, log.log,
                         stop);
        if (*c.stopWhen != '\0') EXPECT_FALSE(server.Finished());
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
