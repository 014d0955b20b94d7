// Ingest speed of the Motion-JPEG source on a 640x480 stream from ocv-camsim sent as fast as the
// client reads, against ffmpeg reading the same URL on one thread and against bare TurboJPEG
// decoding of the same pictures (measured first and last; the ratios use the mean). Figures:
// pictures per second and CPU seconds per 1,000 pictures; the ratios to the two baselines are
// printed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/NamedEvent.h"
#include "sources/CameraModels.h"
#include "sources/HttpStream.h"
#include "sources/MJpegParser.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 600;

double CpuSeconds(const rusage& r) {
    return r.ru_utime.tv_sec + r.ru_stime.tv_sec + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}
rusage SelfUsage() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r;
}

struct Child {
    pid_t pid = -1;
    int out = -1;
};

Child Spawn(const std::vector<std::string>& argv, bool quiet) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        if (quiet) dup2(devnull, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    return {pid, fds[0]};
}

// The simulator serving pre-encoded 640x480 pictures without pause.
struct Simulator {
    Child child;
    int port = 0;
    Simulator() {
        child = Spawn({std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim", "--port", "0", "--fps",
                       "0", "--size", "640x480", "--quality", "75", "--prerender", "30"},
                      false);
        std::string text;
        char buf[256];
        pollfd p{child.out, POLLIN, 0};
        while (text.find('\n') == std::string::npos && poll(&p, 1, 5000) > 0) {
            ssize_t n = read(child.out, buf, sizeof buf);
            if (n <= 0) break;
            text.append(buf, static_cast<size_t>(n));
        }
        size_t colon = text.rfind(':');
        if (colon != std::string::npos) port = std::atoi(text.c_str() + colon + 1);
    }
    ~Simulator() {
        if (child.pid > 0) {
            kill(child.pid, SIGTERM);
            waitpid(child.pid, nullptr, 0);
        }
        if (child.out >= 0) close(child.out);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port) + "/video.mjpg"; }
};

Simulator& Sim() {
    static Simulator sim;
    return sim;
}

struct Figures {
    double fps = 0, cpuPer1000 = 0;
    // Per picture: minor page faults and voluntary / involuntary context switches.
    double faults = 0, waits = 0, preempted = 0;
    double sysShare = 0;  // the kernel's part of the CPU time
};
Figures gSource, gSourceNoPause, gFfmpeg, gBare;

void Report(benchmark::State& state, const Figures& f) {
    state.counters["fps"] = f.fps;
    state.counters["cpu_s_per_1000"] = f.cpuPer1000;
    state.counters["minflt_per_picture"] = f.faults;
    state.counters["nvcsw_per_picture"] = f.waits;
    state.counters["nivcsw_per_picture"] = f.preempted;
    state.counters["sys_share"] = f.sysShare;
}

// The page faults and context switches between two usage readings, per picture.
void AddUsage(Figures& f, const rusage& a, const rusage& b, double pictures) {
    f.faults = (b.ru_minflt - a.ru_minflt) / pictures;
    f.waits = (b.ru_nvcsw - a.ru_nvcsw) / pictures;
    f.preempted = (b.ru_nivcsw - a.ru_nivcsw) / pictures;
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    double sys = seconds(b.ru_stime) - seconds(a.ru_stime);
    double all = sys + seconds(b.ru_utime) - seconds(a.ru_utime);
    f.sysShare = all > 0 ? sys / all : 0;
}

// Counts stored pictures and wakes the measuring thread only when a mark is reached, so the
// measurement adds no CPU of its own while the source runs.
struct MarkCounter {
    std::atomic<int> count{0};
    std::atomic<int> mark{0};
    std::shared_ptr<ocv::NamedEvent> reached = ocv::NamedEvent::Create("");
    void Add() {
        if (count.fetch_add(1) + 1 == mark.load()) reached->Set();
    }
    // Waits until `n` pictures are counted (bounded).
    bool WaitFor(int n) {
        reached->Reset();
        mark = n;
        if (count.load() >= n) return true;
        return reached->Wait(60000);
    }
};

Figures RunSource(int betweenPicturesMs) {
    auto counter = std::make_shared<MarkCounter>();
    auto notifier = std::make_shared<ocv::FrameNotifier>([counter] { counter->Add(); });
    auto logger = std::make_shared<ocv::CLogger>();
    ocv::CMegaChipsInterface source(notifier, logger);
    ocv::MJpegTimings t = source.Timings();
    t.betweenPicturesMs = betweenPicturesMs;
    source.SetTimings(t);
    ocv::DeviceInfo info;
    info.deviceType = ocv::DEVICE_MEGACHIPS;
    info.deviceName = "http://127.0.0.1:" + std::to_string(Sim().port);
    if (source.Connect(&info) <= 0) return {};
    // Warm up, then measure a fixed number of pictures.
    if (!counter->WaitFor(30)) return {};
    int start = counter->count.load();
    rusage u0 = SelfUsage();
    double cpu0 = CpuSeconds(u0);
    auto t0 = Clock::now();
    if (!counter->WaitFor(start + kFrames)) return {};
    double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    rusage u1 = SelfUsage();
    double cpu = CpuSeconds(u1) - cpu0;
    int frames = counter->count.load() - start;
    source.Disconnect();
    Figures f{frames / wall, cpu / frames * 1000};
    AddUsage(f, u0, u1, frames);
    return f;
}

