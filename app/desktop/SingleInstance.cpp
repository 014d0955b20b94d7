#include "app/desktop/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ocv {

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) ::close(fd_);
}

std::string SingleInstance::LockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir = runtime && *runtime ? runtime
                                          : "/tmp/ocuvane-" + std::to_string(::getuid());
    return dir + "/" + name + ".lock";
}

bool SingleInstance::Acquire(const std::string& name, std::string* error) {
    path_ = LockPath(name);
    std::string dir = path_.substr(0, path_.rfind('/'));
    // The fallback directory under /tmp is the user's own; one of another user is not used.
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        if (error) *error = dir + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || st.st_uid != ::getuid()) {
        if (error) *error = dir + " does not belong to this user";
        return false;
    }
    // Close-on-exec: a child process (the demo's camera simulator) never keeps the lock.
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        if (error) *error = path_ + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (error) *error = errno == EWOULDBLOCK ? "" : path_ + ": " + std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

}  // namespace ocv
