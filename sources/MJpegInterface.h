#pragma once
// The common body of every network camera: opens one HTTP URL, reads the endless Motion-JPEG
// stream on a sample thread of its own, decodes each picture and stores it as the frame sample.
// The sample thread reconnects by itself after every failure; the camera models only build the
// URL and call StartStream.
#include <atomic>
#include <condition_variable>
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
    // Idle reading: after a quiet spell of kIdleAfterMs the stream is read in blocks, with holds
    // of kIdleHoldMinMs to kIdleHoldMaxMs between them, sized so that a block stays near
    // kIdleBlockBytes, well inside the receive buffer: the camera is never held back, so what
    // the socket holds is always current. A copy during a hold cuts it short and waits up to
    // kCatchUpWaitMs until the block is read, so it gets the newest picture the camera has sent.
    static constexpr uint32_t kIdleAfterMs = 1500;
    static constexpr int kIdleHoldMinMs = 100;
    static constexpr int kIdleHoldMaxMs = 1000;
    static constexpr int kIdleHoldFirstMs = 400;  // before any block has been seen
    static constexpr size_t kIdleBlockBytes = 512 * 1024;
    static constexpr int kCatchUpWaitMs = 150;
    static constexpr int kReceiveBufferBytes = 1 << 20;
    // The next hold, when `blockBytes` arrived in the `spanMs` from one hold's start to the next.
    static int IdleHoldAfter(int spanMs, size_t blockBytes);

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
    void CatchUp() override;

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
    // held blocks and only the newest picture of each block is kept.
    bool ReadsIdle();
    // The sample thread's side of CatchUp: a hold has begun (everything that had arrived is
    // read), or reading has gone on.
    void NoteHold(bool begun);
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
    // Set by CatchUp to cut the sample thread's hold; holding_ and holdsBegun_ are guarded by
    // pendingMutex_ and signalled through holdChanged_.
    std::shared_ptr<NamedEvent> cutHold_;
    bool holding_ = false;
    uint64_t holdsBegun_ = 0;
    std::condition_variable holdChanged_;
    std::atomic<uint64_t> received_{0};
    std::atomic<uint64_t> decoded_{0};
};

}  // namespace ocv
