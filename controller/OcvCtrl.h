#pragma once
// One camera: its source (through the view part), its parameter record, its log channel, its
// worker threads with their shared stop event, the schedule and the state flags. Driven on the
// owner thread through a Dispatcher; worker threads reach it only through its CtrlLink.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/OcvParam.h"
#include "controller/CaptureThreadParam.h"
#include "controller/CtrlLink.h"
#include "controller/StateFlags.h"
#include "foundation/VideoCtrl.h"
#include "platform/Dispatcher.h"
#include "platform/NamedEvent.h"
#include "platform/Time.h"

namespace ocv {

class COcvCtrl;

// What the owner of a controller provides; the headless program provides none.
class IControllerHost {
public:
    virtual ~IControllerHost() = default;
    // The complete flag set after every change (queued to the owner thread).
    virtual void OnStateChanged(COcvCtrl& ctrl, uint32_t flags) = 0;
    // Asked when threads have not ended within the limit: true to abandon them now.
    virtual bool ConfirmForcedStop(COcvCtrl& ctrl) = 0;
    // The connection wizard; returns what ConnectCamera returned, 0 when cancelled.
    virtual int RunConnectWizard(COcvCtrl& ctrl) = 0;
};

class COcvCtrl : public CVideoCtrl {
public:
    static constexpr int kScheduleTimerBase = 5;  // the schedule's timer, one per controller
    static constexpr unsigned kScheduleIntervalMs = 10000;

    COcvCtrl(Dispatcher& dispatcher, SourceFactory factory, std::string programDir,
             IControllerHost* host = nullptr);
    ~COcvCtrl() override;

    // The controller's part of "window creation": the record at its defaults, the log channel
    // named after it, the schedule re-armed.
    void Create();

    OcvParam& Param() { return param_; }
    const OcvParam& Param() const { return param_; }
    // Takes a new record (loaded or edited): renames the log channel and re-arms the schedule.
    void SetParam(const OcvParam& param);
    CLogger& Log() { return *Logger(); }

    int StartCapture();
    // The Stop command: the stop procedure with 10 seconds and confirmation.
    int StopCapture();
    int TakeSnapshot();
    // Starts a recording; `count` frames from before the event (oldest first, at most 150 are
    // taken) lead the clip. 0 when a recording already runs or the thread cannot start.
    int StartRecording(const PackedFramePtr* frames = nullptr, const LocalTime* times = nullptr,
                       int count = 0);
    uint32_t RecordingCounter() const { return recordingCounter_; }
    // Connects the record's camera. The wait for its first picture runs on a thread of its own;
    // the log lines, the state bits and the schedule follow on the owner thread, and `done` gets
    // the result (1 connected, 0 not; the wizard's result when the device name is empty). A
    // cancelled connect calls nothing.
    void ConnectCameraAsync(std::function<void(int)> done = {});
    // The same, waiting for the result while the owner thread's queue keeps moving.
    int ConnectCamera();
    // Owner thread: a connect in progress ends at once, quietly.
    void CancelConnect() { CVideoCtrl::CancelConnect(); }
    int RunConnectWizard();

    void SetState(uint32_t set, uint32_t clear);
    uint32_t State() const { return flags_; }

    void ArmSchedule();
    void DisarmSchedule();
    void CheckSchedule();

    int StopThreads(int limitSeconds, bool ask);
    // Sets the stop event without waiting, so that the threads of several cameras can end side
    // by side before each camera's StopThreads waits for its own.
    void SignalStop();

    bool IsVistrelRunning() { return Alive(vistrel_); }
    bool IsMotionRunning() { return Alive(motion_); }
    bool IsSnapshotRunning() { return Alive(snapshot_); }
    bool IsWebServerRunning() { return Alive(webServer_); }
    bool IsRecordingRunning() { return Alive(recording_); }

    int GetFrame(const NamedEvent* stop, uint8_t* buffer, uint32_t size);

    const std::string& TerminateEventName() const { return terminateName_; }
    const std::string& MotionPauseEventName() const { return motionPauseName_; }
    uint32_t SnapshotLocalCounter() const { return snapLocal_; }
    uint32_t SnapshotFtpCounter() const { return snapFtp_; }
    uint32_t SnapshotMailCounter() const { return snapMail_; }

    // Where the schedule takes the time from (tests set a fixed clock).
    void SetClock(std::function<LocalTime()> clock) { clock_ = std::move(clock); }
    const std::shared_ptr<CtrlLink>& Link() const { return link_; }

private:
    friend void ApplyWorkerState(COcvCtrl&, const std::shared_ptr<WorkerToken>&, uint32_t,
                                 uint32_t);
    using Slot = std::shared_ptr<WorkerToken>;
    bool Alive(Slot& slot);
    std::unique_ptr<CaptureThreadParam> MakeBlock();
    bool StartWorker(Slot& slot, void (*body)(std::unique_ptr<CaptureThreadParam>),
                     std::unique_ptr<CaptureThreadParam> block);
    bool StartThread(Slot& slot, std::function<void(const std::shared_ptr<WorkerToken>&)> body);
    bool StartWebServer();
    void AbandonWorkers();
    bool AnyRunning();
    void ConnectSource(bool connected);

    Dispatcher& dispatcher_;
    std::string programDir_;
    IControllerHost* host_;
    OcvParam param_;
    Slot vistrel_, motion_, snapshot_, webServer_, recording_;
    uint32_t snapLocal_ = 0, snapFtp_ = 0, snapMail_ = 0;
    uint32_t recordingCounter_ = 0;
    uint32_t flags_ = 0;
    std::string terminateName_, motionPauseName_;
    std::shared_ptr<NamedEvent> terminateEvt_, motionPauseEvt_;
    std::shared_ptr<CtrlLink> link_;
    int timerId_;
    bool stopping_ = false;
    std::function<LocalTime()> clock_ = &GetLocalTime;
};

}  // namespace ocv