// The stream's pictures, collected once through the part parser.
std::vector<std::vector<uint8_t>> CollectPictures(int count) {
    std::vector<std::vector<uint8_t>> pictures;
    auto stop = ocv::NamedEvent::Create("");
    ocv::CHttpStream http(stop);
    if (http.Open(Sim().Url()) != ocv::CHttpStream::OpenResult::kOk) return pictures;
    ocv::CMJpegPartParser parser(ocv::kReaderVariantA);
    http.Read([&](const uint8_t* d, size_t n) {
        parser.Feed(d, n, [&](const uint8_t* p, size_t s) {
            pictures.emplace_back(p, p + s);
            return static_cast<int>(pictures.size()) < count;
        });
        return static_cast<int>(pictures.size()) < count;
    });
    return pictures;
}

// Bare decoding of the stream's pictures, one after another or with the reader's pause after
// each (a poll on an eventfd, as the reader's stop-event wait): the paced figure shows what the
// pause alone costs a decoder (the wake-up, and caches and TLB gone cold meanwhile).
Figures BareDecode(const std::vector<std::vector<uint8_t>>& pictures, int pauseMs) {
    Figures f;
    if (pictures.empty()) return f;
    tjhandle tj = tjInitDecompress();
    const int w = 640, h = 480, stride = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> out(static_cast<size_t>(stride) * h);
    auto idle = ocv::NamedEvent::Create("");
    rusage u0 = SelfUsage();
    double cpu0 = CpuSeconds(u0);
    auto t0 = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        const auto& p = pictures[static_cast<size_t>(i) % pictures.size()];
        tjDecompress2(tj, p.data(), p.size(), out.data(), w, stride, h, TJPF_BGR, TJFLAG_BOTTOMUP);
        benchmark::DoNotOptimize(out.data());
        if (pauseMs > 0) idle->Wait(pauseMs);
    }
    double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    rusage u1 = SelfUsage();
    f = {kFrames / wall, (CpuSeconds(u1) - cpu0) / kFrames * 1000};
    AddUsage(f, u0, u1, kFrames);
    tjDestroy(tj);
    return f;
}

Figures gBarePaced, gBareLast;

// Bare decoding of the stream's pictures, with `pauseMs` after each, into `out`.
void BM_BareTurboJpeg(benchmark::State& state, Figures* out, int pauseMs) {
    std::vector<std::vector<uint8_t>> pictures = CollectPictures(30);
    for (auto _ : state) *out = BareDecode(pictures, pauseMs);
    Report(state, *out);
}
BENCHMARK_CAPTURE(BM_BareTurboJpeg, Decode, &gBare, 0)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SourceIngest(benchmark::State& state) {
    for (auto _ : state) gSource = RunSource(10);
    Report(state, gSource);
}
BENCHMARK(BM_SourceIngest)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SourceIngestNoPause(benchmark::State& state) {
    for (auto _ : state) gSourceNoPause = RunSource(0);
    Report(state, gSourceNoPause);
}
BENCHMARK(BM_SourceIngestNoPause)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FfmpegOneThread(benchmark::State& state) {
    for (auto _ : state) {
        auto t0 = Clock::now();
        Child c = Spawn({"ffmpeg", "-nostdin", "-loglevel", "error", "-threads", "1", "-i",
                         Sim().Url(), "-frames:v", std::to_string(kFrames + 30), "-f", "null", "-"},
                        true);
        int status = 0;
        rusage r{};
        wait4(c.pid, &status, 0, &r);
        close(c.out);
        double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        gFfmpeg = {(kFrames + 30) / wall, CpuSeconds(r) / (kFrames + 30) * 1000};
    }
    Report(state, gFfmpeg);
}
BENCHMARK(BM_FfmpegOneThread)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Bare decoding runs first and again here: the host's speed drifts over a run (other guests on
// the same cores), and the mean of the two spans the measurements between them.
BENCHMARK_CAPTURE(BM_BareTurboJpeg, DecodeAgain, &gBareLast, 0)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_BareTurboJpeg, DecodePaced, &gBarePaced, 10)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    benchmark::Initialize(&argc, argv);
    if (Sim().port <= 0) {
        std::fprintf(stderr, "ocv-camsim did not start\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gBare.cpuPer1000 > 0 && gBareLast.cpuPer1000 > 0) {
        std::printf("\nbare TurboJPEG first %.3f, last %.3f CPU seconds per 1,000 pictures\n",
                    gBare.cpuPer1000, gBareLast.cpuPer1000);
        gBare.cpuPer1000 = (gBare.cpuPer1000 + gBareLast.cpuPer1000) / 2;
        gBare.fps = (gBare.fps + gBareLast.fps) / 2;
    }
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf(
        "\nCPU seconds per 1,000 pictures: source %.3f (no pause %.3f), ffmpeg %.3f, "
        "bare TurboJPEG %.3f\n",
        gSource.cpuPer1000, gSourceNoPause.cpuPer1000, gFfmpeg.cpuPer1000, gBare.cpuPer1000);
    std::printf("source / ffmpeg CPU per picture: %.2f (no pause %.2f); target <= 0.85\n",
                ratio(gSource.cpuPer1000, gFfmpeg.cpuPer1000),
                ratio(gSourceNoPause.cpuPer1000, gFfmpeg.cpuPer1000));
    std::printf("source / bare decode CPU per picture: %.2f (no pause %.2f); target <= 1.10\n",
                ratio(gSource.cpuPer1000, gBare.cpuPer1000),
                ratio(gSourceNoPause.cpuPer1000, gBare.cpuPer1000));
    std::printf("paced bare decode / bare decode CPU per picture: %.2f (the pause's own cost)\n",
                ratio(gBarePaced.cpuPer1000, gBare.cpuPer1000));
    std::printf("source / paced bare decode CPU per picture: %.2f\n",
                ratio(gSource.cpuPer1000, gBarePaced.cpuPer1000));
    std::printf("pictures per second: source %.1f (no pause %.1f), ffmpeg %.1f, bare %.1f\n",
                gSource.fps, gSourceNoPause.fps, gFfmpeg.fps, gBare.fps);
    return 0;
}
