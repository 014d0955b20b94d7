#pragma once
// The block a worker thread is started with; the thread owns it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/OcvParam.h"
#include "controller/CtrlLink.h"
#include "controller/FrameStore.h"
#include "foundation/FrameSample.h"
#include "platform/Time.h"

namespace ocv {

struct CaptureThreadParam {
    static constexpr size_t kMaxPreEventFrames = 150;

    OcvParam param;                       // copy of the camera's record at the start
    std::shared_ptr<CtrlLink> ctrl;       // logging, state messages and frames
    std::shared_ptr<WorkerToken> worker;  // this thread's liveness
    BITMAPINFOHEADER format{};            // the source's format at the start
    std::string terminateEventName;
    std::string motionPauseEventName;  // Vistrel and motion threads
    uint32_t localCounter = 0;         // snapshot: copies of the controller's counters;
    uint32_t ftpCounter = 0;           // recording: the recording counter in localCounter
    uint32_t mailCounter = 0;
    // Recording: the frames before the event (packed, shared with the motion thread's ring,
    // never changed) and their capture times, oldest first.
    std::vector<PackedFramePtr> preEventFrames;
    std::vector<LocalTime> preEventTimes;

    void PostState(uint32_t set, uint32_t clear) { ctrl->PostState(worker, set, clear); }
};

// Thread bodies; each takes ownership of its block.
void VistrelThread(std::unique_ptr<CaptureThreadParam> block);
void SnapShotThread(std::unique_ptr<CaptureThreadParam> block);
void MotionCaptureThread(std::unique_ptr<CaptureThreadParam> block);
void RecordingThread(std::unique_ptr<CaptureThreadParam> block);

// The motion thread's decision step: outline pictures when switched on, the level of the
// current frame against the previous one, the threshold (equality counts as motion).
bool DetectMotion(CaptureThreadParam& block, const uint8_t* current, const uint8_t* previous);

}  // namespace ocv
