#include "platform/Time.h"

#include <chrono>

namespace ocv {

uint32_t GetTickCount() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

LocalTime ToLocalTime(std::time_t seconds, int milliseconds) {
    std::tm tm{};
    localtime_r(&seconds, &tm);
    LocalTime t;
    t.wYear = static_cast<uint16_t>(tm.tm_year + 1900);
    t.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
    t.wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    t.wDay = static_cast<uint16_t>(tm.tm_mday);
    t.wHour = static_cast<uint16_t>(tm.tm_hour);
    t.wMinute = static_cast<uint16_t>(tm.tm_min);
    t.wSecond = static_cast<uint16_t>(tm.tm_sec);
    t.wMilliseconds = static_cast<uint16_t>(milliseconds);
    return t;
}

LocalTime GetLocalTime() {
    using namespace std::chrono;
    auto now = system_clock::now();
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
    return ToLocalTime(static_cast<std::time_t>(ms / 1000), static_cast<int>(ms % 1000));
}

}  // namespace ocv
