#pragma once
// A one-connection TCP server on 127.0.0.1 that plays a scripted dialogue: it sends its lines
// cut into pieces at random points (each piece its own TCP segment) and waits for what the
// client must send. Everything the client sent is kept for the test to inspect.
#include <atomic>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace ocv::test {

struct ScriptStep {
    enum Kind { kSend, kSendWhole, kExpect, kPause, kClose, kHold } kind;
    std::string data;  // bytes to send, or bytes the client must send next
    int pauseMs = 0;
};

inline ScriptStep Say(std::string s) { return {ScriptStep::kSend, std::move(s)}; }
// The bytes in one send(), so that they reach the client together.
inline ScriptStep SayAtOnce(std::string s) { return {ScriptStep::kSendWhole, std::move(s)}; }
inline ScriptStep Expect(std::string s) { return {ScriptStep::kExpect, std::move(s)}; }
inline ScriptStep Pause(int ms) { return {ScriptStep::kPause, {}, ms}; }
inline ScriptStep Hangup() { return {ScriptStep::kClose, {}}; }
// Never answers again: keeps what the client sends until it gives up and closes (10 s at most).
inline ScriptStep Silence() { return {ScriptStep::kHold, {}}; }

class ScriptServer {
public:
    ScriptServer(std::vector<ScriptStep> steps, unsigned seed);
    // Ends the script at once: pauses, holds and waits for the client are cut short.
    ~ScriptServer();
    int Port() const { return port_; }
    // Waits for the script to end (and the client to close, at most a few seconds).
    void Join();
    std::string Received();
    // True once the script has played to its end.
    bool Finished() const { return finished_; }
    // Empty when every expected text arrived in order; else what went wrong.
    std::string Failure();

private:
    void Run();
    void SendSplit(int fd, const std::string& data);
    bool WaitFor(int fd, const std::string& expected);
    // True once `fd` is readable within `ms`; false after it, or when the server is ending.
    bool Ready(int fd, int ms);
    // Keeps what the client sent (waiting up to `ms` for it); false once the client closed.
    bool Collect(int fd, int ms);

    std::vector<ScriptStep> steps_;
    std::mt19937 rng_;
    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::string received_;
    size_t cursor_ = 0;
    std::string failure_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> ending_{false};
};

}  // namespace ocv::test
