#pragma once
// Helpers of the camera-source tests: real peer processes on loopback, a log channel written to
// a temporary file, a frame counter and bounded waits.
#include <sys/types.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../foundation/TempDir.h"
#include "foundation/CamSource.h"
#include "foundation/Logger.h"

namespace ocv::test {

// Polls `pred` every 20 ms until it is true or `timeoutMs` passes; returns its last value.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs);

// A log channel writing into a file of a temporary directory, with the lines readable.
class TestLog {
public:
    TestLog();
    std::shared_ptr<CLogger> Logger() const { return logger_; }
    // Lines containing `text`; a line counted as repeated N times stands for N more.
    int Count(const std::string& text) const;
    bool WaitFor(const std::string& text, int times, int timeoutMs) const;
    std::string Dump() const;

private:
    TempDir dir_;
    std::shared_ptr<CLogger> logger_;
};

// Counts the pictures a source stores.
struct FrameCounter {
    std::atomic<int> frames{0};
    std::shared_ptr<FrameNotifier> notifier =
        std::make_shared<FrameNotifier>([this] { frames.fetch_add(1); });
    bool WaitFrames(int n, int timeoutMs) {
        return WaitUntil([&] { return frames >= n; }, timeoutMs);
    }
};

// A child process with its standard output on a pipe; stopped with SIGTERM (then SIGKILL)
// when destroyed.
class Process {
public:
    explicit Process(const std::vector<std::string>& argv);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    // Reads one line of standard output within the time; false at its end or on time-out.
    bool ReadLine(std::string& line, int timeoutMs);
    // SIGTERM, bounded wait, SIGKILL. Returns the exit status as waitpid gives it (-1 if none).
    int Stop();
    bool Running();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -1;
    std::string buffer_;
};

// Runs a command to its end (at most `timeoutMs`); true when it exited with status 0.
bool RunToEnd(const std::vector<std::string>& argv, int timeoutMs);

// ocv-camsim on a free port of 127.0.0.1 (or on `port`).
class CamSim {
public:
    explicit CamSim(std::vector<std::string> args, int port = 0);
    bool Ok() const { return port_ > 0; }
    int Port() const { return port_; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    int Stop() { return process_->Stop(); }

private:
    std::unique_ptr<Process> process_;
    int port_ = 0;
};

// A loopback TCP server that reads each client's request head, sends it `answer` and closes;
// with an empty answer it accepts and never answers.
class CannedServer {
public:
    explicit CannedServer(std::string answer);
    ~CannedServer();
    int Port() const { return port_; }

private:
    void Serve();
    int fd_ = -1;
    int port_ = 0;
    std::string answer_;
    std::atomic<bool> stop_{false};
    std::vector<int> clients_;
    std::thread thread_;
};

// A port that nothing listens on at the moment of the call.
int FreePort();
// True once something listens on 127.0.0.1:port (read from the kernel's table, so that a peer
// serving only one client does not see a probe).
bool IsListening(int port);

}  // namespace ocv::test
