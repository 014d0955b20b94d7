#include "MailTestKit.h"

#include <chrono>

namespace ocv::test {

std::vector<ScriptStep> Then(std::vector<ScriptStep> steps, const std::vector<ScriptStep>& more) {
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

std::thread StopWhen(ScriptServer& server, const char* text, std::shared_ptr<NamedEvent> stop) {
    return std::thread([&server, text, stop] {
        if (*text == '\0') return;
        while (server.Received().find(text) == std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        stop->Set();
    });
}

std::vector<ScriptStep> Pop3Login(const std::string& user, const std::string& pass,
                                  const std::string& last) {
    return {Say("+OK\r\n"), Expect("USER " + user + "\r\n"), Say("+OK\r\n"),
            Expect("PASS " + pass + "\r\n"), Say(last)};
}

std::string ClearTextAfter(const std::string& received, const std::string& command,
                           std::initializer_list<const char*> words) {
    size_t at = received.find(command);
    std::string after = at == std::string::npos ? received : received.substr(at + command.size());
    if (!after.empty() && after.rfind("\x16\x03", 0) != 0) return "not a TLS record: " + after;
    for (const char* word : words)
        if (after.find(word) != std::string::npos) return std::string("in clear: ") + word;
    return "";
}

}  // namespace ocv::test
