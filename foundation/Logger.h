#pragma once
// The log channel of one owner (a camera controller or the main window): a line appended to the
// log file per message, an optional notice to the owner's view and, for the gravest errors, a
// message box. Window notices and message boxes go through an ILogNotifySink that the owner
// provides and that queues them to the owner thread, so a logging worker never waits.
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ocv {

enum LogLevel : int {
    LOG_INFORMATION = 0,
    LOG_WARNING = 1,
    LOG_ERROR = 2,
    LOG_DEBUG = 3,
};

// Word written into the log file for a level ("WARRNING" for 1); nullptr outside 0..3.
const char* LogFileWord(int level);
// Word shown in the log window and the export ("WARNING" for 1); "" outside 0..3.
const char* LogWindowWord(int level);

class ILogNotifySink {
public:
    virtual ~ILogNotifySink() = default;
    // The cleaned text (CR and LF replaced by spaces) and the level; the sink copies what it keeps.
    virtual void Notify(const std::string& text, int level) = 0;
    // A modal message box with the caption "ERROR" and the unchanged text.
    virtual void ShowMessageBox(const std::string& text) = 0;
};

class CLogger {
public:
    static constexpr size_t kFormatBufferSize = 10240;
    static constexpr unsigned kControllerNotifyMessage = 1527;  // WM_USER + 503

    CLogger() = default;

    void SetName(const std::string& name);
    std::string Name() const;
    // The log file path; empty switches the logger off entirely.
    void SetPath(const std::string& path);
    std::string Path() const;
    void SetMessageBox(int flag);
    void SetNotify(int flag);
    void SetDebug(int flag);
    int DebugFlag() const;
    void SetNotifyMessage(unsigned message);
    // The sink plays the role of the notify window: a sink that no longer exists is skipped.
    void SetNotifySink(std::weak_ptr<ILogNotifySink> sink);

    // Core write: returns 0 when the logger is off, else 1.
    int Write(const std::string& text, int level, bool allowBox);

    int Debug(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    int Info(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    int Warning(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    int Error(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    int ErrorBox(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    // Front-ends for the lines of a retry loop. A line identical (level and text) to one of
    // these written within the last minute is not written again but counted; the count is
    // written as the line followed by " ... repeated N times" at most once a minute, when the
    // line has not come again for a minute, and by EndRepeats.
    int InfoOnce(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    int WarningOnce(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    int ErrorOnce(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // Core write of the front-ends above.
    int WriteOnce(const std::string& text, int level);
    // The repetition is over (the camera delivers again, the loop ended): writes the counts
    // still pending and forgets the lines, so the next failure is written in full.
    void EndRepeats();
    static constexpr uint32_t kRepeatWindowMs = 60000;
    // Where the repetition counting takes its milliseconds from (tests set their own clock).
    void SetTickSource(std::function<uint32_t()> tick);

    // Process-wide echo of every line a logger writes (the file line without its CR LF), called
    // on the writing thread; the headless program points it at stderr. Empty to switch off.
    static void SetEcho(std::function<void(const std::string& line)> echo);

    // The file line for a message at a given local time, with CR/LF already replaced.
    static std::string FormatFileLine(int year, int month, int day, int hour, int minute,
                                      int second, const std::string& name, int level,
                                      const std::string& cleanText);

private:
    int WriteFormatted(int level, bool allowBox, const char* fmt, va_list args);
    int WriteOnceFormatted(int level, const char* fmt, va_list args);
    struct Repeat {
        int level;
        std::string text;
        uint32_t count;        // lines counted since the last written one
        uint32_t writtenTick;  // when the line or its count was last written
        uint32_t seenTick;     // when the line last came
    };
    static constexpr size_t kMaxRepeats = 32;
    uint32_t Tick();
    // With repeatMutex_ held: writes the count of `r` when there is one.
    void WriteCount(Repeat& r, uint32_t now);

    mutable std::mutex mutex_;
    std::string name_ = "-----";
    std::string path_;
    int messageBox_ = 1;
    int notify_ = 1;
    int debug_ = 0;
    unsigned notifyMessage_ = 0;
    std::weak_ptr<ILogNotifySink> sink_;
    std::mutex repeatMutex_;
    std::vector<Repeat> repeats_;
    std::function<uint32_t()> tick_;
};

}  // namespace ocv
