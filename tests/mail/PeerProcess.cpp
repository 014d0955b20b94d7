#include "PeerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "mail/TcpSock.h"

namespace ocv::test {

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
    return File(name);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

int FreePort() {
    TcpSock probe;
    probe.Listen("127.0.0.1", 0, 1);
    return probe.LocalPort();
}

bool WaitListening(int port, int seconds) {
    std::string cmd = "ss -Hltn 'sport = :" + std::to_string(port) + "' | grep -q LISTEN";
    for (int i = 0; i < seconds * 10; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
        if (std::system(cmd.c_str()) == 0) return true;
    return false;
}

std::string RunCapture(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    if (p) ::pclose(p);
    return out;
}

PeerProcess::PeerProcess(const std::vector<std::string>& argv, const std::string& logPath) {
    pid_ = ::fork();
    if (pid_ != 0) return;
    int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

void PeerProcess::Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int waits = 0;
    while (::waitpid(pid_, nullptr, WNOHANG) != pid_ && ++waits < 100)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (waits == 100) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

}  // namespace ocv::test
