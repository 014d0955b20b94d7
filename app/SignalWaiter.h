#pragma once
// Turns process signals into closures on the owner thread. The signals are blocked in every
// thread (so workers never receive them) and taken by one waiting thread; SIGINT and SIGTERM
// always quit the dispatcher, other signals run the closure registered for them, if any.
#include <signal.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/Dispatcher.h"

namespace ocv {

class SignalWaiter {
public:
    // Construct before any worker thread exists, so that every thread inherits the mask.
    explicit SignalWaiter(ThreadDispatcher& dispatcher);
    ~SignalWaiter();
    SignalWaiter(const SignalWaiter&) = delete;
    SignalWaiter& operator=(const SignalWaiter&) = delete;

    // The quitting signal received, 0 while none.
    int Received() const { return received_; }
    // Runs `fn` on the owner thread each time `sig` arrives; an empty `fn` ignores it again.
    // Only signals of Handled() can be given.
    void On(int sig, std::function<void()> fn);
    static const int* Handled(int& count);

private:
    ThreadDispatcher& dispatcher_;
    sigset_t set_;
    std::mutex mutex_;
    std::map<int, std::function<void()>> handlers_;
    std::atomic<bool> done_{false};
    std::atomic<int> received_{0};
    std::thread thread_;
};

}  // namespace ocv
