#include "platform/Dispatcher.h"

namespace ocv {

ThreadDispatcher::ThreadDispatcher() : owner_(std::this_thread::get_id()) {}
ThreadDispatcher::~ThreadDispatcher() = default;

void ThreadDispatcher::Post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    cv_.notify_all();
}

void ThreadDispatcher::StartTimer(int id, unsigned intervalMs, Task callback) {
    {
        std::lock_guard lock(mutex_);
        if (intervalMs == 0) intervalMs = 1;
        timers_[id] = Timer{intervalMs, Clock::now() + std::chrono::milliseconds(intervalMs),
                            std::move(callback), ++generation_};
    }
    cv_.notify_all();
}

void ThreadDispatcher::KillTimer(int id) {
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

bool ThreadDispatcher::IsOwnerThread() const {
    std::lock_guard lock(mutex_);
    return owner_ == std::this_thread::get_id();
}

// Runs one posted closure or one due timer with the lock released; false when nothing was due.
bool ThreadDispatcher::RunOne(std::unique_lock<std::mutex>& lock) {
    if (!tasks_.empty()) {
        Task t = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        t();
        lock.lock();
        return true;
    }
    auto now = Clock::now();
    for (auto& [id, timer] : timers_) {
        if (timer.due <= now) {
            // Next due time counts from now so that a late owner does not fire a burst.
            timer.due = now + std::chrono::milliseconds(timer.intervalMs);
            Task cb = timer.callback;
            lock.unlock();
            cb();
            lock.lock();
            return true;
        }
    }
    return false;
}

void ThreadDispatcher::ProcessPending(int maxWaitMs) {
    std::unique_lock lock(mutex_);
    auto deadline = Clock::now() + std::chrono::milliseconds(maxWaitMs < 0 ? 0 : maxWaitMs);
    bool ranSomething = false;
    for (;;) {
        // Run everything that is due now; a callback that keeps posting cannot starve the caller
        // beyond one pass over the queue length it saw.
        size_t budget = tasks_.size() + timers_.size() + 1;
        while (budget-- > 0 && RunOne(lock)) ranSomething = true;
        if (ranSomething) return;
        auto wake = deadline;
        for (auto& [id, timer] : timers_) wake = std::min(wake, timer.due);
        if (Clock::now() >= deadline) return;
        cv_.wait_until(lock, wake);
    }
}

void ThreadDispatcher::Run() {
    std::unique_lock lock(mutex_);
    owner_ = std::this_thread::get_id();
    while (!quit_) {
        if (RunOne(lock)) continue;
        if (timers_.empty()) {
            cv_.wait(lock, [&] { return quit_ || !tasks_.empty() || !timers_.empty(); });
        } else {
            auto wake = Clock::time_point::max();
            for (auto& [id, timer] : timers_) wake = std::min(wake, timer.due);
            cv_.wait_until(lock, wake);
        }
    }
}

bool ThreadDispatcher::QuitRequested() const {
    std::lock_guard lock(mutex_);
    return quit_;
}

void ThreadDispatcher::Quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    cv_.notify_all();
}

}  // namespace ocv
