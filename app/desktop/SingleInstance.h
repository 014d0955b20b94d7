#pragma once
// One copy of the program per user session: an exclusive lock on a file named after the program
// in the user's runtime directory, held for the life of the process.
#include <string>

namespace ocv {

class SingleInstance {
public:
    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the lock named `name`; false when another process holds
    // it (or no lock file could be made, with the reason in `error`).
    bool Acquire(const std::string& name, std::string* error = nullptr);
    const std::string& Path() const { return path_; }

    // "$XDG_RUNTIME_DIR/<name>.lock", or "/tmp/ocuvane-<uid>/<name>.lock" without one.
    static std::string LockPath(const std::string& name);

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace ocv
