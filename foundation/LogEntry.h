#pragma once
// Log entries as the log window keeps them, the reader of the log file and the text export.
#include <string>
#include <string_view>
#include <vector>

namespace ocv {

struct DateParts {
    int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = -1;
};

struct LogEntry {
    double time = 0;  // automation date: days since 30 December 1899
    int status = 1;   // 0 valid, 1 invalid
    std::string name;
    std::string text;
    int level = 0;
};

// Converts calendar parts to an automation date; false for an impossible date or time.
bool ToAutomationDate(const DateParts& parts, double& out);
// Splits an automation date into calendar parts (rounded to the second).
DateParts FromAutomationDate(double value);

// A log entry stamped with the current local time.
LogEntry MakeLogEntry(const std::string& name, const std::string& text, int level);

// Parses one line of the log file. The parser takes year "/" month "/" day " " hour ":" minute
// ":" second, then the tab-separated name, level word and text; empty fields are skipped, a text
// holding a tab is cut there, and an unknown level word gives level 0. Returns false for a line
// with nothing in it.
bool ParseLogLine(std::string_view line, LogEntry& out);

// The log file's lines, oldest first. Each line is read into a buffer of 1,024 bytes: a longer
// line is cut to its first 1,023 bytes and the rest of it skipped. A missing file gives nothing.
std::vector<LogEntry> ReadLogFile(const std::string& path);

// The export line "%s %s\t%s\t%s\t%s\r\n": date "%d/%d/%d", time "%d:%d:%d", name, the level's
// window word, text; -1 for each date and time part of an invalid entry.
std::string FormatExportLine(const LogEntry& entry);

}  // namespace ocv
