#pragma once
// The program and the simulator as child processes of a benchmark driver, and what /proc says
// about them.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace ocvbench {

inline const std::string kBin = OCV_BINARY_DIR;

inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& out, const std::string& err) {
    pid_t pid = fork();
    if (pid == 0) {
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(o, 1);
        dup2(e, 2);
        std::vector<char*> a;
        for (auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
        a.push_back(nullptr);
        execv(a[0], a.data());
        _exit(127);
    }
    return pid;
}

inline std::string Read(const std::string& path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// User + system CPU seconds so far of the /proc stat file `path` (a process or one thread).
inline double StatCpuSeconds(const std::string& path) {
    std::string stat = Read(path);
    size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream in(stat.substr(close + 2));
    std::string field;
    unsigned long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && in >> field; ++i) {
        if (i == 14) utime = std::stoul(field);
        if (i == 15) stime = std::stoul(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CPU seconds so far of all present threads of a process, from the scheduler's nanosecond
// run-time counts (finer than the clock ticks of the stat file, which matters for an idle
// program); 0 when the process is gone. A thread that ended is no longer counted, so this is
// meant for spans in which the program's threads stay the same.
inline double RunSeconds(pid_t pid) {
    std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    double sum = 0;
    std::error_code ec;
    for (const auto& t : std::filesystem::directory_iterator(tasks, ec)) {
        std::istringstream in(Read(t.path().string() + "/schedstat"));
        unsigned long long ns = 0;
        if (in >> ns) sum += static_cast<double>(ns) / 1e9;
    }
    return sum;
}

// User + system CPU seconds of a process so far.
inline double CpuSeconds(pid_t pid) { return StatCpuSeconds("/proc/" + std::to_string(pid) + "/stat"); }

// The same of one thread of a process.
inline double ThreadCpuSeconds(pid_t pid, pid_t tid) {
    return StatCpuSeconds("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/stat");
}

inline void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    int st;
    waitpid(pid, &st, 0);
}

// A kB figure of /proc/PID/status ("VmRSS", "VmHWM"); 0 when missing.
inline long StatusKb(pid_t pid, const std::string& key) {
    std::istringstream in(Read("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
    return 0;
}

// Starts the simulator with `args` and returns its port ("" when it did not come up).
inline std::string StartCamSim(const std::vector<std::string>& args, const std::string& dir,
                               pid_t& pid) {
    std::vector<std::string> argv{kBin + "/tools/ocv-camsim", "--port", "0"};
    argv.insert(argv.end(), args.begin(), args.end());
    pid = Spawn(argv, dir + "/sim.out", dir + "/sim.err");
    std::smatch m;
    std::string out;
    for (int i = 0; i < 100; ++i) {
        out = Read(dir + "/sim.out");
        if (std::regex_search(out, m, std::regex("127\\.0\\.0\\.1:(\\d+)"))) return m[1].str();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "";
}

// A port on 127.0.0.1 that nothing listens on at the moment of the call.
inline int FreeLoopbackPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

// Polls the file until it holds `text` or `seconds` pass.
inline bool WaitForText(const std::string& path, const std::string& text, int seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (Read(path).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

}  // namespace ocvbench
