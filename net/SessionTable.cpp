#include "net/SessionTable.h"

#include "net/WebReplies.h"

namespace ocv {

CSessionTable::CSessionTable(MakeFn make)
    : make_(make ? std::move(make) : MakeFn(MakeSessionNumber)) {}

std::string CSessionTable::IssueLocked(const std::string& address, Clock::time_point now) {
    if (entries_.size() >= kMaxSessions && !entries_.count(address)) {
        for (auto it = entries_.begin(); it != entries_.end();)
            it = Live(it->second, now) ? std::next(it) : entries_.erase(it);
        if (entries_.size() >= kMaxSessions) {
            auto oldest = entries_.begin();
            for (auto it = entries_.begin(); it != entries_.end(); ++it)
                if (it->second.issued < oldest->second.issued) oldest = it;
            entries_.erase(oldest);
        }
    }
    // Two addresses never share a number, so no client can reach another client's session; and a
    // new login never gets the number it replaces.
    std::string session;
    for (int tries = 0; tries < 64; ++tries) {
        session = make_();
        bool taken = false;
        for (const auto& [addr, e] : entries_) taken = taken || e.session == session;
        if (!taken) break;
    }
    entries_[address] = Entry{session, now};
    return session;
}

std::string CSessionTable::Issue(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    return IssueLocked(address, now);
}

std::string CSessionTable::Current(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(address);
    if (it != entries_.end() && Live(it->second, now)) return it->second.session;
    return IssueLocked(address, now);
}

bool CSessionTable::Valid(const std::string& address, const std::string& session,
                          Clock::time_point now) const {
    if (session.empty()) return false;
    std::lock_guard lock(mutex_);
    auto it = entries_.find(address);
    return it != entries_.end() && it->second.session == session && Live(it->second, now);
}

size_t CSessionTable::Size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace ocv
