#include "foundation/Logger.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "platform/Time.h"

namespace ocv {
namespace {

std::mutex& EchoMutex() {
    static std::mutex m;
    return m;
}
std::function<void(const std::string&)>& Echo() {
    static auto* e = new std::function<void(const std::string&)>();
    return *e;
}

// Appends a whole line with one write call on a descriptor opened for appending, so lines of
// concurrent threads and processes never interleave. A new file is readable by its owner only:
// lines may name hosts, users and paths of the cameras.
void AppendLine(const std::string& path, const std::string& line) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;  // this one line is lost; the notice and the box still happen
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<size_t>(n);
    }
    ::close(fd);
}

}  // namespace

const char* LogFileWord(int level) {
    switch (level) {
        case 0: return "INFORMATION";
        case 1: return "WARRNING";
        case 2: return "ERROR";
        case 3: return "DEBUG";
        default: return nullptr;
    }
}

const char* LogWindowWord(int level) {
    switch (level) {
        case 0: return "INFORMATION";
        case 1: return "WARNING";
        case 2: return "ERROR";
        case 3: return "DEBUG";
        default: return "";
    }
}

void CLogger::SetName(const std::string& name) {
    std::lock_guard lock(mutex_);
    name_ = name;
}
std::string CLogger::Name() const {
    std::lock_guard lock(mutex_);
    return name_;
}
void CLogger::SetPath(const std::string& path) {
    std::lock_guard lock(mutex_);
    path_ = path;
}
std::string CLogger::Path() const {
    std::lock_guard lock(mutex_);
    return path_;
}
void CLogger::SetMessageBox(int flag) {
    std::lock_guard lock(mutex_);
    messageBox_ = flag;
}
void CLogger::SetNotify(int flag) {
    std::lock_guard lock(mutex_);
    notify_ = flag;
}
void CLogger::SetDebug(int flag) {
    std::lock_guard lock(mutex_);
    debug_ = flag;
}
int CLogger::DebugFlag() const {
    std::lock_guard lock(mutex_);
    return debug_;
}
void CLogger::SetNotifyMessage(unsigned message) {
    std::lock_guard lock(mutex_);
    notifyMessage_ = message;
}
void CLogger::SetNotifySink(std::weak_ptr<ILogNotifySink> sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

void CLogger::SetEcho(std::function<void(const std::string&)> echo) {
    std::lock_guard lock(EchoMutex());
    Echo() = std::move(echo);
}

std::string CLogger::FormatFileLine(int year, int month, int day, int hour, int minute, int second,
                                    const std::string& name, int level,
                                    const std::string& cleanText) {
    const char* word = LogFileWord(level);
    char head[64];
    std::snprintf(head, sizeof head, "%04d/%02d/%02d %02d:%02d:%02d\t", year, month, day, hour,
                  minute, second);
    std::string line = head;
    line += name.empty() ? "-----" : name;
    line += '\t';
    line += word ? word : "";
    line += '\t';
    line += cleanText;
    line += "\r\n";
    return line;
}

int CLogger::Write(const std::string& text, int level, bool allowBox) {
    std::string name, path;
    int messageBox, notify;
    std::shared_ptr<ILogNotifySink> sink;
    {
        std::lock_guard lock(mutex_);
        if (path_.empty()) return 0;
        name = name_;
        path = path_;
        messageBox = messageBox_;
        notify = notify_;
        sink = sink_.lock();
    }
    std::string clean = text;
    for (char& c : clean)
        if (c == '\r' || c == '\n') c = ' ';

    LocalTime t = GetLocalTime();
    std::string line = FormatFileLine(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                                      name, level, clean);
    AppendLine(path, line);
    {
        std::lock_guard lock(EchoMutex());
        if (Echo()) Echo()(line.substr(0, line.size() - 2));
    }
    if (sink && notify) sink->Notify(clean, level);
    if (allowBox && messageBox && sink) sink->ShowMessageBox(text);
    return 1;
}

int CLogger::WriteFormatted(int level, bool allowBox, const char* fmt, va_list args) {
    char buf[kFormatBufferSize];
    // vsnprintf cuts a longer message at the buffer's end.
    int n = std::vsnprintf(buf, sizeof buf, fmt, args);
    if (n < 0) buf[0] = '\0';
    return Write(buf, level, allowBox);
}

#define OCV_LOG_FRONT_END(NAME, LEVEL, BOX)            \
    int CLogger::NAME(const char* fmt, ...) {          \
        va_list args;                                  \
        va_start(args, fmt);                           \
        int r = WriteFormatted(LEVEL, BOX, fmt, args); \
        va_end(args);                                  \
        return r;                                      \
    }

int CLogger::Debug(const char* fmt, ...) {
    if (!DebugFlag()) return 0;
    va_list args;
    va_start(args, fmt);
    int r = WriteFormatted(LOG_DEBUG, false, fmt, args);
    va_end(args);
    return r;
}
OCV_LOG_FRONT_END(Info, LOG_INFORMATION, false)
OCV_LOG_FRONT_END(Warning, LOG_WARNING, false)
OCV_LOG_FRONT_END(Error, LOG_ERROR, false)
OCV_LOG_FRONT_END(ErrorBox, LOG_ERROR, true)
#undef OCV_LOG_FRONT_END

#define OCV_LOG_ONCE_FRONT_END(NAME, LEVEL)           \
    int CLogger::NAME(const char* fmt, ...) {         \
        va_list args;                                 \
        va_start(args, fmt);                          \
        int r = WriteOnceFormatted(LEVEL, fmt, args); \
        va_end(args);                                 \
        return r;                                     \
    }
OCV_LOG_ONCE_FRONT_END(InfoOnce, LOG_INFORMATION)
OCV_LOG_ONCE_FRONT_END(WarningOnce, LOG_WARNING)
OCV_LOG_ONCE_FRONT_END(ErrorOnce, LOG_ERROR)
#undef OCV_LOG_ONCE_FRONT_END

int CLogger::WriteOnceFormatted(int level, const char* fmt, va_list args) {
    char buf[kFormatBufferSize];
    int n = std::vsnprintf(buf, sizeof buf, fmt, args);
    if (n < 0) buf[0] = '\0';
    return WriteOnce(buf, level);
}

void CLogger::SetTickSource(std::function<uint32_t()> tick) {
    std::lock_guard lock(repeatMutex_);
    tick_ = std::move(tick);
}

uint32_t CLogger::Tick() { return tick_ ? tick_() : GetTickCount(); }

void CLogger::WriteCount(Repeat& r, uint32_t now) {
    if (r.count == 0) return;
    Write(r.text + " ... repeated " + std::to_string(r.count) + " times", r.level, false);
    r.count = 0;
    r.writtenTick = now;
}

int CLogger::WriteOnce(const std::string& text, int level) {
    if (Path().empty()) return 0;
    std::lock_guard lock(repeatMutex_);
    const uint32_t now = Tick();
    Repeat* same = nullptr;
    for (auto it = repeats_.begin(); it != repeats_.end();) {
        // A line that has not come for a minute is over: its count is written, and it is
        // written in full when it comes again.
        if (now - it->seenTick >= kRepeatWindowMs) {
            WriteCount(*it, now);
            it = repeats_.erase(it);
            continue;
        }
        if (it->count > 0 && now - it->writtenTick >= kRepeatWindowMs) WriteCount(*it, now);
        if (it->level == level && it->text == text) same = &*it;
        ++it;
    }
    if (same) {
        ++same->count;
        same->seenTick = now;
        return 1;
    }
    if (repeats_.size() >= kMaxRepeats) {
        auto oldest = repeats_.begin();
        for (auto it = repeats_.begin(); it != repeats_.end(); ++it)
            if (now - it->seenTick > now - oldest->seenTick) oldest = it;
        WriteCount(*oldest, now);
        repeats_.erase(oldest);
    }
    repeats_.push_back({level, text, 0, now, now});
    return Write(text, level, false);
}

void CLogger::EndRepeats() {
    std::lock_guard lock(repeatMutex_);
    const uint32_t now = Tick();
    for (Repeat& r : repeats_) WriteCount(r, now);
    repeats_.clear();
}

}  // namespace ocv
