#include "foundation/CamSource.h"

#include <cstring>

#include "platform/Time.h"

namespace ocv {

CCamSource::CCamSource(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger)
    : view_(view ? std::move(view) : std::make_shared<FrameNotifier>()),
      logger_(logger ? std::move(logger) : std::make_shared<CLogger>()) {}

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
    lastDemandTick_ = GetTickCount();
    demanded_ = true;
    RefreshSample();
    std::lock_guard lock(sampleLock_);
    if (!hasBuffer_ || !buffer || size != format_.biSizeImage) return false;
    std::memcpy(buffer, pixels_.data(), size);
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
    view_->Notify();
    return true;
}

bool CCamSource::StoreSampleBuffer(std::vector<uint8_t>& pixels) {
    {
        std::lock_guard lock(sampleLock_);
        if (!hasBuffer_ || pixels.size() != format_.biSizeImage) return false;
        pixels_.swap(pixels);
    }
    view_->Notify();
    return true;
}

}  // namespace ocv
