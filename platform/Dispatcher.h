#pragma once
// The owner thread's message loop: closures posted from any thread and repeating timers, run on
// the owner thread. The desktop shell implements it on its event loop; ThreadDispatcher is the
// plain implementation for the headless program and the tests.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace ocv {

class Dispatcher {
public:
    using Task = std::function<void()>;
    virtual ~Dispatcher() = default;
    // Queues a closure for the owner thread. Safe from any thread; never waits for the owner.
    virtual void Post(Task task) = 0;
    // Starts (or restarts) the repeating timer `id`; its callback runs on the owner thread every
    // `intervalMs` milliseconds until KillTimer. Call on the owner thread.
    virtual void StartTimer(int id, unsigned intervalMs, Task callback) = 0;
    virtual void KillTimer(int id) = 0;
    // Runs what is pending (posted closures, due timers), waiting at most `maxWaitMs` for
    // something to arrive. Used by waits that must keep the owner thread responsive.
    virtual void ProcessPending(int maxWaitMs) = 0;
    virtual bool IsOwnerThread() const = 0;
};

class ThreadDispatcher final : public Dispatcher {
public:
    // The constructing thread is the owner until Run() is called on another thread.
    ThreadDispatcher();
    ~ThreadDispatcher() override;

    void Post(Task task) override;
    void StartTimer(int id, unsigned intervalMs, Task callback) override;
    void KillTimer(int id) override;
    void ProcessPending(int maxWaitMs) override;
    bool IsOwnerThread() const override;

    // Runs the loop on the calling thread (which becomes the owner) until Quit(). A Quit() that
    // came before makes it return at once.
    void Run();
    // Ends Run(); safe from any thread. It stays requested: waits in ProcessPending still wait.
    void Quit();
    bool QuitRequested() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        unsigned intervalMs;
        Clock::time_point due;
        Task callback;
        unsigned generation;
    };
    bool RunOne(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Task> tasks_;
    std::map<int, Timer> timers_;
    unsigned generation_ = 0;
    bool quit_ = false;
    std::thread::id owner_;
};

}  // namespace ocv
