#include "controller/OcvCtrl.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "controller/WebServerLink.h"
#include "foundation/UrlMask.h"
#include "net/WebServer.h"
#include "platform/Time.h"

namespace ocv {
namespace {

std::atomic<int> g_instances{0};

}  // namespace

COcvCtrl::COcvCtrl(Dispatcher& dispatcher, SourceFactory factory, std::string programDir,
                   IControllerHost* host)
    : CVideoCtrl(std::make_shared<CLogger>(), std::move(factory)),
      dispatcher_(dispatcher),
      programDir_(std::move(programDir)),
      host_(host) {
    ClearOcvParam(param_);
    int instance = g_instances.load();
    terminateName_ = MakeEventName("TerminateEvt%d%d%04d", instance);
    motionPauseName_ = MakeEventName("MotionPauseEvt%d%d%04d", instance);
    terminateEvt_ = NamedEvent::Create(terminateName_);
    if (!terminateEvt_) Log().ErrorBox("Create Terminate Thread Event Failed!!");
    motionPauseEvt_ = NamedEvent::Create(motionPauseName_);
    if (!motionPauseEvt_) Log().ErrorBox("Create Motion Pause Event Failed!!");
    g_instances.fetch_add(1);
    timerId_ = 1000 + instance * 8 + kScheduleTimerBase;
    link_ = std::make_shared<CtrlLink>(this, &dispatcher_, Logger());
}

COcvCtrl::~COcvCtrl() {
    dispatcher_.KillTimer(timerId_);
    StopThreads(3, false);
    link_->Detach();
    Disconnect();
}

void COcvCtrl::Create() {
    MakeDefaultOcvParam(param_, programDir_);
    Log().SetName(param_.name);
    DisarmSchedule();
    if (param_.schedule.enable) ArmSchedule();
}

void COcvCtrl::SetParam(const OcvParam& param) {
    param_ = param;
    Log().SetName(param_.name);
    DisarmSchedule();
    if (param_.schedule.enable) ArmSchedule();
}

void COcvCtrl::SetState(uint32_t set, uint32_t clear) {
    flags_ = (flags_ | set) & ~clear;
    if (host_) host_->OnStateChanged(*this, flags_);
    if (clear & STATE_VISTREL) vistrel_.reset();
    if (clear & STATE_MOTION) motion_.reset();
    if (clear & STATE_SNAPSHOT) snapshot_.reset();
    if (clear & STATE_WEBSERVER) webServer_.reset();
    if (clear & STATE_RECORDING) recording_.reset();
}

void ApplyWorkerState(COcvCtrl& ctrl, const std::shared_ptr<WorkerToken>& worker, uint32_t set,
                      uint32_t clear) {
    // A worker that was given up on no longer speaks for its kind of thread.
    if (worker && worker->abandoned) return;
    // A late message of a thread that has ended must not touch the bits and the handle of a newer
    // thread of the same kind.
    struct Kind {
        uint32_t bits;
        COcvCtrl::Slot* slot;
    };
    const Kind kinds[] = {{STATE_VISTREL | STATE_VISTREL_BUSY, &ctrl.vistrel_},
                          {STATE_MOTION | STATE_MOTION_DETECTED, &ctrl.motion_},
                          {STATE_SNAPSHOT | STATE_SNAPSHOT_BUSY, &ctrl.snapshot_},
                          {STATE_WEBSERVER, &ctrl.webServer_},
                          {STATE_RECORDING, &ctrl.recording_}};
    if (worker) {
        for (const Kind& k : kinds) {
            if (*k.slot && *k.slot != worker) {
                set &= ~k.bits;
                clear &= ~k.bits;
            }
        }
    }
    if (set || clear) ctrl.SetState(set, clear);
}

bool COcvCtrl::Alive(Slot& slot) {
    if (!slot) return false;
    if (slot->running) return true;
    slot.reset();
    return false;
}

bool COcvCtrl::AnyRunning() {
    // Every test runs so that each ended thread's handle is forgotten.
    bool a = IsVistrelRunning(), b = IsMotionRunning(), c = IsSnapshotRunning(),
         d = IsWebServerRunning(), e = IsRecordingRunning();
    return a || b || c || d || e;
}

std::unique_ptr<CaptureThreadParam> COcvCtrl::MakeBlock() {
    auto block = std::make_unique<CaptureThreadParam>();
    block->param = param_;
    block->ctrl = link_;
    GetFormat(&block->format);
    block->terminateEventName = terminateName_;
    block->motionPauseEventName = motionPauseName_;
    return block;
}

bool COcvCtrl::StartThread(Slot& slot,
                           std::function<void(const std::shared_ptr<WorkerToken>&)> body) {
    auto token = std::make_shared<WorkerToken>();
    try {
        // Detached: the controller never joins a worker; it watches `running` and may give up
        // on the thread, which then ends by itself on the stop event it holds.
        std::thread([body = std::move(body), token] {
            body(token);
            token->running = false;
        }).detach();
    } catch (const std::system_error&) {
        slot.reset();
        return false;
    }
    slot = std::move(token);
    return true;
}

bool COcvCtrl::StartWorker(Slot& slot, void (*body)(std::unique_ptr<CaptureThreadParam>),
                           std::unique_ptr<CaptureThreadParam> block) {
    auto shared = std::make_shared<std::unique_ptr<CaptureThreadParam>>(std::move(block));
    return StartThread(slot, [body, shared](const std::shared_ptr<WorkerToken>& token) {
        (*shared)->worker = token;
        body(std::move(*shared));
    });
}

bool COcvCtrl::StartWebServer() {
    auto block = std::make_unique<WebServerBlock>();
    block->param = param_;
    GetFormat(&block->format);
    block->stopEventName = terminateName_;
    auto shared = std::make_shared<std::unique_ptr<WebServerBlock>>(std::move(block));
    auto link = link_;
    return StartThread(webServer_, [shared, link](const std::shared_ptr<WorkerToken>& token) {
        (*shared)->host = std::make_shared<WebServerLink>(link, token, (*shared)->stopEventName);
        WebServerThread(std::move(*shared));
    });
}

int COcvCtrl::StartCapture() {
    const OcvParam& p = param_;
    if (!p.vistrel.enableVistrel && !p.motion.enableMotionCapture && !p.webServer.enable &&
        !p.webServer.imodeEnable) {
        Log().ErrorBox("開始する処理が何もありません！キャプチャー設定を確認してください。");
        return 0;
    }
    if (p.vistrel.enableVistrel && !IsVistrelRunning()) {
        if (!StartWorker(vistrel_, &VistrelThread, MakeBlock())) {
            Log().ErrorBox("AfxBeginThread() failed! [VistrelThread]");
            return 0;
        }
    }
    if (p.motion.enableMotionCapture && !IsMotionRunning()) {
        if (!StartWorker(motion_, &MotionCaptureThread, MakeBlock())) {
            Log().ErrorBox("AfxBeginThread() failed! [MotionCaptureThread]");
            return 0;
        }
    }
    if ((p.webServer.enable || p.webServer.imodeEnable) && !IsWebServerRunning()) {
        if (!StartWebServer()) {
            Log().ErrorBox("AfxBeginThread() failed! [WebServerThread]");
            return 0;
        }
    }
    return 1;
}

int COcvCtrl::StopCapture() { return StopThreads(10, true); }

int COcvCtrl::TakeSnapshot() {
    if (IsSnapshotRunning()) {
        Log().Error("ｽﾅｯﾌﾟｼｮｯﾄ中に別のｽﾅｯﾌﾟｼｮｯﾄ指示が出されました！");
        return 0;
    }
    auto block = MakeBlock();
    block->motionPauseEventName.clear();
    block->localCounter = snapLocal_;
    block->ftpCounter = snapFtp_;
    block->mailCounter = snapMail_;
    if (!StartWorker(snapshot_, &SnapShotThread, std::move(block))) {
        Log().ErrorBox("AfxBeginThread() failed! [SnapShotThread]");
        return 0;
    }
    // The controller's counters follow the names the snapshot makes while a counter is shown.
    const SnapShotSetting& s = param_.snapShot;
    if (s.local.image.enableAddNameCounter) ++snapLocal_;
    if (s.enableFtp && s.ftp.image.enableAddNameCounter) ++snapFtp_;
    if (s.enableSmtp && s.smtp.image.enableAddNameCounter) ++snapMail_;
    return 1;
}

int COcvCtrl::StartRecording(const PackedFramePtr* frames, const LocalTime* times, int count) {
    if (IsRecordingRunning()) {
        Log().Error("録画中に録画指示が出されました。同時録画はできません！");
        return 0;
    }
    auto block = MakeBlock();
    block->motionPauseEventName.clear();
    block->localCounter = recordingCounter_;
    if (count > 0 && frames && times) {
        const size_t n = std::min<size_t>(count, CaptureThreadParam::kMaxPreEventFrames);
        // The frames are immutable: the block shares them with the caller's ring.
        block->preEventFrames.assign(frames, frames + n);
        block->preEventTimes.assign(times, times + n);
    }
    if (!StartWorker(recording_, &RecordingThread, std::move(block))) {
        Log().ErrorBox("AfxBeginThread() failed! [RecordingThread]");
        return 0;
    }
    if (param_.recording.local.image.enableAddNameCounter) ++recordingCounter_;
    return 1;
}

void COcvCtrl::ConnectSource(bool connected) { link_->SetSource(connected ? Source() : nullptr); }

void COcvCtrl::ConnectCameraAsync(std::function<void(int)> done) {
    const std::string name = param_.deviceInfo.deviceName;
    if (name.empty()) {
        Log().ErrorBox("接続先デバイス名の指定がありません!");
        int r = RunConnectWizard();
        if (done) done(r);
        return;
    }
    // The device name is a URL that may carry a password.
    const std::string shown = MaskUrlPassword(name);
    Log().Info("Connecting to %s...", shown.c_str());
    link_->SetSource(nullptr);
    ConnectAsync(param_.deviceInfo, dispatcher_, [this, shown, done](bool ok) {
        if (!ok) {
            Log().ErrorBox("%sとの接続に失敗しました!", shown.c_str());
            SetState(0, STATE_CONNECTED);
            if (done) done(0);
            return;
        }
        Log().Info("[%s]との接続を確立", shown.c_str());
        param_.deviceInfo = GetDeviceInfo();
        ConnectSource(true);
        SetState(STATE_CONNECTED, 0);
        DisarmSchedule();
        if (param_.schedule.enable) ArmSchedule();
        if (done) done(1);
    });
}

int COcvCtrl::ConnectCamera() {
    auto result = std::make_shared<int>(-1);
    ConnectCameraAsync([result](int r) { *result = r; });
    while (*result < 0 && IsConnecting()) dispatcher_.ProcessPending(50);
    return *result < 0 ? 0 : *result;
}

int COcvCtrl::RunConnectWizard() { return host_ ? host_->RunConnectWizard(*this) : 0; }

void COcvCtrl::ArmSchedule() {
    dispatcher_.StartTimer(timerId_, kScheduleIntervalMs, [this] { CheckSchedule(); });
    SetState(STATE_SCHEDULE, 0);
}

void COcvCtrl::DisarmSchedule() {
    dispatcher_.KillTimer(timerId_);
    SetState(0, STATE_SCHEDULE);
}

void COcvCtrl::CheckSchedule() {
    const ScheduleSetting& s = param_.schedule;
    LocalTime now = clock_();
    if (now.wDayOfWeek > 6 || !(s.execWeek & (1 << now.wDayOfWeek))) return;
    if ((flags_ & STATE_CONNECTED) && !IsVistrelRunning() && !IsMotionRunning() &&
        now.wHour == s.startHour && now.wMinute == s.startMinute) {
        Log().Info("Start capture by schedule.");
        StartCapture();
    }
    if (now.wHour == s.endHour && now.wMinute == s.endMinute) {
        Log().Info("Stop capture by schedule.");
        DisarmSchedule();
        StopThreads(5, false);
        ArmSchedule();
    }
}

int COcvCtrl::GetFrame(const NamedEvent* stop, uint8_t* buffer, uint32_t size) {
    return link_->GetFrame(stop, buffer, size);
}

void COcvCtrl::AbandonWorkers() {
    for (Slot* slot : {&vistrel_, &motion_, &snapshot_, &webServer_, &recording_}) {
        if (*slot) (*slot)->abandoned = true;
        slot->reset();
    }
    // Threads given up on keep the old stop event, which stays set, so they end at their next
    // look; new threads find a fresh event under the same name.
    if (terminateEvt_) terminateEvt_ = NamedEvent::CreateReplacing(terminateName_);
}

void COcvCtrl::SignalStop() {
    if (terminateEvt_ && AnyRunning()) terminateEvt_->Set();
}

int COcvCtrl::StopThreads(int limitSeconds, bool ask) {
    if (stopping_ || !AnyRunning()) return 1;
    stopping_ = true;
    EnableSampleCallback(false);
    if (terminateEvt_) terminateEvt_->Set();
    SetState(STATE_STOPPING, 0);
    uint32_t tick = GetTickCount();
    int seconds = 0;
    Log().Info("停止処理中・・・");
    for (;;) {
        if (GetTickCount() - tick >= 1000) {
            ++seconds;
            tick = GetTickCount();
            Log().Info("停止処理中・・・");
        }
        // Keep the owner thread's queue moving: workers' state messages arrive here.
        dispatcher_.ProcessPending(0);
        if (!AnyRunning()) break;
        if (seconds >= limitSeconds) {
            seconds = 0;
            bool force = !ask || !host_ || host_->ConfirmForcedStop(*this);
            if (force) {
                Log().Warning("ｽﾚｯﾄﾞを強制終了します");
                AbandonWorkers();
                SetState(0, STATE_ALL_WORKERS);
                break;
            }
        }
        dispatcher_.ProcessPending(100);
    }
    if (terminateEvt_) terminateEvt_->Reset();
    SetState(0, STATE_STOPPING);
    EnableSampleCallback(true);
    stopping_ = false;
    return 1;
}

}  // namespace ocv
