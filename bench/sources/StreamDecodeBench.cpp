// CPU per picture of the network stream source on a 1280x720 H.264 RTSP stream served on
// loopback by GStreamer's RTSP server: decoding every picture (someone watches) against
// `ffmpeg -threads 1 -i URL -f null -` reading the same URL in the same run, and an idle camera
// (nobody watches: packets are only demultiplexed and kept) against the decoding one.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Logger.h"
#include "sources/NetStreamInterface.h"

namespace {

constexpr int kFrames = 300;
constexpr int kFps = 25;

double Cpu(int who) {
    rusage r{};
    getrusage(who, &r);
    return r.ru_utime.tv_sec + r.ru_stime.tv_sec + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

pid_t Spawn(const std::vector<std::string>& argv) {
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// The source's CPU seconds per received picture while `frames` pictures arrive.
double SourceCpuPerPicture(const std::string& url, bool watched, uint64_t& decoded) {
    auto log = std::make_shared<ocv::CLogger>();
    log->SetPath("/dev/null");
    auto view = std::make_shared<ocv::FrameNotifier>();
    if (watched) view->Set([] {});
    ocv::CNetStreamInterface source(view, log);
    ocv::DeviceInfo info;
    info.deviceType = ocv::DEVICE_NETWORK_STREAM;
    info.deviceName = url;
    if (source.Connect(&info) <= 0) return -1;
    if (!watched) {
        // The connect window counts as watching; wait until it has passed.
        std::this_thread::sleep_for(
            std::chrono::milliseconds(ocv::CNetStreamInterface::kWantedWindowMs + 500));
    }
    uint64_t received0 = source.ReceivedPackets(), decoded0 = source.DecodedPictures();
    double cpu0 = Cpu(RUSAGE_SELF);
    while (source.ReceivedPackets() < received0 + kFrames)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    double cpu = Cpu(RUSAGE_SELF) - cpu0;
    uint64_t received = source.ReceivedPackets() - received0;
    decoded = source.DecodedPictures() - decoded0;
    source.Disconnect();
    return cpu / static_cast<double>(received);
}

}  // namespace

int main() {
    int port = 20000 + getpid() % 20000;
    pid_t server = Spawn({"/usr/bin/python3",
                          std::string(OCV_SOURCE_DIR) + "/tests/sources/rtsp_server.py",
                          std::to_string(port), "h264", "1280x720", std::to_string(kFps)});
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::string url = "rtsp://127.0.0.1:" + std::to_string(port) + "/live";

    uint64_t decoded = 0, idleDecoded = 0;
    double live = SourceCpuPerPicture(url, true, decoded);

    double child0 = Cpu(RUSAGE_CHILDREN);
    pid_t ffmpeg = Spawn({"ffmpeg", "-nostdin", "-loglevel", "error", "-rtsp_transport", "tcp",
                          "-threads", "1", "-i", url, "-frames:v", std::to_string(kFrames), "-f",
                          "null", "-"});
    int status = 0;
    waitpid(ffmpeg, &status, 0);
    double ffmpegCpu = (Cpu(RUSAGE_CHILDREN) - child0) / kFrames;

    double idle = SourceCpuPerPicture(url, false, idleDecoded);
    kill(server, SIGTERM);
    waitpid(server, &status, 0);
    if (live <= 0 || idle < 0) {
        std::printf("the stream source did not connect to %s\n", url.c_str());
        return 1;
    }
    std::printf("1280x720 H.264 RTSP on loopback, %d pictures each, CPU ms per picture:\n",
                kFrames);
    std::printf("  source, decoding every picture : %.3f  (%llu decoded)\n", live * 1e3,
                static_cast<unsigned long long>(decoded));
    std::printf("  ffmpeg -threads 1 -f null      : %.3f\n", ffmpegCpu * 1e3);
    std::printf("  source, idle (demux and keep)  : %.3f  (%llu decoded)\n", idle * 1e3,
                static_cast<unsigned long long>(idleDecoded));
    std::printf("ratio decoding / ffmpeg : %.2f\n", live / ffmpegCpu);
    std::printf("ratio idle / decoding   : %.2f\n", idle / live);
    return 0;
}
