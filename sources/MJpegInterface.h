#pragma once
// The common body of every network camera: opens one HTTP URL, reads the endless Motion-JPEG
// stream on a sample thread of its own, decodes each picture and stores it as the frame sample.
// The sample thread reconnects by itself after every failure; the camera models only build the
// URL and call StartStream.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/CamSource.h"

namespace ocv {

class NamedEvent;

// The waits of the sample thread and of the connect step, in milliseconds.
struct MJpegTimings {
    int openRetryMs = 2000;      // after an open failure, an unreadable status or an HTTP error
    int singleRetryMs = 10000;   // after a single-picture ("too many viewers") answer
    int readRetryMs = 10;        // after a failed picture read (the first pause)
    int retryMaxMs = 10000;      // repeated failures double the pause up to this
    int betweenPicturesMs = 10;  // at least this long between two pictures handled
    int connectWaitMs = 16000;   // for the first picture in StartStream
    int stopWaitMs = 3000;       // for the sample thread to end in StopThread
    long httpTimeoutMs = 5000;   // connect, send and receive
};

class CMJpegInterface : public CCamSource {
public:
    CMJpegInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger);
    ~CMJpegInterface() override;

    void Disconnect() override;
    bool IsConnected() override;
    void EnableSampleCallback(bool) override {}
    void RequestStop() override;

    // Starts the sample thread for the URL with reader variant 2 (B) or any other (A) and waits
    // for the first picture. False (and disconnected) when none came within the wait.
    bool StartStream(const std::string& url, int variant);
    // Signals the sample thread and waits up to `seconds` for it to end; a thread that does not
    // end in time is abandoned (it can no longer touch this object).
    void StopThread(int seconds = 3);
    bool IsThreadAlive();

    const std::string& TerminateEventName() const { return eventName_; }
    void SetTimings(const MJpegTimings& t) { timings_ = t; }
    const MJpegTimings& Timings() const { return timings_; }

    // A URL with its passwords replaced by "***", for log lines.
    static std::string UrlForLog(const std::string& url);
    // A connection counts as good again (the retry pause starts over and repeated failure lines
    // are counted out) once it has delivered pictures for this long.
    static constexpr uint32_t kGoodStreamMs = 10000;
    // Idle reading: a copy after a quiet spell gets a picture at most kIdleHoldMs plus one frame
    // interval old; the receive buffer holds what a fast camera sends during one hold.
    static constexpr uint32_t kIdleAfterMs = 1500;
    static constexpr int kIdleHoldMs = 400;
    static constexpr int kReceiveBufferBytes = 1 << 20;

    // Unless a view listens for every picture, the sample thread keeps the newest picture
    // undecoded and the next copy decodes it on the copier's thread: a camera costs one decode
    // per picture used (an interval capture, a motion check every 500 ms, a stream frame),
    // never one per picture received. Every picture is a key frame, so nothing is lost.

    // Diagnostics: pictures received on the stream, pictures decoded, and the number of the
    // picture the sample holds (pictures are numbered from 1 per connection).
    uint64_t ReceivedPictures() const { return received_; }
    uint64_t DecodedPictures() const { return decoded_; }
    uint64_t SamplePicture() {
        std::lock_guard lock(storeMutex_);
        return storedSeq_;
    }

protected:
    void RefreshSample() override;

private:
    struct Link;
    struct Worker;
    static void SampleThread(std::shared_ptr<Worker> worker);
    // Called on the sample thread with a decoded picture: the first one sets the format and
    // allocates the pixel buffer, then the store step.
    // `seq` numbers the pictures of the stream: an older picture never replaces a newer one.
    void StorePicture(const BITMAPINFOHEADER& header, const uint8_t* bits, uint64_t seq);
    // The same for decoded rows, which trade places with the sample instead of being copied;
    // `rows` gets back a buffer to decode the next picture into.
    void StoreRows(const BITMAPINFOHEADER& header, std::vector<uint8_t>& rows, uint64_t seq);
    void DropPendingUpTo(uint64_t seq);
    bool WantsDecodedPictures();
    // True while nobody has looked at the pictures for kIdleAfterMs: the stream is then read in
    // blocks at most kIdleHoldMs apart and only the newest picture of each block is kept.
    bool ReadsIdle();
    void KeepPending(std::vector<uint8_t>& jpeg, uint64_t seq);
    void DropPending();

    std::shared_ptr<NamedEvent> Terminate();

    std::atomic<int> connected_{0};
    std::atomic<bool> stopRequested_{false};
    std::mutex eventMutex_;  // guards eventName_ and terminate_ against RequestStop
    std::string eventName_;
    std::shared_ptr<NamedEvent> terminate_;
    MJpegTimings timings_;
    std::thread thread_;
    std::shared_ptr<Worker> worker_;
    std::mutex storeMutex_;
    uint64_t storedSeq_ = 0;
    std::mutex pendingMutex_;
    std::vector<uint8_t> pending_;
    uint64_t pendingSeq_ = 0;
    std::atomic<uint64_t> received_{0};
    std::atomic<uint64_t> decoded_{0};
};

}  // namespace ocv
