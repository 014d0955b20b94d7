#pragma once
// The pause before the next attempt of something that keeps failing: the first pause is short,
// each further failure doubles it up to a ceiling, and a success starts over. A camera that fails
// on every request is then asked a few times a minute instead of dozens of times a second.
#include <algorithm>
#include <cstdint>

namespace ocv {

class RetryBackoff {
public:
    static constexpr uint32_t kFirstMs = 10;
    static constexpr uint32_t kMaxMs = 10000;

    explicit RetryBackoff(uint32_t firstMs = kFirstMs, uint32_t maxMs = kMaxMs)
        : firstMs_(firstMs ? firstMs : 1), maxMs_(maxMs < firstMs_ ? firstMs_ : maxMs) {}

    // The pause after one more failure: firstMs, then twice the last pause, at most maxMs.
    uint32_t Next() {
        next_ = next_ == 0 ? firstMs_
                           : static_cast<uint32_t>(std::min<uint64_t>(uint64_t{next_} * 2, maxMs_));
        ++failures_;
        return next_;
    }
    // The pause after one more failure, but never less than `floorMs` (a wait the protocol asks
    // for, such as the pause after a refused connection).
    uint32_t NextAtLeast(uint32_t floorMs) {
        uint32_t ms = Next();
        return ms < floorMs ? floorMs : ms;
    }
    // A success: the next failure waits firstMs again.
    void Reset() {
        next_ = 0;
        failures_ = 0;
    }
    // Failures since the last success.
    uint32_t Failures() const { return failures_; }

private:
    uint32_t firstMs_, maxMs_;
    uint32_t next_ = 0;
    uint32_t failures_ = 0;
};

}  // namespace ocv
