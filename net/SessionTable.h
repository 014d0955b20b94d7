#pragma once
// The session numbers of the mobile pages. A number is handed to a client address when it logs in
// (or, without a password, when it first asks for the picture page), and is valid only for that
// address and for kLifetime from then on; so a number seen or guessed elsewhere is of no use.
// Safe to use from many handler threads; time is passed in so that tests can step it.
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace ocv {

class CSessionTable {
public:
    using Clock = std::chrono::steady_clock;
    using MakeFn = std::function<std::string()>;
    static constexpr Clock::duration kLifetime = std::chrono::minutes(30);
    // Addresses with a session at most; the oldest session goes first when the table is full.
    static constexpr size_t kMaxSessions = 1024;

    // `make` draws a new session number (the server's cryptographic one by default).
    explicit CSessionTable(MakeFn make = {});

    // A new number for the address (its earlier one ends), valid from now.
    std::string Issue(const std::string& address, Clock::time_point now);
    // The address's valid number, or a new one when it has none.
    std::string Current(const std::string& address, Clock::time_point now);
    // True when `session` is the address's number and has not expired.
    bool Valid(const std::string& address, const std::string& session, Clock::time_point now) const;
    size_t Size() const;

private:
    struct Entry {
        std::string session;
        Clock::time_point issued;
    };
    std::string IssueLocked(const std::string& address, Clock::time_point now);
    bool Live(const Entry& e, Clock::time_point now) const { return now - e.issued < kLifetime; }

    MakeFn make_;
    mutable std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

}  // namespace ocv
