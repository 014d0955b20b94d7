#pragma once
// Small helpers for the remote targets, which run on a capture thread that may be told to stop.
#include <memory>

#include "platform/NamedEvent.h"

namespace ocv {

// Pauses for `ms` milliseconds unless the stop event is set first. Returns true when the pause
// was cut short by the stop event (or the event was already set).
bool PauseUnlessStopped(const NamedEvent* stop, int ms);

// The stop event as the mail clients take it. It does not own the event: the capture thread's
// event outlives every call of a delivery target.
std::shared_ptr<NamedEvent> BorrowStopEvent(const NamedEvent* stop);

}  // namespace ocv
