// Web server figures: CPU of one camera's server with 100 stream viewers against the same server
// with 1 viewer, and request rates for still pictures and for a 404 with 16 clients at a time.
// The stills of a 640x480 camera are measured made afresh per request and shared per frame.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <atomic>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "WebTestSupport.h"
#include "config/OcvParam.h"

using namespace ocvtest;

namespace {

double ProcessCpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

struct StreamFigures {
    double cpuPerSecond = 0;    // server process CPU seconds per wall second
    double partsPerClient = 0;  // pictures each viewer received per second
};

// Viewers run in a child process so the server process's CPU time is the server's alone.
StreamFigures MeasureStreams(int port, int clients, double seconds) {
    int ready[2], result[2], quit[2];
    if (::pipe(ready) != 0 || ::pipe(result) != 0 || ::pipe(quit) != 0) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(quit[1]);
        std::vector<int> fds;
        static const char kRequest[] = "GET /MotionJpeg?Quality=80 HTTP/1.1\r\n\r\n";
        for (int i = 0; i < clients; ++i) {
            int fd = ConnectLoopback(port, ClientAddress(i));
            if (fd < 0) ::_exit(1);
            if (::send(fd, kRequest, sizeof kRequest - 1, MSG_NOSIGNAL) < 0) ::_exit(1);
            fds.push_back(fd);
        }
        char c = 1;
        if (::write(ready[1], &c, 1) != 1) ::_exit(1);
        // Read and count part boundaries until the parent writes to `quit`.
        static char buf[1 << 16];
        long long parts = 0;
        std::vector<pollfd> pfds(fds.size() + 1);
        for (size_t i = 0; i < fds.size(); ++i) pfds[i] = {fds[i], POLLIN, 0};
        pfds[fds.size()] = {quit[0], POLLIN, 0};
        for (;;) {
            if (::poll(pfds.data(), pfds.size(), 1000) < 0) break;
            if (pfds[fds.size()].revents) break;
            for (size_t i = 0; i < fds.size(); ++i) {
                if (!(pfds[i].revents & POLLIN)) continue;
                ssize_t n = ::recv(fds[i], buf, sizeof buf, 0);
                for (ssize_t k = 0; k + 12 <= n; ++k)
                    if (buf[k] == '-' && std::memcmp(buf + k, "--myboundary", 12) == 0) ++parts;
            }
        }
        if (::write(result[1], &parts, sizeof parts) != sizeof parts) ::_exit(1);
        ::_exit(0);
    }
    char c;
    if (::read(ready[0], &c, 1) != 1) return {};
    std::this_thread::sleep_for(1s);  // every stream running
    double cpu0 = ProcessCpuSeconds();
    auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    double cpu = ProcessCpuSeconds() - cpu0;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (::write(quit[1], &c, 1) != 1) ::kill(pid, SIGKILL);
    long long parts = 0;
    ssize_t got = ::read(result[0], &parts, sizeof parts);
    ::waitpid(pid, nullptr, 0);
    for (int fd : {ready[0], ready[1], result[0], result[1], quit[0], quit[1]}) ::close(fd);
    StreamFigures f;
    f.cpuPerSecond = cpu / wall;
    // Parts counted from the connect on: the warm-up second plus the measured window.
    if (got == sizeof parts) f.partsPerClient = parts / (wall + 1.0) / clients;
    return f;
}

void BM_StreamCpu100VersusOne(benchmark::State& state) {
    for (auto _ : state) {
        TempDir dir;
        auto host = std::make_shared<TestHost>(640, 480, dir.Path(), true);
        ocv::OcvParam p;
        p.webServer.enable = 1;
        p.webServer.imodeEnable = 1;
        p.webServer.maxFrame = 15;
        p.webServer.maxUser = 200;
        p.webServer.port = 0;
        p.webServer.nicIndex = LoopbackNic();
        ServerRun server(host, p);
        if (!server.Ready()) {
            state.SkipWithError("server did not start");
            return;
        }
        std::string snap = Body(Get(server.Port(), "/SnapJpeg?Quality=80"));
        state.counters["jpeg_bytes"] = static_cast<double>(snap.size());
        StreamFigures one = MeasureStreams(server.Port(), 1, 4.0);
        StreamFigures hundred = MeasureStreams(server.Port(), 100, 4.0);
        state.counters["cpu_1_client"] = one.cpuPerSecond;
        state.counters["cpu_100_clients"] = hundred.cpuPerSecond;
        state.counters["ratio_100_vs_1"] = hundred.cpuPerSecond / one.cpuPerSecond;
        state.counters["fps_per_client_1"] = one.partsPerClient;
        state.counters["fps_per_client_100"] = hundred.partsPerClient;
    }
}

