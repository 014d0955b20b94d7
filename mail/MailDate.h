#pragma once
// The value of a mail "Date:" header.
#include <ctime>
#include <string>

namespace ocv {

// "%a, %d %b %Y %H:%M:%S +hhmm" of the local time, with English day and month names and the
// machine's real offset from UTC at that moment. Empty when the time cannot be converted.
std::string FormatMailDate(std::time_t when);

}  // namespace ocv
