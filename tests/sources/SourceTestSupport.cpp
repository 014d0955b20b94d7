#include "SourceTestSupport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace ocv::test {

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) return pred();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TempDir::TempDir() {
    char tmpl[] = "/tmp/ocv-sources-XXXXXX";
    const char* p = ::mkdtemp(tmpl);
    path_ = p ? p : "/tmp";
}

TempDir::~TempDir() {
    std::error_code ec;
    if (path_ != "/tmp") std::filesystem::remove_all(path_, ec);
}

TestLog::TestLog() : logger_(std::make_shared<CLogger>()) {
    logger_->SetName("test-camera");
    logger_->SetPath(dir_.Path() + "/log.txt");
    logger_->SetDebug(1);
}

std::vector<std::string> TestLog::Lines() const {
    std::vector<std::string> out;
    std::ifstream in(dir_.Path() + "/log.txt");
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

int TestLog::Count(const std::string& text) const {
    // A line written once and then counted ("... repeated N times") stands for N more.
    static const std::string kRepeated = " ... repeated ";
    int n = 0;
    for (const std::string& l : Lines()) {
        if (l.find(text) == std::string::npos) continue;
        size_t r = l.rfind(kRepeated);
        n += r == std::string::npos ? 1 : std::atoi(l.c_str() + r + kRepeated.size());
    }
    return n;
}

bool TestLog::WaitFor(const std::string& text, int times, int timeoutMs) const {
    return WaitUntil([&] { return Count(text) >= times; }, timeoutMs);
}

std::string TestLog::Dump() const {
    std::string s;
    for (const std::string& l : Lines()) s += l + "\n";
    return s;
}

Process::Process(const std::vector<std::string>& argv, bool newGroup) : group_(newGroup) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    pid_t pid = ::fork();
    if (pid == 0) {
        if (newGroup) ::setpgid(0, 0);
        ::dup2(fds[1], 1);
        int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) ::dup2(devnull, 0);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    out_ = fds[0];
    pid_ = pid;
}

Process::~Process() {
    Stop();
    if (out_ >= 0) ::close(out_);
}

bool Process::ReadLine(std::string& line, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0 || out_ < 0) return false;
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[512];
        ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0) return false;
        buffer_.append(buf, static_cast<size_t>(n));
    }
}

bool Process::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

int Process::Stop() {
    if (pid_ <= 0) return -1;
    ::kill(group_ ? -pid_ : pid_, SIGTERM);
    int status = -1;
    for (int i = 0; i < 300; ++i) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(group_ ? -pid_ : pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
}

std::string CamSimPath() { return std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim"; }

CamSim::CamSim(std::vector<std::string> args, int port) {
    std::vector<std::string> argv = {CamSimPath(), "--port", std::to_string(port)};
    argv.insert(argv.end(), args.begin(), args.end());
    process_ = std::make_unique<Process>(argv);
    std::string line;
    if (process_->ReadLine(line, 5000)) {
        size_t colon = line.rfind(':');
        if (line.find("listening") != std::string::npos && colon != std::string::npos) {
            port_ = std::atoi(line.c_str() + colon + 1);
        }
    }
}

std::string CamSim::Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

int FreePort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    int port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

bool IsListening(int port) {
    std::ifstream in("/proc/net/tcp");
    std::string line;
    char want[16];
    std::snprintf(want, sizeof want, ":%04X", port);
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string sl, local, remote, state;
        ls >> sl >> local >> remote >> state;
        if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == want) {
            return true;
        }
    }
    return false;
}

}  // namespace ocv::test
