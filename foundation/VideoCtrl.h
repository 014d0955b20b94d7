#pragma once
// The view side of a camera: owns exactly one source at a time, creates it from the device type
// and forwards to it. The controller derives from it; the desktop view paints through it.
#include <functional>
#include <memory>

#include "foundation/CamSource.h"
#include "platform/Dispatcher.h"

namespace ocv {

// Makes the source of a device type (1..8) or returns nullptr when that type is not available.
using SourceFactory = std::function<std::shared_ptr<CCamInterface>(
    int32_t deviceType, std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger)>;

class CVideoCtrl {
public:
    CVideoCtrl(std::shared_ptr<CLogger> logger, SourceFactory factory);
    virtual ~CVideoCtrl();
    CVideoCtrl(const CVideoCtrl&) = delete;
    CVideoCtrl& operator=(const CVideoCtrl&) = delete;

    // Drops any current source, copies the record, refuses a type outside 1..8, creates the
    // source and connects it. True when the source's Connect returned more than 0.
    bool Connect(const DeviceInfo& info);
    // The same without waiting on the owner thread: drops any current source (and any connect
    // in progress), creates the source here and runs its Connect on a thread of its own. `done`
    // runs later on the owner thread through the dispatcher with the result, once the source
    // is this view's source; it does not run when the connect is cancelled first.
    void ConnectAsync(const DeviceInfo& info, Dispatcher& dispatcher,
                      std::function<void(bool connected)> done);
    // Owner thread: ends a connect in progress at once (its source stops waiting and is
    // dropped; `done` is not called). Nothing happens without one.
    void CancelConnect();
    bool IsConnecting() const { return static_cast<bool>(attempt_); }
    // Waits up to `ms` for every connect thread of the process to end (after CancelConnect they
    // end at once), so that a program that exits leaves none behind. True when none is left.
    static bool WaitForConnectThreads(int ms);
    // Disconnects and destroys the source (a connect in progress is cancelled).
    void Disconnect();

    bool IsConnected();
    bool HasFormatPage();
    bool ShowFormatPage(IDialogHost* parent);
    bool HasDevicePage();
    bool ShowDevicePage(IDialogHost* parent);
    bool GetFormat(BITMAPINFOHEADER* out);
    bool GetSample(uint8_t* buffer, uint32_t size);
    uint32_t GetSampleSize();
    void EnableSampleCallback(bool enable);
    int32_t GetFrameWidth();
    int32_t GetFrameHeight();

    // Paints the picture through the source; false when the view should paint its no-signal
    // picture instead.
    bool Paint(const PaintFn& paint);
    // The view's new client size.
    void OnSize(int cx, int cy);
    // Called after every stored picture (on the source's delivery thread).
    void SetFrameListener(std::function<void()> listener);

    const DeviceInfo& GetDeviceInfo() const { return info_; }
    std::shared_ptr<CCamInterface> Source() const { return source_; }
    const std::shared_ptr<CLogger>& Logger() const { return logger_; }

private:
    struct Attempt;

    std::shared_ptr<CLogger> logger_;
    SourceFactory factory_;
    std::shared_ptr<FrameNotifier> notifier_;
    std::shared_ptr<CCamInterface> source_;
    std::shared_ptr<Attempt> attempt_;
    DeviceInfo info_;
    int cx_ = 0, cy_ = 0;
};

}  // namespace ocv
