#include "app/SignalWaiter.h"

#include <pthread.h>

namespace ocv {
namespace {

// SIGRTMIN ends the waiting thread itself; it is not one of the signals a user sends.
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2};

}  // namespace

const int* SignalWaiter::Handled(int& count) {
    count = static_cast<int>(sizeof(kSignals) / sizeof(kSignals[0]));
    return kSignals;
}

SignalWaiter::SignalWaiter(ThreadDispatcher& dispatcher) : dispatcher_(dispatcher) {
    sigemptyset(&set_);
    for (int sig : kSignals) sigaddset(&set_, sig);
    sigaddset(&set_, SIGRTMIN);
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    thread_ = std::thread([this] {
        int sig = 0;
        while (sigwait(&set_, &sig) == 0) {
            if (sig == SIGRTMIN) {
                if (done_) return;
                continue;
            }
            if (sig == SIGINT || sig == SIGTERM) {
                received_ = sig;
                dispatcher_.Quit();
                continue;
            }
            std::lock_guard lock(mutex_);
            auto it = handlers_.find(sig);
            if (it != handlers_.end() && it->second) dispatcher_.Post(it->second);
        }
    });
}

SignalWaiter::~SignalWaiter() {
    done_ = true;
    pthread_kill(thread_.native_handle(), SIGRTMIN);
    thread_.join();
}

void SignalWaiter::On(int sig, std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    handlers_[sig] = std::move(fn);
}

}  // namespace ocv
