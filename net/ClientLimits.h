#pragma once
// Limits the web server applies per client address, so that one client cannot take the server
// from the others or guess its way in: the number of open connections, and the number of wrong
// passwords and session numbers a minute. Both are safe to use from many handler threads; time is
// passed in so that tests can step it.
#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>

namespace ocv {

// The dotted IPv4 address of a connected socket's peer; "" when it cannot be read.
std::string PeerAddress(int fd);

// Open connections per client address.
class CConnectionLimit {
public:
    static constexpr int kMaxPerAddress = 32;

    enum class Admission {
        Admitted,
        Refused,       // the address is at its limit
        RefusedFirst,  // as Refused, and the first since the address had no open connection
    };

    explicit CConnectionLimit(int maxPerAddress = kMaxPerAddress) : max_(maxPerAddress) {}

    // Counts a new connection from the address when it is below its limit.
    Admission Add(const std::string& address);
    // Ends one admitted connection of the address.
    void Remove(const std::string& address);
    int Open(const std::string& address) const;

private:
    struct Count {
        int open = 0;
        bool refused = false;  // a refusal has been reported
    };
    const int max_;
    mutable std::mutex mutex_;
    std::map<std::string, Count> counts_;
};

// Wrong passwords and session numbers per client address: more than kMaxFailures within one
// window locks the address out for kLockTime.
class CAuthFailureLimit {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kMaxFailures = 10;
    static constexpr Clock::duration kWindow = std::chrono::minutes(1);
    static constexpr Clock::duration kLockTime = std::chrono::minutes(1);
    // Addresses remembered at most; expired ones are dropped first when the table is full.
    static constexpr size_t kMaxAddresses = 4096;

    bool IsLocked(const std::string& address, Clock::time_point now) const;
    // Counts one failure; true when this failure locked the address out (report it once).
    bool RecordFailure(const std::string& address, Clock::time_point now);
    size_t Size() const;

private:
    struct Entry {
        Clock::time_point windowStart{};
        int failures = 0;
        Clock::time_point lockedUntil{};
    };
    void Prune(Clock::time_point now);

    mutable std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

}  // namespace ocv
