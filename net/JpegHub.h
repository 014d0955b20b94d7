#pragma once
// One JPEG per camera frame and quality, shared by every stream of a web server: a producer
// thread takes a frame once per stream period, encodes it once for each quality that some stream
// wants and publishes it; each stream sends the newest picture it has not sent yet, so a slow
// viewer skips pictures instead of holding the others back.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/FrameSample.h"

namespace ocv {

class IWebServerHost;

class CJpegHub {
public:
    using Jpeg = std::shared_ptr<const std::vector<uint8_t>>;
    enum class Result { Picture, Stopped, FrameFailed, EncodeFailed };

    // The period is 1000 / maxFrame ms (maxFrame 0 or less counts as 1), at least 20 ms.
    CJpegHub(std::shared_ptr<IWebServerHost> host, const BITMAPINFOHEADER& format, int maxFrame);
    ~CJpegHub();
    CJpegHub(const CJpegHub&) = delete;
    CJpegHub& operator=(const CJpegHub&) = delete;

    static int PeriodFor(int maxFrame);
    int PeriodMs() const { return periodMs_; }

    void Subscribe(int quality);
    void Unsubscribe(int quality);
    // Waits for a picture of `quality` newer than sequence `after`. On Picture, `seq` and `jpeg`
    // are set: `jpeg` holds the whole stream part (part header, then the JPEG bytes), so each
    // viewer sends it with one call; on EncodeFailed, `errorText` holds the picture's error text.
    Result WaitNext(int quality, uint64_t after, uint64_t& seq, Jpeg& jpeg, std::string& errorText);
    // The newest picture of `quality` when it was made from frame `number` or the one before
    // (`number` 0 never matches): the whole stream part, and where the JPEG bytes start in it.
    // The hub makes nothing for this; it only answers while streams keep it running.
    bool Newest(int quality, uint64_t number, Jpeg& part, size_t& jpegAt) const;
    // Ends the producer and wakes every waiting stream with Stopped.
    void Stop();

    // Pictures produced so far (for measurements).
    uint64_t Produced() const;

private:
    struct Entry {
        Jpeg jpeg;
        size_t jpegAt = 0;  // the JPEG bytes after the part header
        std::string error;
    };
    void Run();

    std::shared_ptr<IWebServerHost> host_;
    BITMAPINFOHEADER format_;
    int periodMs_;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool stopping_ = false;
    std::map<int, int> subscribers_;  // quality -> streams wanting it
    uint64_t seq_ = 0;
    bool frameFailed_ = false;
    uint64_t frameNumber_ = 0;       // the host's number of the frame of `pictures_` (0: unknown)
    std::map<int, Entry> pictures_;  // pictures of sequence seq_
    std::thread thread_;
};

}  // namespace ocv
