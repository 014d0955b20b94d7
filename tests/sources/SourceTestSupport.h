#pragma once
// Helpers of the camera-source tests: real peer processes on loopback, a log channel written to
// a temporary file, a frame counter and bounded waits.
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/CamSource.h"
#include "foundation/Logger.h"

namespace ocv::test {

// Polls `pred` every 20 ms until it is true or `timeoutMs` passes; returns its last value.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs);

// A temporary directory removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A log channel writing into a file of a temporary directory, with the lines readable.
class TestLog {
public:
    TestLog();
    std::shared_ptr<CLogger> Logger() const { return logger_; }
    std::vector<std::string> Lines() const;
    // Lines containing `text`.
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
};

// A child process with its standard output on a pipe; stopped with SIGTERM (then SIGKILL)
// when destroyed.
class Process {
public:
    explicit Process(const std::vector<std::string>& argv, bool newGroup = false);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    // Reads one line of standard output within the time; false at its end or on time-out.
    bool ReadLine(std::string& line, int timeoutMs);
    // SIGTERM, bounded wait, SIGKILL. Returns the exit status as waitpid gives it (-1 if none).
    int Stop();
    bool Running();
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool group_ = false;
    std::string buffer_;
};

// ocv-camsim on a free port of 127.0.0.1.
class CamSim {
public:
    explicit CamSim(std::vector<std::string> args, int port = 0);
    bool Ok() const { return port_ > 0; }
    int Port() const { return port_; }
    std::string Base() const;  // "http://127.0.0.1:PORT"
    int Stop() { return process_->Stop(); }

private:
    std::unique_ptr<Process> process_;
    int port_ = 0;
};

std::string CamSimPath();
// A port that nothing listens on at the moment of the call.
int FreePort();
// True once something listens on 127.0.0.1:port.
bool IsListening(int port);

}  // namespace ocv::test
