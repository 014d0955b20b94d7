#pragma once
// A Motion-JPEG camera model under test: its source, its own log and a frame counter.
#include <memory>
#include <string>

#include "SourceTestSupport.h"
#include "sources/CameraModels.h"
#include "sources/SourceFactory.h"

namespace ocv::test {

struct Camera {
    TestLog log;
    FrameCounter counter;
    std::shared_ptr<CMJpegCameraModel> source;

    // With `view` the pictures go to that view instead of the counter.
    explicit Camera(int32_t type, std::shared_ptr<FrameNotifier> view = nullptr) {
        source = std::dynamic_pointer_cast<CMJpegCameraModel>(
            CreateCameraSource(type, view ? view : counter.notifier, log.Logger()));
    }
    int Frames() const { return counter.frames.load(); }
    bool WaitFrames(int n, int timeoutMs) {
        return WaitUntil([&] { return Frames() >= n; }, timeoutMs);
    }
    BITMAPINFOHEADER Format() {
        BITMAPINFOHEADER h{};
        source->GetFormat(&h);
        return h;
    }
    void Shorten(int openRetryMs, int singleRetryMs, int connectWaitMs) {
        MJpegTimings t = source->Timings();
        t.openRetryMs = openRetryMs;
        t.singleRetryMs = singleRetryMs;
        t.connectWaitMs = connectWaitMs;
        source->SetTimings(t);
    }
};

inline DeviceInfo Device(int32_t type, const std::string& base) {
    DeviceInfo d;
    d.deviceType = type;
    d.deviceName = base;
    d.frameWidth = 640;
    d.frameHeight = 480;
    return d;
}

}  // namespace ocv::test
