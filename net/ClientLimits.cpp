#include "net/ClientLimits.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace ocv {

std::string PeerAddress(int fd) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (fd < 0 || ::getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return {};
    char dotted[INET6_ADDRSTRLEN] = {};
    if (ss.ss_family == AF_INET) {
        const auto* sin = reinterpret_cast<const sockaddr_in*>(&ss);
        if (::inet_ntop(AF_INET, &sin->sin_addr, dotted, sizeof dotted)) return dotted;
    } else if (ss.ss_family == AF_INET6) {
        const auto* sin6 = reinterpret_cast<const sockaddr_in6*>(&ss);
        if (::inet_ntop(AF_INET6, &sin6->sin6_addr, dotted, sizeof dotted)) return dotted;
    }
    return {};
}

CConnectionLimit::Admission CConnectionLimit::Add(const std::string& address) {
    std::lock_guard lock(mutex_);
    Count& c = counts_[address];
    if (c.open >= max_) {
        if (c.refused) return Admission::Refused;
        c.refused = true;
        return Admission::RefusedFirst;
    }
    ++c.open;
    return Admission::Admitted;
}

void CConnectionLimit::Remove(const std::string& address) {
    std::lock_guard lock(mutex_);
    auto it = counts_.find(address);
    if (it == counts_.end()) return;
    // The table holds only addresses with open connections; so a refusal is reported again
    // only after the address has had no connection at all.
    if (--it->second.open <= 0) counts_.erase(it);
}

int CConnectionLimit::Open(const std::string& address) const {
    std::lock_guard lock(mutex_);
    auto it = counts_.find(address);
    return it == counts_.end() ? 0 : it->second.open;
}

bool CAuthFailureLimit::IsLocked(const std::string& address, Clock::time_point now) const {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(address);
    return it != entries_.end() && now < it->second.lockedUntil;
}

bool CAuthFailureLimit::RecordFailure(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(address);
    if (it == entries_.end()) {
        if (entries_.size() >= kMaxAddresses) Prune(now);
        it = entries_.emplace(address, Entry{now, 0, {}}).first;
    }
    Entry& e = it->second;
    if (now < e.lockedUntil) return false;  // already locked out: nothing more to count
    if (now - e.windowStart >= kWindow) {
        e.windowStart = now;
        e.failures = 0;
    }
    if (++e.failures <= kMaxFailures) return false;
    e.lockedUntil = now + kLockTime;
    e.failures = 0;
    e.windowStart = e.lockedUntil;  // counting starts again when the lock-out ends
    return true;
}

size_t CAuthFailureLimit::Size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void CAuthFailureLimit::Prune(Clock::time_point now) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        bool expired = now >= it->second.lockedUntil && now - it->second.windowStart >= kWindow;
        it = expired ? entries_.erase(it) : std::next(it);
    }
    if (entries_.size() < kMaxAddresses) return;
    // Still full of live entries: forget the oldest window that is not locked out.
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (now >= it->second.lockedUntil &&
            (oldest == entries_.end() || it->second.windowStart < oldest->second.windowStart))
            oldest = it;
    if (oldest != entries_.end()) entries_.erase(oldest);
}

}  // namespace ocv
