#include "delivery/StopWait.h"

#include <chrono>
#include <thread>

namespace ocv {

bool PauseUnlessStopped(const NamedEvent* stop, int ms) {
    if (ms <= 0) return stop != nullptr && stop->IsSet();
    if (stop == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return false;
    }
    return stop->Wait(ms);
}

std::shared_ptr<NamedEvent> BorrowStopEvent(const NamedEvent* stop) {
    if (stop == nullptr) return nullptr;
    // Aliasing an empty owner: the pointer is shared, nothing is ever deleted through it.
    return std::shared_ptr<NamedEvent>(std::shared_ptr<void>(), const_cast<NamedEvent*>(stop));
}

}  // namespace ocv
