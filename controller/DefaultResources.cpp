#include "controller/DefaultResources.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

#include "platform/Files.h"

namespace ocv::res {
extern const unsigned char moving_wav[];
extern const size_t moving_wav_size;
extern const unsigned char ovndefault_prx[];
extern const size_t ovndefault_prx_size;
}  // namespace ocv::res

namespace ocv {
namespace {

// Creates the file only when it does not exist (never over a file the user put there); a
// failed write leaves no partial file.
bool WriteIfMissing(const std::string& path, const unsigned char* data, size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return errno == EEXIST;
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool ok = ::close(fd) == 0 && done == size;
    if (!ok) ::unlink(path.c_str());
    return ok;
}

}  // namespace

std::vector<std::string> InstallDefaultResources(const std::string& programDir) {
    std::vector<std::string> failed;
    const struct {
        const char* name;
        const unsigned char* data;
        size_t size;
    } files[] = {{"moving.wav", res::moving_wav, res::moving_wav_size},
                 {"ovndefault.prx", res::ovndefault_prx, res::ovndefault_prx_size}};
    for (const auto& f : files) {
        const std::string path = JoinPath(programDir, f.name);
        if (!WriteIfMissing(path, f.data, f.size)) failed.push_back(path);
    }
    return failed;
}

}  // namespace ocv
