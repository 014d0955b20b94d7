#include "SourceTestSupport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ocv::test {

using Clock = std::chrono::steady_clock;

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (Clock::now() >= deadline) return pred();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TestLog::TestLog() : logger_(std::make_shared<CLogger>()) {
    logger_->SetName("test-camera");
    logger_->SetPath(dir_.File("log.txt"));
    logger_->SetDebug(1);
}

int TestLog::Count(const std::string& text) const {
    static const std::string kRepeated = " ... repeated ";
    std::ifstream in(dir_.File("log.txt"));
    int n = 0;
    for (std::string l; std::getline(in, l);) {
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
    std::ifstream in(dir_.File("log.txt"));
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

Process::Process(const std::vector<std::string>& argv) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    pid_t pid = ::fork();
    if (pid == 0) {
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
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return true;
        }
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
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
    if (pid_ > 0 && ::waitpid(pid_, &status_, WNOHANG) == pid_) pid_ = -1;
    return pid_ > 0;
}

int Process::Stop() {
    if (pid_ <= 0) return status_;
    ::kill(pid_, SIGTERM);
    if (!WaitUntil([&] { return !Running(); }, 3000)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
        pid_ = -1;
    }
    return status_;
}

bool RunToEnd(const std::vector<std::string>& argv, int timeoutMs) {
    Process p(argv);
    if (!WaitUntil([&] { return !p.Running(); }, timeoutMs)) return false;
    int status = p.Stop();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

CamSim::CamSim(std::vector<std::string> args, int port) {
    std::vector<std::string> argv = {std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim", "--port",
                                     std::to_string(port)};
    argv.insert(argv.end(), args.begin(), args.end());
    process_ = std::make_unique<Process>(argv);
    std::string line;
    if (process_->ReadLine(line, 5000) && line.find("listening") != std::string::npos)
        port_ = std::atoi(line.c_str() + line.rfind(':') + 1);
}

namespace {

int ListenOnLoopback(int& port) {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 8) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        port = 0;
        return s;
    }
    port = ntohs(a.sin_port);
    return s;
}

}  // namespace

CannedServer::CannedServer(std::string answer) : answer_(std::move(answer)) {
    fd_ = ListenOnLoopback(port_);
    if (port_ > 0) thread_ = std::thread([this] { Serve(); });
}

CannedServer::~CannedServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (int c : clients_) ::close(c);
    if (fd_ >= 0) ::close(fd_);
}

void CannedServer::Serve() {
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) continue;
        if (answer_.empty()) {
            clients_.push_back(c);
            continue;
        }
        std::string head;
        char buf[1024];
        pollfd cp{c, POLLIN, 0};
        while (head.find("\r\n\r\n") == std::string::npos && ::poll(&cp, 1, 2000) > 0) {
            ssize_t n = ::read(c, buf, sizeof buf);
            if (n <= 0) break;
            head.append(buf, static_cast<size_t>(n));
        }
        (void)!::write(c, answer_.data(), answer_.size());
        ::close(c);
    }
}

int FreePort() {
    int port = 0;
    ::close(ListenOnLoopback(port));
    return port;
}

bool IsListening(int port) {
    std::ifstream in("/proc/net/tcp");
    char want[16];
    std::snprintf(want, sizeof want, ":%04X", port);
    std::string line, sl, local, remote, state;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream(line) >> sl >> local >> remote >> state;
        if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == want)
            return true;
    }
    return false;
}

}  // namespace ocv::test
