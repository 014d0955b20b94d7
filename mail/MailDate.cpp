#include "mail/MailDate.h"

#include <cstdio>
#include <cstdlib>

namespace ocv {

std::string FormatMailDate(std::time_t when) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    if (::localtime_r(&when, &tm) == nullptr) return {};
    if (tm.tm_wday < 0 || tm.tm_wday > 6 || tm.tm_mon < 0 || tm.tm_mon > 11) return {};
    long offset = tm.tm_gmtoff;  // seconds east of UTC
    char sign = offset < 0 ? '-' : '+';
    offset = std::labs(offset);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                  kDays[tm.tm_wday], tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour,
                  tm.tm_min, tm.tm_sec, sign, offset / 3600, (offset % 3600) / 60);
    return text;
}

}  // namespace ocv
