#pragma once
// Tick count and the local-time record.
#include <cstdint>
#include <ctime>

namespace ocv {

// Milliseconds since an arbitrary start, 32-bit unsigned, wrapping after about 49.7 days.
// Differences of two ticks taken as uint32_t stay right across the wrap.
uint32_t GetTickCount();

// The eight fields of the platform's local-time record.
struct LocalTime {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;      // 1..12
    uint16_t wDayOfWeek = 0;  // 0 = Sunday
    uint16_t wDay = 0;        // 1..31
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

LocalTime GetLocalTime();
// The local-time record of a point in time given as seconds and milliseconds since the epoch.
LocalTime ToLocalTime(std::time_t seconds, int milliseconds = 0);

}  // namespace ocv
