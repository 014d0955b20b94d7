#pragma once
// The local capture device source (device type 1): finds the device by its card name and
// number, agrees on a BGR24 format (what the device accepted goes back into the record), and
// stores its pictures on a capture thread of its own. A device that is unplugged is looked for
// again with a growing pause and picks up where it left off when it returns.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sources/CaptureDevice.h"
#include "sources/DxShowInterface.h"

namespace ocv {

class NamedEvent;

// What the format and device pages of a capture device read and change.
class ICaptureSettings {
public:
    virtual ~ICaptureSettings() = default;
    // The picture sizes and rates the device offers.
    virtual std::vector<CaptureMode> Modes() = 0;
    // The device's own settings with their current values.
    virtual std::vector<CaptureControl> Controls() = 0;
    virtual bool SetControl(uint32_t id, int value) = 0;
};

struct CaptureTimings {
    int pictureWaitMs = 5000;  // without a picture before the device counts as lost
};

class CLocalCaptureInterface : public CDxShowInterface, public ICaptureSettings {
public:
    CLocalCaptureInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger,
                           std::shared_ptr<ICaptureSystem> system = V4l2CaptureSystem());
    ~CLocalCaptureInterface() override;

    // Opens the device and starts it; the record gets the card name and the agreed format.
    int Connect(const DeviceInfo* info) override;
    void Disconnect() override;
    // Ends the capture thread's waits at once, from any thread; a later Connect fails.
    void RequestStop() override;
    bool IsConnected() override { return connected_.load(); }
    // A connected device whose format could be set and that lists its modes.
    bool HasFormatPage() override;
    bool ShowFormatPage(IDialogHost* parent, DeviceInfo* info) override;
    // A connected device with controls.
    bool HasDevicePage() override;
    bool ShowDevicePage(IDialogHost* parent, DeviceInfo* info) override;
    void EnableSampleCallback(bool enable) override { storing_ = enable; }

    std::vector<CaptureMode> Modes() override;
    std::vector<CaptureControl> Controls() override;
    bool SetControl(uint32_t id, int value) override;

    void SetTimings(const CaptureTimings& t) { timings_ = t; }
    // While nobody wants pictures as they arrive, the newest one is kept as it came and the
    // next copy turns it into the sample.
    static constexpr uint32_t kWantedWindowMs = 1500;

    // Diagnostics: pictures read from the device, pictures stored, devices opened.
    uint64_t ReadPictures() const { return read_; }
    uint64_t StoredPictures() const { return stored_; }
    uint64_t Openings() const { return openings_; }
    CaptureFormat Format() {
        std::lock_guard lock(deviceMutex_);
        return format_;
    }

protected:
    void RefreshSample() override;

private:
    void CaptureThread();
    // Finds, opens, sets up and starts the device of the record; false with the last error.
    std::shared_ptr<ICaptureDevice> OpenDevice(DeviceInfo& record, bool firstTime,
                                               CaptureFormat& format);
    std::shared_ptr<ICaptureDevice> Device();
    void StoreTopDown(std::vector<uint8_t>& bgr, const CaptureFormat& format);
    void StopThread();

    std::shared_ptr<ICaptureSystem> system_;
    CaptureTimings timings_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> storing_{true};
    std::atomic<bool> stopRequested_{false};
    std::shared_ptr<NamedEvent> stop_;
    std::mutex controlMutex_;
    std::thread thread_;
    std::mutex deviceMutex_;
    std::shared_ptr<ICaptureDevice> device_;
    DeviceInfo record_;  // the record of the connection, for finding the device again
    CaptureFormat format_;  // under deviceMutex_
    std::mutex storeMutex_;  // the stores of the capture thread and of a copy
    std::mutex pendingMutex_;
    std::vector<uint8_t> pending_;  // the newest picture not yet stored, top-down
    CaptureFormat pendingFormat_;
    std::vector<uint8_t> rows_;
    std::atomic<uint64_t> read_{0};
    std::atomic<uint64_t> stored_{0};
    std::atomic<uint64_t> openings_{0};
};

}  // namespace ocv
