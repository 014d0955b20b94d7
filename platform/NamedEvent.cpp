#include "platform/NamedEvent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <unordered_map>

namespace ocv {
namespace {

std::mutex& RegistryMutex() {
    static std::mutex m;
    return m;
}
std::unordered_map<std::string, std::weak_ptr<NamedEvent>>& Registry() {
    static auto* r = new std::unordered_map<std::string, std::weak_ptr<NamedEvent>>();
    return *r;
}

}  // namespace

NamedEvent::NamedEvent(std::string name, int fd, bool set)
    : name_(std::move(name)), fd_(fd), set_(set) {}

NamedEvent::~NamedEvent() {
    if (!name_.empty()) {
        std::lock_guard lock(RegistryMutex());
        auto it = Registry().find(name_);
        // Only erase our own entry: a newer event of the same name may have replaced it.
        if (it != Registry().end() && it->second.expired()) Registry().erase(it);
    }
    if (fd_ >= 0) ::close(fd_);
}

std::shared_ptr<NamedEvent> NamedEvent::Create(const std::string& name, bool initiallySet) {
    std::lock_guard lock(RegistryMutex());
    if (!name.empty()) {
        auto it = Registry().find(name);
        if (it != Registry().end()) {
            if (auto existing = it->second.lock()) return existing;
        }
    }
    // The eventfd counter is 0 (not readable) while reset and 1 while set. Non-blocking so that
    // Set/Reset never block on the counter.
    int fd = ::eventfd(initiallySet ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) return nullptr;
    std::shared_ptr<NamedEvent> ev(new NamedEvent(name, fd, initiallySet));
    if (!name.empty()) Registry()[name] = ev;
    return ev;
}

std::shared_ptr<NamedEvent> NamedEvent::CreateReplacing(const std::string& name,
                                                        bool initiallySet) {
    std::lock_guard lock(RegistryMutex());
    int fd = ::eventfd(initiallySet ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) return nullptr;
    std::shared_ptr<NamedEvent> ev(new NamedEvent(name, fd, initiallySet));
    if (!name.empty()) Registry()[name] = ev;
    return ev;
}

std::shared_ptr<NamedEvent> NamedEvent::Open(const std::string& name) {
    std::lock_guard lock(RegistryMutex());
    auto it = Registry().find(name);
    if (it == Registry().end()) return nullptr;
    return it->second.lock();
}

void NamedEvent::Set() {
    // In counter mode one read drains the whole count, so the counter only needs to be non-zero
    // while set; repeated Sets just add to it.
    // The state goes first: a thread woken by the descriptor then always finds it set.
    std::lock_guard lock(stateMutex_);
    set_.store(true, std::memory_order_release);
    uint64_t v = 1;
    [[maybe_unused]] auto n = ::write(fd_, &v, sizeof v);
}

void NamedEvent::Reset() {
    std::lock_guard lock(stateMutex_);
    uint64_t v = 0;
    [[maybe_unused]] auto n = ::read(fd_, &v, sizeof v);
    set_.store(false, std::memory_order_release);
}

bool NamedEvent::IsSet() const { return set_.load(std::memory_order_acquire); }

bool NamedEvent::Wait(int timeoutMs) const {
    if (IsSet()) return true;
    if (timeoutMs == 0) return false;
    pollfd p{fd_, POLLIN, 0};
    for (;;) {
        int r = ::poll(&p, 1, timeoutMs);
        if (r > 0) return (p.revents & POLLIN) != 0;
        if (r == 0) return false;
        if (errno != EINTR) return false;
        // A signal interrupted the wait; waiting again from scratch keeps the code simple and
        // at worst lengthens a time-out that was cut by a signal.
    }
}

int CurrentThreadId() { return static_cast<int>(::syscall(SYS_gettid)); }

std::string MakeEventName(const char* pattern, int instance) {
    char buf[256];
    std::snprintf(buf, sizeof buf, pattern, static_cast<int>(::getpid()), CurrentThreadId(),
                  instance);
    return buf;
}

std::string MakeEventName(const char* pattern) {
    // One counter per pattern, starting at 0, so that each kind of owner numbers its own
    // instances.
    static std::mutex m;
    static auto* counters = new std::unordered_map<std::string, int>();
    int n;
    {
        std::lock_guard lock(m);
        n = (*counters)[pattern]++;
    }
    return MakeEventName(pattern, n);
}

}  // namespace ocv
