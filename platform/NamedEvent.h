#pragma once
// Named manual-reset events: a process-wide registry of events that threads create and open by
// name, with a file descriptor that poll() sees readable while the event is set.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace ocv {

class NamedEvent {
public:
    // Creates the event under `name`, or returns the existing one of that name (initial state is
    // then ignored). An empty name makes an unnamed event. Returns nullptr when no descriptor
    // can be had.
    static std::shared_ptr<NamedEvent> Create(const std::string& name, bool initiallySet = false);
    // Creates a fresh event under `name` even when one of that name lives: later Opens find the new
    // one, while holders of the old one keep it (and its state). Used to leave an event set for
    // threads that were given up on while new threads start with a clean one.
    static std::shared_ptr<NamedEvent> CreateReplacing(const std::string& name,
                                                       bool initiallySet = false);
    // Opens an existing event by name; nullptr when no live event has that name.
    static std::shared_ptr<NamedEvent> Open(const std::string& name);

    ~NamedEvent();
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    void Set();
    void Reset();
    // Tests the state without waiting and without a system call: loops that look at the stop
    // event between pieces of work pay nothing for it.
    bool IsSet() const;
    // Waits until the event is set or the time-out passes; a negative time-out waits forever.
    // Returns true when the event is set.
    bool Wait(int timeoutMs) const;
    // Readable (POLLIN) exactly while the event is set. Owned by the event.
    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }

private:
    NamedEvent(std::string name, int fd, bool set);
    std::string name_;
    int fd_;
    // The state beside the descriptor, changed together with it under the mutex.
    std::mutex stateMutex_;
    std::atomic<bool> set_{false};
};

// Forms an event name from a printf pattern such as "TerminateEvt%d%d%04d": process id, the
// calling thread's id and an instance number.
std::string MakeEventName(const char* pattern, int instance);
// The same with a process-wide counter per pattern that starts at 0 and grows by one per call.
std::string MakeEventName(const char* pattern);

// The calling thread's kernel id.
int CurrentThreadId();

}  // namespace ocv