// Requests answered per second with `clients` threads each sending one request after another.
double RequestRate(int port, const std::string& request, int clients, double seconds,
                   const std::string& expectPrefix) {
    std::atomic<long> done{0}, bad{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < clients; ++i)
        threads.emplace_back([&] {
            while (!stop.load()) {
                std::string reply = RawRequest(port, request, 5000);
                if (reply.rfind(expectPrefix, 0) == 0)
                    ++done;
                else
                    ++bad;
            }
        });
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (auto& t : threads) t.join();
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return bad.load() ? -1.0 : done.load() / wall;
}

void BM_RequestRates(benchmark::State& state) {
    for (auto _ : state) {
        TempDir dir;
        auto host = std::make_shared<TestHost>(320, 240, dir.Path(), true);
        ocv::OcvParam p;
        p.webServer.enable = 1;
        p.webServer.imodeEnable = 1;
        p.webServer.port = 0;
        p.webServer.nicIndex = LoopbackNic();
        ServerRun server(host, p);
        if (!server.Ready()) {
            state.SkipWithError("server did not start");
            return;
        }
        double notFound = RequestRate(server.Port(), "GET /nothing HTTP/1.1\r\n\r\n", 16, 3.0,
                                      "HTTP/1.1 404 Not Found\r\n");
        double snap = RequestRate(server.Port(), "GET /SnapJpeg HTTP/1.1\r\n\r\n", 16, 3.0,
                                  "HTTP/1.1 200 Document follows\r\n");
        state.counters["req_per_s_404"] = notFound;
        state.counters["req_per_s_snapjpeg_320x240"] = snap;
        state.counters["ratio_snap_vs_404"] = snap / notFound;
    }
}

// Stills of a 640x480 camera with 16 clients at a time: made afresh for every request (a host
// that cannot number its frames, as every still was made before the shared stills), shared per
// frame, and shared while a stream viewer keeps the streams' encoder running.
void BM_SnapJpeg640(benchmark::State& state) {
    for (auto _ : state) {
        TempDir dir;
        auto host = std::make_shared<TestHost>(640, 480, dir.Path(), true);
        ocv::OcvParam p;
        p.webServer.enable = 1;
        p.webServer.imodeEnable = 1;
        p.webServer.maxFrame = 15;
        p.webServer.port = 0;
        p.webServer.nicIndex = LoopbackNic();
        ServerRun server(host, p);
        if (!server.Ready()) {
            state.SkipWithError("server did not start");
            return;
        }
        const std::string request = "GET /SnapJpeg?Quality=80 HTTP/1.1\r\n\r\n";
        const std::string ok = "HTTP/1.1 200 Document follows\r\n";
        double notFound = RequestRate(server.Port(), "GET /nothing HTTP/1.1\r\n\r\n", 16, 3.0,
                                      "HTTP/1.1 404 Not Found\r\n");
        host->SetNumbered(false);
        double fresh = RequestRate(server.Port(), request, 16, 3.0, ok);
        host->SetNumbered(true);
        double shared = RequestRate(server.Port(), request, 16, 3.0, ok);
        double scaled = RequestRate(
            server.Port(), "GET /SnapJpeg?Quality=80&Size=320x240 HTTP/1.1\r\n\r\n", 16, 3.0, ok);
        double withStream = 0;
        int viewer = ConnectLoopback(server.Port(), "127.0.0.9");
        if (viewer >= 0 && SendAll(viewer, "GET /MotionJpeg?Quality=80 HTTP/1.1\r\n\r\n")) {
            std::atomic<bool> quit{false};
            std::thread reader([&] {
                char buf[1 << 16];
                while (!quit.load()) {
                    pollfd pf{viewer, POLLIN, 0};
                    if (::poll(&pf, 1, 100) > 0 && ::recv(viewer, buf, sizeof buf, 0) <= 0) break;
                }
            });
            std::this_thread::sleep_for(300ms);
            withStream = RequestRate(server.Port(), request, 16, 3.0, ok);
            quit = true;
            reader.join();
        }
        if (viewer >= 0) ::close(viewer);
        state.counters["req_per_s_404"] = notFound;
        state.counters["snap640_fresh_per_s"] = fresh;
        state.counters["snap640_shared_per_s"] = shared;
        state.counters["snap640_to_320_shared_per_s"] = scaled;
        state.counters["snap640_with_stream_per_s"] = withStream;
        state.counters["ratio_shared_vs_fresh"] = shared / fresh;
        state.counters["ratio_with_stream_vs_fresh"] = withStream / fresh;
    }
}

}  // namespace

BENCHMARK(BM_SnapJpeg640)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_StreamCpu100VersusOne)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_RequestRates)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_MAIN();
