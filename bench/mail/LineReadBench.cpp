// Reading POP3-style header lines from a socket: the line socket's block reads against the
// baseline of one recv() call per byte.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "mail/TcpSock.h"

namespace {

constexpr int kLines = 500;

std::string Payload() {
    std::string s;
    for (int i = 0; i < kLines; ++i)
        s += "Received: from host" + std::to_string(i) + ".example.org by mail.example.org\r\n";
    return s;
}

// A connected pair with the payload written into one end; returns the reading end.
int Prepared(const std::string& payload) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return -1;
    int big = 1 << 20;
    ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    ::send(fds[0], payload.data(), payload.size(), MSG_NOSIGNAL);
    ::close(fds[0]);
    return fds[1];
}

void BM_ByteRecvBaseline(benchmark::State& state) {
    const std::string payload = Payload();
    for (auto _ : state) {
        state.PauseTiming();
        int fd = Prepared(payload);
        state.ResumeTiming();
        char line[1024];
        int lines = 0, n = 0;
        char c;
        while (::recv(fd, &c, 1, 0) == 1) {
            if (c == '\r') continue;
            if (c == '\n') {
                line[n] = '\0';
                n = 0;
                ++lines;
                continue;
            }
            if (n < 1023) line[n++] = c;
        }
        benchmark::DoNotOptimize(line);
        if (lines != kLines) state.SkipWithError("lines lost");
        ::close(fd);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload.size()));
}

void BM_TcpSockReceiveLine(benchmark::State& state) {
    const std::string payload = Payload();
    for (auto _ : state) {
        state.PauseTiming();
        ocv::TcpSock sock(Prepared(payload), true);
        state.ResumeTiming();
        char line[1024];
        int lines = 0;
        try {
            for (;;) {
                sock.ReceiveLine(line, sizeof line);
                ++lines;
            }
        } catch (const ocv::WSAException&) {
        }
        benchmark::DoNotOptimize(line);
        if (lines != kLines) state.SkipWithError("lines lost");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload.size()));
}

BENCHMARK(BM_ByteRecvBaseline);
BENCHMARK(BM_TcpSockReceiveLine);

}  // namespace

BENCHMARK_MAIN();
