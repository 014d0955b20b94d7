#include "foundation/LogEntry.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "foundation/Logger.h"
#include "platform/Time.h"

namespace ocv {
namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1 January 1 (proleptic Gregorian) to the given date.
long DaysFromCivil(long y, long m, long d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;  // days since 1970-01-01
}

void CivilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const long kEpochOffset = DaysFromCivil(1899, 12, 30);

// strtok-like cursor over a line: each call takes the next field up to one of `delims`,
// skipping delimiters in front of it. Empty result when nothing is left.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view s) : s_(s) {}
    bool Next(const char* delims, std::string_view& out) {
        while (pos_ < s_.size() && std::strchr(delims, s_[pos_])) ++pos_;
        if (pos_ >= s_.size()) return false;
        size_t start = pos_;
        while (pos_ < s_.size() && !std::strchr(delims, s_[pos_])) ++pos_;
        out = s_.substr(start, pos_ - start);
        if (pos_ < s_.size()) ++pos_;  // consume the one delimiter that ended the field
        return true;
    }

private:
    std::string_view s_;
    size_t pos_ = 0;
};

int ToInt(std::string_view s) {
    std::string tmp(s);
    return std::atoi(tmp.c_str());
}

}  // namespace

bool ToAutomationDate(const DateParts& p, double& out) {
    if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
        p.minute > 59 || p.second < 0 || p.second > 59)
        return false;
    long days = DaysFromCivil(p.year, p.month, p.day) - kEpochOffset;
    double frac = (p.hour * 3600 + p.minute * 60 + p.second) / 86400.0;
    // Before the epoch the fraction counts away from zero, as automation dates do.
    out = days >= 0 ? days + frac : days - frac;
    return true;
}

DateParts FromAutomationDate(double value) {
    double whole = std::trunc(value);
    double frac = std::fabs(value - whole);
    long secs = std::lround(frac * 86400.0);
    long days = static_cast<long>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        days += value >= 0 ? 1 : -1;
    }
    DateParts p;
    CivilFromDays(days + kEpochOffset, p.year, p.month, p.day);
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>(secs / 60 % 60);
    p.second = static_cast<int>(secs % 60);
    return p;
}

LogEntry MakeLogEntry(const std::string& name, const std::string& text, int level) {
    LocalTime t = GetLocalTime();
    LogEntry e;
    e.status = ToAutomationDate({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}, e.time)
                   ? 0
                   : 1;
    e.name = name;
    e.text = text;
    e.level = level;
    return e;
}

bool ParseLogLine(std::string_view line, LogEntry& out) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    Tokenizer tok(line);
    std::string_view f;
    DateParts p{0, 0, 0, 0, 0, 0};
    int* nums[] = {&p.year, &p.month, &p.day, &p.hour, &p.minute, &p.second};
    const char* delims[] = {"/", "/", " ", ":", ":", "\t"};
    bool any = false;
    for (int i = 0; i < 6; ++i) {
        if (!tok.Next(delims[i], f)) break;
        *nums[i] = ToInt(f);
        any = true;
    }
    if (!any) return false;
    out = LogEntry{};
    out.status = ToAutomationDate(p, out.time) ? 0 : 1;
    if (tok.Next("\t", f)) out.name = std::string(f);
    if (tok.Next("\t", f)) {
        out.level = 0;
        for (int level = 0; level < 4; ++level)
            if (f == LogFileWord(level)) out.level = level;
    }
    if (tok.Next("\t", f)) out.text = std::string(f);
    return true;
}

std::vector<LogEntry> ReadLogFile(const std::string& path) {
    std::vector<LogEntry> entries;
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (!fp) return entries;
    char buf[1024];
    bool skippingRest = false;
    while (std::fgets(buf, sizeof buf, fp)) {
        size_t len = std::strlen(buf);
        bool complete = len > 0 && buf[len - 1] == '\n';
        if (skippingRest) {
            // Rest of a line that did not fit in the buffer: dropped.
            skippingRest = !complete;
            continue;
        }
        if (!complete && !std::feof(fp)) skippingRest = true;
        LogEntry e;
        if (ParseLogLine(std::string_view(buf, len), e)) entries.push_back(std::move(e));
    }
    std::fclose(fp);
    return entries;
}

std::string FormatExportLine(const LogEntry& entry) {
    DateParts p;  // all -1
    if (entry.status == 0) p = FromAutomationDate(entry.time);
    char head[96];
    std::snprintf(head, sizeof head, "%d/%d/%d %d:%d:%d\t", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
    std::string line = head;
    line += entry.name;
    line += '\t';
    line += LogWindowWord(entry.level);
    line += '\t';
    line += entry.text;
    line += "\r\n";
    return line;
}

}  // namespace ocv
