#pragma once
// Child processes for end-to-end tests: started with their output in files, stopped by signal.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace ocvtest {

// Polls `cond` until it holds or `ms` pass; its last value.
inline bool WaitFor(const std::function<bool()>& cond, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (; !cond(); std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

inline sockaddr_in LoopbackAddress(int port = 0) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A TCP socket bound to a free port of 127.0.0.1 (listening, but never accepting, when `listen`);
// its port in `port`.
inline int LoopbackSocket(int& port, bool listen = false) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = LoopbackAddress();
    socklen_t len = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    if (listen) ::listen(s, 8);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return s;
}

// A port on 127.0.0.1 that nothing listens on at the moment of the call.
inline int FreeLoopbackPort() {
    int port = 0;
    ::close(LoopbackSocket(port));
    return port;
}

class Process {
public:
    // `env` holds "NAME=VALUE" entries set in the child only.
    Process(const std::vector<std::string>& argv, const std::string& outFile,
            const std::string& errFile, const std::vector<std::string>& env = {})
        : out_(outFile), err_(errFile) {
        if ((pid_ = ::fork()) != 0) return;
        ::setpgid(0, 0);
        for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
        ::dup2(::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        ::dup2(::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ~Process() {
        if (pid_ <= 0 || exited_) return;
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    void Signal(int sig) { ::kill(pid_, sig); }
    // Waits up to `ms` for the exit; the exit code, or -1 on time-out, 128+N for a signal.
    int Wait(int ms) {
        int st = 0;
        const bool ended = WaitFor([&] { return ::waitpid(pid_, &st, WNOHANG) == pid_; }, ms);
        if (!ended) return -1;
        exited_ = true;
        return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    }
    std::string Out() const { return Read(out_); }
    std::string Err() const { return Read(err_); }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    std::string out_, err_;
};

// The port a simulator prints once it listens; 0 when it says nothing within 10 s.
inline int ListeningPort(const Process& p) {
    std::string out;
    std::smatch m;
    const std::regex re("127\\.0\\.0\\.1:(\\d+)");
    WaitFor([&] { return std::regex_search(out = p.Out(), m, re); }, 10000);
    return m.empty() ? 0 : std::stoi(m[1].str());
}

}  // namespace ocvtest
