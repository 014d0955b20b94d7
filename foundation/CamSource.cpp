#include "foundation/CamSource.h"

#include <cstring>

#include "platform/Time.h"

namespace ocv {

CCamSource::CCamSource(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger)
    : view_(view ? std::move(view) : std::make_shared<FrameNotifier>()),
      logger_(logger ? std::move(logger) : std::make_shared<CLogger>()),
      pictures_(NextNumberBase()) {}

uint64_t CCamSource::NextNumberBase() {
    // Each source counts from a base of its own, so the numbers of a replaced source never
    // match those of the one before it.
    static std::atomic<uint64_t> sources{0};
    return (sources.fetch_add(1) + 1) << 40;
}

uint32_t CCamSource::NowTick() { return GetTickCount(); }

bool CCamSource::GetFormat(BITMAPINFOHEADER* out) {
    std::lock_guard lock(sampleLock_);
    if (out) *out = format_;
    return true;
}

bool CCamSource::PicturesWanted(uint32_t windowMs) {
    if (view_->HasListener()) return true;
    return demanded_ && GetTickCount() - lastDemandTick_ < windowMs;
}

bool CCamSource::GetSample(uint8_t* buffer, uint32_t size) {
    // The catch-up comes before the demand is noted, so the sample thread reads the waiting
    // block as it reads while nobody looks: newest picture kept, none decoded.
    CatchUp();
    lastDemandTick_ = GetTickCount();
    demanded_ = true;
    RefreshSample();
    std::lock_guard lock(sampleLock_);
    if (!hasBuffer_ || !buffer || size != format_.biSizeImage) return false;
    std::memcpy(buffer, pixels_.data(), size);
    return true;
}

bool CCamSource::CopySample(BITMAPINFOHEADER& format, std::vector<uint8_t>& pixels) {
    CatchUp();
    lastDemandTick_ = GetTickCount();
    demanded_ = true;
    RefreshSample();
    std::lock_guard lock(sampleLock_);
    if (!hasBuffer_ || format_.biSizeImage == 0 || pixels_.size() != format_.biSizeImage) {
        format = BITMAPINFOHEADER{};
        return false;
    }
    format = format_;
    pixels.assign(pixels_.begin(), pixels_.end());
    return true;
}

uint32_t CCamSource::LostLimitMs() {
    uint64_t limit = static_cast<uint64_t>(intervalMs_.load()) * kLostIntervals;
    return limit > kMinLostMs
               ? static_cast<uint32_t>(limit > UINT32_MAX / 2 ? UINT32_MAX / 2 : limit)
               : kMinLostMs;
}

uint32_t CCamSource::MsSinceLastPicture() {
    if (!hasPicture_) return 0;
    return Tick() - lastPictureTick_.load();
}

bool CCamSource::IsLost() {
    if (!hasPicture_ || !IsConnected()) return false;
    uint32_t since = MsSinceLastPicture();
    if (since < LostLimitMs()) return lost_;
    if (!lost_.exchange(true)) {
        Log().WarningOnce(
            "No new picture for %u s: the camera is lost; captures are skipped until "
            "pictures arrive again",
            since / 1000);
    }
    return true;
}

void CCamSource::NotePicture() {
    uint32_t now = Tick();
    if (hasPicture_.exchange(true)) {
        uint32_t gap = now - lastPictureTick_.load();
        bool wasLost = lost_.exchange(false);
        // A smoothed interval, so one late picture does not move the lost limit much; the gap
        // of a loss is no frame interval.
        uint32_t old = intervalMs_.load();
        if (!wasLost && gap < LostLimitMs())
            intervalMs_ = old == 0 ? gap : static_cast<uint32_t>((3ull * old + gap) / 4);
        if (wasLost) {
            // A camera that comes and goes again and again writes these lines once, then counts.
            Log().InfoOnce("Pictures arrive again: the camera was lost for %u s", gap / 1000);
        }
    }
    lastPictureTick_ = now;
    pictures_.fetch_add(1);
}

bool CCamSource::TakeFormat(const BITMAPINFOHEADER& format, bool allocate) {
    bool had = hasBuffer_;
    bool same = had && format_.biWidth == format.biWidth && format_.biHeight == format.biHeight &&
                format_.biBitCount == format.biBitCount &&
                format_.biSizeImage == format.biSizeImage;
    if (same) return false;
    format_ = format;
    if (allocate) pixels_.assign(format.biSizeImage, 0);
    hasBuffer_ = true;
    display_ = LetterBox(format_.biWidth, format_.biHeight, viewCx_, viewCy_);
    return had;
}

void CCamSource::LogSizeChange(const BITMAPINFOHEADER& before, const BITMAPINFOHEADER& after) {
    Log().Info("The picture size changed from %dx%d to %dx%d", before.biWidth, before.biHeight,
               after.biWidth, after.biHeight);
}

bool CCamSource::StoreFrame(const BITMAPINFOHEADER& format, const uint8_t* data) {
    if (!data || format.biSizeImage == 0 || format.biWidth <= 0) return false;
    BITMAPINFOHEADER before{};
    bool changed;
    {
        std::lock_guard lock(sampleLock_);
        before = format_;
        changed = TakeFormat(format, true);
        std::memcpy(pixels_.data(), data, format.biSizeImage);
    }
    if (changed) LogSizeChange(before, format);
    NotePicture();
    view_->Notify();
    return true;
}

bool CCamSource::StoreFrameBuffer(const BITMAPINFOHEADER& format, std::vector<uint8_t>& pixels) {
    if (format.biSizeImage == 0 || format.biWidth <= 0 || pixels.size() != format.biSizeImage)
        return false;
    BITMAPINFOHEADER before{};
    bool changed;
    {
        std::lock_guard lock(sampleLock_);
        before = format_;
        changed = TakeFormat(format, false);
        pixels_.swap(pixels);
    }
    if (changed) LogSizeChange(before, format);
    NotePicture();
    view_->Notify();
    return true;
}

uint32_t CCamSource::GetSampleSize() {
    std::lock_guard lock(sampleLock_);
    return format_.biSizeImage;
}

bool CCamSource::Draw(const PaintFn& paint) {
    bool connected = IsConnected();
    if (connected) RefreshSample();
    std::lock_guard lock(sampleLock_);
    if (!connected || !hasBuffer_) return connected;
    if (paint) paint(format_, pixels_.data(), display_);
    return true;
}

Rect CCamSource::LetterBox(int32_t width, int32_t height, int cx, int cy) {
    if (width <= 0 || height <= 0) return {};
    double ratio = static_cast<double>(height) / static_cast<double>(width);
    int w = cx;
    int h = static_cast<int>(cx * ratio);
    if (h > cy) {
        h = cy;
        w = static_cast<int>(cy / ratio);
    }
    int left = (cx - w) / 2;
    int top = (cy - h) / 2;
    return {left, top, left + w, top + h};
}

void CCamSource::SetViewSize(int cx, int cy) {
    bool connected = IsConnected();
    std::lock_guard lock(sampleLock_);
    viewCx_ = cx;
    viewCy_ = cy;
    display_ = connected ? LetterBox(format_.biWidth, format_.biHeight, cx, cy) : Rect{};
}

Rect CCamSource::DisplayRect() {
    std::lock_guard lock(sampleLock_);
    return display_;
}

void CCamSource::AllocateSample(const BITMAPINFOHEADER& format) {
    std::lock_guard lock(sampleLock_);
    format_ = format;
    pixels_.assign(format.biSizeImage, 0);
    hasBuffer_ = true;
    display_ = LetterBox(format_.biWidth, format_.biHeight, viewCx_, viewCy_);
}

void CCamSource::FreeSample() {
    std::lock_guard lock(sampleLock_);
    format_ = BITMAPINFOHEADER{};
    std::vector<uint8_t>().swap(pixels_);
    hasBuffer_ = false;
    display_ = {};
    hasPicture_ = false;
    intervalMs_ = 0;
    lost_ = false;
}

bool CCamSource::HasSampleBuffer() {
    std::lock_guard lock(sampleLock_);
    return hasBuffer_;
}

bool CCamSource::StoreSample(const uint8_t* data, size_t length) {
    {
        std::lock_guard lock(sampleLock_);
        if (!hasBuffer_ || !data || length != format_.biSizeImage) return false;
        std::memcpy(pixels_.data(), data, length);
    }
    NotePicture();
    view_->Notify();
    return true;
}

bool CCamSource::StoreSampleBuffer(std::vector<uint8_t>& pixels) {
    {
        std::lock_guard lock(sampleLock_);
        if (!hasBuffer_ || pixels.size() != format_.biSizeImage) return false;
        pixels_.swap(pixels);
    }
    NotePicture();
    view_->Notify();
    return true;
}

}  // namespace ocv
