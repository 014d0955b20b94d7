#pragma once
// Helpers for tests that start a real server on loopback: a temporary directory, a free port,
// a child process stopped by its pid, and a bounded wait for a listening port.
#include <sys/types.h>

#include <string>
#include <vector>

#include "../foundation/TempDir.h"

namespace ocv::test {

// The tests' temporary directory, with a file writer.
class TempDir : public ::TempDir {
public:
    // Writes `bytes` into the file `name` of the directory and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
};

std::string ReadWholeFile(const std::string& path);
// A port on 127.0.0.1 that nothing listened on a moment ago.
int FreePort();
// True once something listens on 127.0.0.1:port (checked with `ss`), within `seconds`.
bool WaitListening(int port, int seconds);
// Runs a command and returns its standard output.
std::string RunCapture(const std::string& command);

class PeerProcess {
public:
    // Starts argv[0] with the arguments, stdout and stderr into `logPath`.
    PeerProcess(const std::vector<std::string>& argv, const std::string& logPath);
    ~PeerProcess() { Stop(); }
    // SIGTERM, a bounded wait for the exit, then SIGKILL.
    void Stop();

private:
    pid_t pid_ = -1;
};

}  // namespace ocv::test
