#pragma once
// Pieces shared by the mail tests: a log in a file of its own, the scripted POP3 login, and the
// check that nothing but TLS records followed a TLS start.
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PeerProcess.h"
#include "ScriptServer.h"
#include "foundation/Logger.h"
#include "platform/NamedEvent.h"

namespace ocv::test {

// A logger writing into a temporary file, without message box or notification.
class LogFile {
public:
    LogFile() {
        log.SetPath(dir_.Path() + "/log.txt");
        log.SetMessageBox(0);
        log.SetNotify(0);
    }
    std::string Text() const { return ReadWholeFile(dir_.Path() + "/log.txt"); }
    bool Has(const std::string& line) const { return Text().find(line) != std::string::npos; }

private:
    TempDir dir_;

public:
    CLogger log;
};

// `steps` followed by `more`.
std::vector<ScriptStep> Then(std::vector<ScriptStep> steps, const std::vector<ScriptStep>& more);

// A thread that sets `stop` once `server` has received `text` ("" never).
std::thread StopWhen(ScriptServer& server, const char* text, std::shared_ptr<NamedEvent> stop);

// A POP3 greeting and a USER/PASS login accepted; `last` is the reply to PASS.
std::vector<ScriptStep> Pop3Login(const std::string& user, const std::string& pass,
                                  const std::string& last = "+OK\r\n");

// What the client sent after `command` (everything when it never sent it) must be empty or TLS
// records that carry none of `words`: "" when so, else what was wrong.
std::string ClearTextAfter(const std::string& received, const std::string& command,
                           std::initializer_list<const char*> words);

}  // namespace ocv::test
