#pragma once
// Pieces shared by the mail tests: a log in a file of its own, a command host, scripts put
// together, a stop set once a server received a text, the scripted POP3 login, and the check that
// nothing but TLS records followed a TLS start.
#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PeerProcess.h"
#include "ScriptServer.h"
#include "foundation/Logger.h"
#include "mail/MailCommandChecker.h"
#include "platform/NamedEvent.h"

namespace ocv::test {

// A logger writing into a temporary file, without message box or notification.
struct LogFile {
    LogFile() {
        log.SetPath(dir.Path() + "/log.txt");
        log.SetMessageBox(0);
        log.SetNotify(0);
    }
    bool Has(const std::string& line) const { return Text().find(line) != std::string::npos; }
    std::string Text() const { return ReadWholeFile(dir.Path() + "/log.txt"); }
    TempDir dir;
    CLogger log;
};

// The owner side as the mail-command checker sees it: records each command and answers with
// success for cameras 1 and 2 (with the web pages on for camera 2), an error for the others.
struct RecordingHost : IMailCommandHost {
    MailCommandOutcome ExecuteMailCommand(const std::string& word, int cameraNo,
                                          const std::shared_ptr<NamedEvent>&) override {
        commands.push_back(word + " " + std::to_string(cameraNo));
        MailCommandOutcome o;
        o.result = cameraNo == 1 || cameraNo == 2 ? 0 : 1;
        if (cameraNo == 2) o.web = {true, true, true, 8080};
        return o;
    }
    std::string ExternalAddress(const std::shared_ptr<NamedEvent>&) override { return address; }
    std::vector<std::string> commands;
    std::string address = "192.0.3.2";
};

// `steps` followed by `more`.
inline std::vector<ScriptStep> Then(std::vector<ScriptStep> steps,
                                    const std::vector<ScriptStep>& more) {
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

// A thread that sets `stop` once `server` has received `text` ("" never).
inline std::thread StopWhen(ScriptServer& server, const char* text,
                            std::shared_ptr<NamedEvent> stop) {
    return std::thread([&server, text, stop] {
        if (*text == '\0') return;
        while (server.Received().find(text) == std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        stop->Set();
    });
}

// A POP3 greeting and a USER/PASS login accepted; `last` is the reply to PASS.
inline std::vector<ScriptStep> Pop3Login(const std::string& user, const std::string& pass,
                                         const std::string& last = "+OK\r\n") {
    return {Say("+OK\r\n"), Expect("USER " + user + "\r\n"), Say("+OK\r\n"),
            Expect("PASS " + pass + "\r\n"), Say(last)};
}

// What the client sent after `command` (everything when it never sent it) must be empty or TLS
// records that carry none of `words`: "" when so, else what was wrong.
inline std::string ClearTextAfter(const std::string& received, const std::string& command,
                                  std::initializer_list<const char*> words) {
    size_t at = received.find(command);
    std::string after = at == std::string::npos ? received : received.substr(at + command.size());
    if (!after.empty() && after.rfind("\x16\x03", 0) != 0) return "not a TLS record: " + after;
    for (const char* word : words)
        if (after.find(word) != std::string::npos) return std::string("in clear: ") + word;
    return "";
}

}  // namespace ocv::test
