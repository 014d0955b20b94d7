#include "sources/LocalCaptureInterface.h"

#include <cstring>

#include "platform/NamedEvent.h"
#include "foundation/RetryBackoff.h"

namespace ocv {
namespace {

// "CALL Failed! [text]" into the failing call and the system's text of the cause.
void SplitError(const std::string& error, std::string& reason, std::string& detail) {
    size_t open = error.rfind(" [");
    if (open != std::string::npos && !error.empty() && error.back() == ']') {
        reason = error.substr(0, open);
        detail = error.substr(open + 2, error.size() - open - 3);
    } else {
        reason = error;
        detail.clear();
    }
}

}  // namespace

CLocalCaptureInterface::CLocalCaptureInterface(std::shared_ptr<FrameNotifier> view,
                                               std::shared_ptr<CLogger> logger,
                                               std::shared_ptr<ICaptureSystem> system)
    : CDxShowInterface(std::move(view), std::move(logger), "V4L2"),
      system_(std::move(system)),
      stop_(NamedEvent::Create("")) {}

CLocalCaptureInterface::~CLocalCaptureInterface() { Disconnect(); }

std::shared_ptr<ICaptureDevice> CLocalCaptureInterface::Device() {
    std::lock_guard lock(deviceMutex_);
    return device_;
}

std::shared_ptr<ICaptureDevice> CLocalCaptureInterface::OpenDevice(DeviceInfo& record,
                                                                   bool firstTime,
                                                                   CaptureFormat& format) {
    CLogger& log = Log();
    auto fail = [&](const std::string& error) {
        std::string reason, detail;
        SplitError(error, reason, detail);
        Fail(reason, detail);
        return nullptr;
    };
    if (firstTime && !record.deviceName.empty()) log.Debug("Get the list of video capture devices");
    std::vector<CaptureDeviceEntry> devices = system_ ? system_->List() : std::vector<CaptureDeviceEntry>{};
    if (firstTime && !record.deviceName.empty())
        log.Debug("Get the number of the specified device name");
    int index = SelectCaptureDevice(devices, record.deviceName, record.cameraNo);
    if (index < 0) {
        Fail("The specified capture device is not found!",
             std::to_string(devices.size()) + " capture device(s) present");
        return nullptr;
    }
    if (firstTime) log.Debug("Get video capture filter");
    std::string error;
    std::shared_ptr<ICaptureDevice> dev = system_->Open(devices[index].path, error);
    if (!dev) return fail(error);
    record.deviceName = devices[index].card;
    if (firstTime) {
        log.Debug("FilterName=%s", record.deviceName.c_str());
        log.Debug("Setup the default of a capture setting value");
        if (record.frameRate == 0) record.frameRate = 30;
        if (record.frameWidth == 0) record.frameWidth = 320;
        if (record.frameHeight == 0) record.frameHeight = 240;
        log.Debug("Setup capture parameters");
        log.Debug("Setup format information FrameRate=%d, Width=%d, Height=%d", record.frameRate,
                  record.frameWidth, record.frameHeight);
    }
    CaptureFormat wanted{record.frameWidth, record.frameHeight, record.frameRate};
    bool set = dev->SetFormat(wanted, error);
    if (!set && firstTime) log.Warning("Can't setup format information.[%s]", error.c_str());
    CaptureFormat got;
    if (!dev->GetFormat(got, error)) {
        if (firstTime) {
            log.Warning("Format information is unacquirable. [%s]", error.c_str());
            formatSettable_ = false;
        }
        return fail(error);
    }
    if (firstTime) formatSettable_ = set;
    record.frameWidth = got.width;
    record.frameHeight = got.height;
    if (got.frameRate > 0) record.frameRate = got.frameRate;
    if (firstTime)
        log.Debug("Get the format information. FrameRate=%d, Width=%d, Height=%d",
                  record.frameRate, record.frameWidth, record.frameHeight);
    if (got.width <= 0 || got.height <= 0) {
        Fail("Sample buffer size is 0!", "the device agreed on no picture size");
        return nullptr;
    }
    if (!dev->Start(error)) return fail(error);
    ++openings_;
    format = got;
    return dev;
}

int CLocalCaptureInterface::Connect(const DeviceInfo* info) {
    std::unique_lock control(controlMutex_);
    if (IsConnected() || thread_.joinable()) {
        control.unlock();
        Disconnect();
        control.lock();
    }
    CLogger& log = Log();
    if (stopRequested_) return 0;
    if (!CheckConnectRecord(info, DEVICE_LOCAL_CAPTURE,
                            "CreateFilterForVideoCapture() Failed! [No Support Filter Type]"))
        return 0;
    if (!stop_) return FailConnect("The stop event cannot be made!", EMFILE);
    stop_->Reset();
    // The view hands its own copy of the record: it learns the card name and the format.
    auto* record = const_cast<DeviceInfo*>(info);
    DeviceInfo work = *record;
    CaptureFormat format;
    std::shared_ptr<ICaptureDevice> dev = OpenDevice(work, true, format);
    if (!dev) {
        ReportConnectFailure();
        return 0;
    }
    log.Debug("Get output information of sample");
    BITMAPINFOHEADER header = MakeRgb24Header(format.width, format.height);
    log.Debug("FORMATTYPE = BGR24 %dx%d", header.biWidth, header.biHeight);
    log.Debug("Reservation of a sample storing buffer memory");
    AllocateSample(header);
    *record = work;
    record_ = work;
    {
        std::lock_guard lock(deviceMutex_);
        device_ = dev;
        format_ = format;
    }
    log.Debug("Start graph!");
    storing_ = true;
    connected_ = true;
    try {
        thread_ = std::thread(&CLocalCaptureInterface::CaptureThread, this);
    } catch (const std::system_error&) {
        control.unlock();
        Disconnect();
        return FailConnect("std::thread() Failed! [CaptureThread]", EAGAIN);
    }
    return 1;
}

void CLocalCaptureInterface::RequestStop() {
    stopRequested_ = true;
    if (stop_) stop_->Set();
}

void CLocalCaptureInterface::StopThread() {
    if (!thread_.joinable()) return;
    stop_->Set();
    // Every wait of the capture thread also waits on the stop event, so it ends at once.
    thread_.join();
    stop_->Reset();
}

void CLocalCaptureInterface::Disconnect() {
    if (stop_) stop_->Set();
    std::lock_guard control(controlMutex_);
    ClearLastError();
    connected_ = false;
    // The capture stops before any buffer goes.
    StopThread();
    storing_ = false;
    std::shared_ptr<ICaptureDevice> dev;
    {
        std::lock_guard lock(deviceMutex_);
        dev.swap(device_);
    }
    if (dev) dev->Stop();
    dev.reset();
    {
        std::lock_guard lock(pendingMutex_);
        std::vector<uint8_t>().swap(pending_);
    }
    FreeSample();
    formatSettable_ = false;
    std::lock_guard lock(deviceMutex_);
    format_ = {};
}

void CLocalCaptureInterface::StoreTopDown(std::vector<uint8_t>& bgr, const CaptureFormat& f) {
    std::lock_guard lock(storeMutex_);
    if (!storing_) return;
    BITMAPINFOHEADER header = MakeRgb24Header(f.width, f.height);
    BITMAPINFOHEADER current{};
    GetFormat(&current);
    if (current.biWidth != f.width || current.biHeight != f.height) {
        // The device came back with another format: its pictures are new first pictures.
        AllocateSample(header);
    }
    size_t row = static_cast<size_t>(f.width) * 3;
    uint32_t stride = DibStride(f.width, 24);
    if (bgr.size() < row * f.height) return;
    rows_.resize(header.biSizeImage);
    for (int y = 0; y < f.height; ++y) {
        uint8_t* dst = rows_.data() + static_cast<size_t>(stride) * (f.height - 1 - y);
        std::memcpy(dst, bgr.data() + row * y, row);
        if (stride > row) std::memset(dst + row, 0, stride - row);
    }
    if (StoreSampleBuffer(rows_)) ++stored_;
}

void CLocalCaptureInterface::RefreshSample() {
    std::vector<uint8_t> picture;
    CaptureFormat f;
    {
        std::lock_guard lock(pendingMutex_);
        if (pending_.empty()) return;
        picture.swap(pending_);
        f = pendingFormat_;
    }
    StoreTopDown(picture, f);
}

void CLocalCaptureInterface::CaptureThread() {
    CLogger& log = Log();
    RetryBackoff backoff;
    std::shared_ptr<ICaptureDevice> dev = Device();
    CaptureFormat format = Format();
    std::vector<uint8_t> bgr;
    std::string card = record_.deviceName;
    auto lost = [&](const std::string& why) {
        log.Error("[SampleThread] The capture device was lost: %s [%s]", why.c_str(), card.c_str());
        if (dev) dev->Stop();
        dev.reset();
        std::lock_guard lock(deviceMutex_);
        device_.reset();
    };
    while (!stop_->IsSet()) {
        if (!dev) {
            if (stop_->Wait(backoff.Next())) break;
            DeviceInfo again = record_;
            again.frameWidth = format.width;
            again.frameHeight = format.height;
            if (format.frameRate > 0) again.frameRate = format.frameRate;
            dev = OpenDevice(again, false, format);
            if (!dev) continue;
            log.Info("[SampleThread] The capture device is back [%s]", card.c_str());
            std::lock_guard lock(deviceMutex_);
            device_ = dev;
            format_ = format;
        }
        std::string error;
        switch (dev->Wait(stop_->Fd(), timings_.pictureWaitMs, error)) {
            case ICaptureDevice::WaitResult::kStopped: continue;
            case ICaptureDevice::WaitResult::kTimeout:
                lost("no picture for " + std::to_string(timings_.pictureWaitMs) + " ms");
                continue;
            case ICaptureDevice::WaitResult::kFailed: lost(error); continue;
            case ICaptureDevice::WaitResult::kPicture: break;
        }
        if (!dev->Read(bgr, error)) {
            if (!error.empty()) lost(error);
            continue;
        }
        ++read_;
        backoff.Reset();
        const CaptureFormat& f = format;
        if (!storing_) continue;
        if (HasSampleBuffer() && !PicturesWanted(kWantedWindowMs)) {
            // Nobody looks: keep the picture as it came; the next copy stores it.
            std::lock_guard lock(pendingMutex_);
            pending_.swap(bgr);
            pendingFormat_ = f;
            continue;
        }
        {
            std::lock_guard lock(pendingMutex_);
            pending_.clear();
        }
        StoreTopDown(bgr, f);
    }
}

bool CLocalCaptureInterface::HasFormatPage() {
    ClearLastError();
    auto dev = Device();
    return IsConnected() && formatSettable_ && dev && !dev->Modes().empty();
}

bool CLocalCaptureInterface::ShowFormatPage(IDialogHost* parent, DeviceInfo* info) {
    if (!HasFormatPage() || !parent || !info) return false;
    DeviceInfo edited = *info;
    if (!parent->RunFormatPage(DEVICE_LOCAL_CAPTURE, edited)) return false;
    *info = edited;
    Disconnect();
    Connect(info);
    return true;
}

bool CLocalCaptureInterface::HasDevicePage() {
    ClearLastError();
    auto dev = Device();
    return IsConnected() && dev && !dev->Controls().empty();
}

bool CLocalCaptureInterface::ShowDevicePage(IDialogHost* parent, DeviceInfo* info) {
    if (!HasDevicePage() || !parent || !info) return false;
    parent->RunDevicePage(DEVICE_LOCAL_CAPTURE, *info);
    Disconnect();
    Connect(info);
    return true;
}

std::vector<CaptureMode> CLocalCaptureInterface::Modes() {
    auto dev = Device();
    return dev ? dev->Modes() : std::vector<CaptureMode>{};
}

std::vector<CaptureControl> CLocalCaptureInterface::Controls() {
    auto dev = Device();
    return dev ? dev->Controls() : std::vector<CaptureControl>{};
}

bool CLocalCaptureInterface::SetControl(uint32_t id, int value) {
    auto dev = Device();
    std::string error;
    if (!dev) return false;
    if (!dev->SetControl(id, value, error)) {
        Log().Warning("%s", error.c_str());
        return false;
    }
    return true;
}

}  // namespace ocv
