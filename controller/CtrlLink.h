#pragma once
// What a worker thread holds of its controller. The controller may be destroyed, or may abandon a
// worker that does not end in time, while the worker still runs: the link then drops the worker's
// state messages and frame requests instead of reaching into a controller that is gone or that has
// moved on to a newer thread of the same kind.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "controller/FrameStore.h"
#include "foundation/CamInterface.h"
#include "foundation/Logger.h"
#include "platform/Dispatcher.h"
#include "platform/NamedEvent.h"

namespace ocv {

class COcvCtrl;

// One per started worker thread. `running` is the liveness the controller tests; `abandoned` is
// set when the controller stopped waiting for the thread.
struct WorkerToken {
    std::atomic<bool> running{true};
    std::atomic<bool> abandoned{false};
};

class COcvCtrl;
// Applies a worker's state message on the owner thread (implemented by the controller).
void ApplyWorkerState(COcvCtrl& ctrl, const std::shared_ptr<WorkerToken>& worker, uint32_t set,
                      uint32_t clear);

class CtrlLink : public std::enable_shared_from_this<CtrlLink> {
public:
    CtrlLink(COcvCtrl* ctrl, Dispatcher* dispatcher, std::shared_ptr<CLogger> logger)
        : ctrl_(ctrl), dispatcher_(dispatcher), logger_(std::move(logger)) {}

    CLogger& Log() { return *logger_; }
    const std::shared_ptr<CLogger>& Logger() const { return logger_; }

    // Queues "set these bits, clear those" for the owner thread on behalf of a worker.
    void PostState(const std::shared_ptr<WorkerToken>& worker, uint32_t set, uint32_t clear);

    // Results of GetFrame.
    static constexpr int kFrameStopped = 0;  // the stop event is set; nothing copied
    static constexpr int kFrameCopied = 1;   // the newest frame (or, before any, nothing) copied
    static constexpr int kFrameLost = 2;     // the camera is lost: its last frame is not live

    // Copies the newest frame: 0 without copying when the stop event is set, 2 without copying
    // when the camera is lost, else 1 (the buffer keeps its previous content when no picture is
    // available).
    int GetFrame(const NamedEvent* stop, uint8_t* buffer, uint32_t size);
    // The same, following the camera's picture size: `format` and `buffer` become those of the
    // newest frame. Before the first picture both are left as they are.
    int GetFrame(const NamedEvent* stop, BITMAPINFOHEADER& format, std::vector<uint8_t>& buffer);
    // Whether the camera is lost (connected, but no new picture for too long).
    bool IsLost();
    // The source's picture number (see CCamInterface::PictureNumber); 0 without a source.
    uint64_t PictureNumber();

    // Queues a recording start on the owner thread on behalf of a worker (the motion thread),
    // with the frames before the event, oldest first. The frames are immutable and shared, so
    // the worker may go on with its own ring at once. `onRefused` runs on the owner thread when
    // the controller refuses (a recording already runs). Nothing starts once the worker has
    // ended or was given up on.
    void StartRecording(const std::shared_ptr<WorkerToken>& worker,
                        std::vector<PackedFramePtr> frames, std::vector<LocalTime> times,
                        std::function<void()> onRefused);

    // Owner thread: the source frames are copied from (null when disconnected).
    void SetSource(std::shared_ptr<CCamInterface> source);
    // Owner thread: the controller is going away.
    void Detach();

private:
    std::mutex mutex_;
    COcvCtrl* ctrl_;
    Dispatcher* dispatcher_;
    std::shared_ptr<CLogger> logger_;
    std::shared_ptr<CCamInterface> source_;
};

}  // namespace ocv
