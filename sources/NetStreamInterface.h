#pragma once
// The network stream source (device type 2): opens an RTSP, HTTP, MMS or file URL with FFmpeg
// on a thread of its own, decodes the video into bottom-up BGR rows and stores them as the frame
// sample. While nobody wants pictures the thread only demultiplexes and keeps the packets since
// the last key frame; the next copy decodes them. A stream that ends, drops or stalls is opened
// again by itself with a growing pause, and a stop cuts every wait and every FFmpeg call short.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sources/DxShowInterface.h"
#include "sources/StreamDecoder.h"

struct AVCodecParameters;
struct AVPacket;

namespace ocv {

class NamedEvent;

// The waits of the stream source, in milliseconds.
struct StreamTimings {
    int connectWaitMs = 20000;  // for the first picture in Connect
    int openTimeoutMs = 10000;  // for opening and probing the stream
    int readTimeoutMs = 5000;   // without a packet before the stream counts as dropped
    int stopWaitMs = 3000;      // for the stream thread to end in Disconnect
};

class CNetStreamInterface : public CDxShowInterface {
public:
    CNetStreamInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger);
    ~CNetStreamInterface() override;

    // Opens the stream named by "Device Name" and waits for its first picture; the record then
    // holds the picture size and the stream's frame rate. A Disconnect from another thread ends
    // the wait at once.
    int Connect(const DeviceInfo* info) override;
    void Disconnect() override;
    // Ends a Connect that waits and the stream thread's reading at once, from any thread.
    void RequestStop() override;
    bool IsConnected() override { return connected_.load(); }
    bool HasFormatPage() override { return false; }
    bool ShowFormatPage(IDialogHost*, DeviceInfo*) override { return false; }
    bool HasDevicePage() override { return false; }
    bool ShowDevicePage(IDialogHost*, DeviceInfo*) override { return false; }
    // Off: pictures are no longer stored (the stream keeps running).
    void EnableSampleCallback(bool enable) override { storing_ = enable; }

    void SetTimings(const StreamTimings& t) { timings_ = t; }
    const StreamTimings& Timings() const { return timings_; }

    // While nobody wants pictures as they arrive (no view listens and no consumer copied one
    // within this window), only packets are kept.
    static constexpr uint32_t kWantedWindowMs = 1500;
    // The packets kept since the last key frame are bounded; past either bound they are
    // dropped until the next key frame.
    static constexpr size_t kMaxKeptPackets = 1000;
    static constexpr size_t kMaxKeptBytes = 64u << 20;

    // Diagnostics: video packets received, pictures decoded, the packet number of the picture
    // the sample holds (numbered from 1 per source) and how often the stream was opened.
    uint64_t ReceivedPackets() const { return received_; }
    uint64_t DecodedPictures() const { return decoded_; }
    uint64_t SamplePicture() {
        std::lock_guard lock(storeMutex_);
        return storedSeq_;
    }
    uint64_t Openings() const { return openings_; }

protected:
    void RefreshSample() override;

private:
    struct Link;
    struct Worker;
    struct Kept;
    static void StreamThread(std::shared_ptr<Worker> worker);
    // Called by the stream thread (through the link).
    void NewStream(const AVCodecParameters* par);
    void KeepPacket(const AVPacket* packet, bool key, uint64_t seq, bool decodedLive);
    std::vector<AVPacket*> KeptPackets();
    bool WantsDecodedPictures();
    void StorePicture(std::vector<uint8_t>& rows, int width, int height, uint64_t seq);
    void DropKept();
    void StopThread();

    std::atomic<bool> connected_{false};
    std::atomic<bool> storing_{true};
    std::atomic<bool> stopRequested_{false};
    StreamTimings timings_;
    std::mutex controlMutex_;  // Connect and Disconnect
    std::thread thread_;
    std::shared_ptr<Worker> worker_;
    std::mutex storeMutex_;
    uint64_t storedSeq_ = 0;
    std::unique_ptr<Kept> kept_;
    std::mutex refreshMutex_;
    StreamDecoder refreshDecoder_;
    uint64_t refreshGeneration_ = 0;
    std::atomic<uint64_t> received_{0};
    std::atomic<uint64_t> decoded_{0};
    std::atomic<uint64_t> openings_{0};
};

}  // namespace ocv
