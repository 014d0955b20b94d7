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
    void Join() { if (thread_.joinable()) thread_.join(); }
    std::string Received() { std::lock_guard lock(mutex_); return received_; }
    // True once the script has played to its end.
    bool Finished() const { return finished_; }
    // Empty when every expected text arrived in order; else what went wrong.
    std::string Failure() { std::lock_guard lock(mutex_); return failure_; }

private:
    void Run();
    // True once `fd` is readable within `ms`; false after it, or when the server is ending.
    bool Ready(int fd, int ms);
    // Keeps what the client sent (waiting up to `ms` for it); false once the client closed.
    bool Collect(int fd, int ms);

    std::vector<ScriptStep> steps_;
    std::mt19937 rng_;
    int listenFd_ = -1, port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::string received_, failure_;
    std::atomic<bool> finished_{false}, ending_{false};
};

}  // namespace ocv::test
