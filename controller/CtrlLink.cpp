#include "controller/CtrlLink.h"

#include "controller/OcvCtrl.h"

#include <algorithm>

namespace ocv {

void CtrlLink::PostState(const std::shared_ptr<WorkerToken>& worker, uint32_t set, uint32_t clear) {
    std::lock_guard lock(mutex_);
    if (!dispatcher_) return;
    dispatcher_->Post([self = shared_from_this(), worker, set, clear] {
        COcvCtrl* ctrl;
        {
            std::lock_guard inner(self->mutex_);
            ctrl = self->ctrl_;
        }
        if (ctrl) ApplyWorkerState(*ctrl, worker, set, clear);
    });
}

int CtrlLink::GetFrame(const NamedEvent* stop, uint8_t* buffer, uint32_t size) {
    if (stop && stop->IsSet()) return kFrameStopped;
    std::shared_ptr<CCamInterface> source;
    {
        std::lock_guard lock(mutex_);
        source = source_;
    }
    if (source && source->IsLost()) return kFrameLost;
    if (source) source->GetSample(buffer, size);
    return kFrameCopied;
}

int CtrlLink::GetFrame(const NamedEvent* stop, BITMAPINFOHEADER& format,
                       std::vector<uint8_t>& buffer) {
    if (stop && stop->IsSet()) return kFrameStopped;
    std::shared_ptr<CCamInterface> source;
    {
        std::lock_guard lock(mutex_);
        source = source_;
    }
    if (source && source->IsLost()) return kFrameLost;
    BITMAPINFOHEADER newest{};
    if (source && source->CopySample(newest, buffer)) format = newest;
    return kFrameCopied;
}

bool CtrlLink::IsLost() {
    std::shared_ptr<CCamInterface> source;
    {
        std::lock_guard lock(mutex_);
        source = source_;
    }
    return source && source->IsLost();
}

uint64_t CtrlLink::PictureNumber() {
    std::shared_ptr<CCamInterface> source;
    {
        std::lock_guard lock(mutex_);
        source = source_;
    }
    return source ? source->PictureNumber() : 0;
}

void CtrlLink::StartRecording(const std::shared_ptr<WorkerToken>& worker,
                              std::vector<PackedFramePtr> frames, std::vector<LocalTime> times,
                              std::function<void()> onRefused) {
    std::lock_guard lock(mutex_);
    if (!dispatcher_) return;
    dispatcher_->Post([self = shared_from_this(), worker, frames = std::move(frames),
                       times = std::move(times), onRefused = std::move(onRefused)] {
        COcvCtrl* ctrl;
        {
            std::lock_guard inner(self->mutex_);
            ctrl = self->ctrl_;
        }
        if (!ctrl || (worker && (worker->abandoned || !worker->running))) return;
        const int count = static_cast<int>(std::min(frames.size(), times.size()));
        if (!ctrl->StartRecording(frames.data(), times.data(), count) && onRefused) onRefused();
    });
}

void CtrlLink::SetSource(std::shared_ptr<CCamInterface> source) {
    std::lock_guard lock(mutex_);
    source_ = std::move(source);
}

void CtrlLink::Detach() {
    std::lock_guard lock(mutex_);
    ctrl_ = nullptr;
    dispatcher_ = nullptr;
    source_.reset();
}

}  // namespace ocv
