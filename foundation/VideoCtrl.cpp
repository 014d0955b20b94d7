#include "foundation/VideoCtrl.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace ocv {

// One connect running on its own thread. The thread owns a share of it; the view keeps one
// while the connect counts. `mutex` orders the thread's report against a cancel: after
// `cancelled` is set under it, the thread no longer touches the dispatcher (which may be gone).
struct CVideoCtrl::Attempt {
    std::mutex mutex;
    bool cancelled = false;
    std::shared_ptr<CCamInterface> source;
    DeviceInfo info;
};

namespace {

// The connect threads that have not ended yet.
std::mutex g_runningMutex;
std::condition_variable g_runningCv;
int g_running = 0;

}  // namespace

CVideoCtrl::CVideoCtrl(std::shared_ptr<CLogger> logger, SourceFactory factory)
    : logger_(logger ? std::move(logger) : std::make_shared<CLogger>()),
      factory_(std::move(factory)),
      notifier_(std::make_shared<FrameNotifier>()) {}

CVideoCtrl::~CVideoCtrl() {
    notifier_->Clear();
    Disconnect();
}

bool CVideoCtrl::Connect(const DeviceInfo& info) {
    CancelConnect();
    if (source_) Disconnect();
    info_ = info;
    if (!IsKnownDeviceType(info_.deviceType) || !factory_) return false;
    source_ = factory_(info_.deviceType, notifier_, logger_);
    if (!source_) return false;
    bool ok = source_->Connect(&info_) > 0;
    source_->SetViewSize(cx_, cy_);
    return ok;
}

void CVideoCtrl::ConnectAsync(const DeviceInfo& info, Dispatcher& dispatcher,
                              std::function<void(bool)> done) {
    CancelConnect();
    if (source_) Disconnect();
    info_ = info;
    auto attempt = std::make_shared<Attempt>();
    attempt->info = info_;
    if (IsKnownDeviceType(info_.deviceType) && factory_)
        attempt->source = factory_(info_.deviceType, notifier_, logger_);
    attempt_ = attempt;
    // Runs on the owner thread: the source becomes this view's source unless the connect was
    // cancelled or replaced meanwhile.
    auto finish = [this, attempt, done = std::move(done)](bool ok) {
        if (attempt_ != attempt) return;
        attempt_.reset();
        source_ = attempt->source;
        info_ = attempt->info;
        if (source_) source_->SetViewSize(cx_, cy_);
        if (done) done(ok);
    };
    if (!attempt->source) {
        dispatcher.Post([attempt, finish] {
            std::lock_guard lock(attempt->mutex);
            if (!attempt->cancelled) finish(false);
        });
        return;
    }
    {
        std::lock_guard lock(g_runningMutex);
        ++g_running;
    }
    try {
        std::thread([attempt, &dispatcher, finish] {
            bool ok = attempt->source->Connect(&attempt->info) > 0;
            {
                std::lock_guard lock(attempt->mutex);
                if (!attempt->cancelled) {
                    dispatcher.Post([attempt, finish, ok] {
                        bool cancelled;
                        {
                            std::lock_guard inner(attempt->mutex);
                            cancelled = attempt->cancelled;
                        }
                        if (!cancelled) finish(ok);
                    });
                }
            }
            bool cancelled;
            {
                std::lock_guard lock(attempt->mutex);
                cancelled = attempt->cancelled;
            }
            // A source given up on while it connected stops here, off the owner thread.
            if (cancelled) attempt->source->Disconnect();
            std::lock_guard lock(g_runningMutex);
            --g_running;
            g_runningCv.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        {
            std::lock_guard lock(g_runningMutex);
            --g_running;
        }
        attempt_.reset();
        dispatcher.Post([attempt, finish] {
            std::lock_guard lock(attempt->mutex);
            if (!attempt->cancelled) finish(false);
        });
    }
}

void CVideoCtrl::CancelConnect() {
    if (!attempt_) return;
    std::shared_ptr<Attempt> attempt = std::move(attempt_);
    {
        std::lock_guard lock(attempt->mutex);
        attempt->cancelled = true;
    }
    if (attempt->source) attempt->source->RequestStop();
}

bool CVideoCtrl::WaitForConnectThreads(int ms) {
    std::unique_lock lock(g_runningMutex);
    return g_runningCv.wait_for(lock, std::chrono::milliseconds(ms), [] { return g_running == 0; });
}

void CVideoCtrl::Disconnect() {
    CancelConnect();
    if (!source_) return;
    source_->Disconnect();
    source_.reset();
}

bool CVideoCtrl::IsConnected() { return source_ && source_->IsConnected(); }
bool CVideoCtrl::HasFormatPage() { return source_ && source_->HasFormatPage(); }
bool CVideoCtrl::ShowFormatPage(IDialogHost* parent) {
    return source_ && source_->ShowFormatPage(parent, &info_);
}
bool CVideoCtrl::HasDevicePage() { return source_ && source_->HasDevicePage(); }
bool CVideoCtrl::ShowDevicePage(IDialogHost* parent) {
    return source_ && source_->ShowDevicePage(parent, &info_);
}
bool CVideoCtrl::GetFormat(BITMAPINFOHEADER* out) { return source_ && source_->GetFormat(out); }
bool CVideoCtrl::GetSample(uint8_t* buffer, uint32_t size) {
    return source_ && source_->GetSample(buffer, size);
}
uint32_t CVideoCtrl::GetSampleSize() { return source_ ? source_->GetSampleSize() : 0; }
void CVideoCtrl::EnableSampleCallback(bool enable) {
    if (source_) source_->EnableSampleCallback(enable);
}
int32_t CVideoCtrl::GetFrameWidth() {
    BITMAPINFOHEADER h{};
    return GetFormat(&h) ? h.biWidth : 0;
}
int32_t CVideoCtrl::GetFrameHeight() {
    BITMAPINFOHEADER h{};
    return GetFormat(&h) ? h.biHeight : 0;
}

bool CVideoCtrl::Paint(const PaintFn& paint) {
    if (!source_ || !source_->IsConnected()) return false;
    return source_->Draw(paint);
}

void CVideoCtrl::OnSize(int cx, int cy) {
    cx_ = cx;
    cy_ = cy;
    if (source_) source_->SetViewSize(cx, cy);
}

void CVideoCtrl::SetFrameListener(std::function<void()> listener) {
    notifier_->Set(std::move(listener));
}

}  // namespace ocv
