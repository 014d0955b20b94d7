#pragma once
// The pause before each new attempt of a failing camera: 10 ms first, doubled after every
// failure up to 10 s, and back to the start after the first good picture.
#include <algorithm>

namespace ocv {

class RetryBackoff {
public:
    static constexpr int kFirstMs = 10;
    static constexpr int kLongestMs = 10000;

    // The pause before the next attempt; the one after it is twice as long (at most 10 s).
    int Next() {
        int pause = next_;
        next_ = std::min(next_ * 2, kLongestMs);
        return pause;
    }
    void Reset() { next_ = kFirstMs; }

private:
    int next_ = kFirstMs;
};

}  // namespace ocv
