#pragma once
// The log channel of one owner (a camera controller or the main window): a line appended to the
// log file per message, an optional notice to the owner's view and, for the gravest errors, a
// message box. Window notices and message boxes go through an ILogNotifySink that the owner
// provides and that queues them to the owner thread, so a logging worker never waits.
#include <cstdarg>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

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

    // Process-wide echo of every line a logger writes (the file line without its CR LF), called
    // on the writing thread; the headless program points it at stderr. Empty to switch off.
    static void SetEcho(std::function<void(const std::string& line)> echo);

    // The file line for a message at a given local time, with CR/LF already replaced.
    static std::string FormatFileLine(int year, int month, int day, int hour, int minute,
                                      int second, const std::string& name, int level,
                                      const std::string& cleanText);

private:
    int WriteFormatted(int level, bool allowBox, const char* fmt, va_list args);

    mutable std::mutex mutex_;
    std::string name_ = "-----";
    std::string path_;
    int messageBox_ = 1;
    int notify_ = 1;
    int debug_ = 0;
    unsigned notifyMessage_ = 0;
    std::weak_ptr<ILogNotifySink> sink_;
};

}  // namespace ocv
