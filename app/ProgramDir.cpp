#include "app/ProgramDir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/Files.h"

namespace ocv {

std::string ExecutablePath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string ResolveProgramDirectory(const std::string& dirOption, const std::string& exePath) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!dirOption.empty()) {
        fs::create_directories(dirOption, ec);
        auto abs = fs::absolute(dirOption, ec);
        return DropTrailingSeparator(ec ? dirOption : abs.string());
    }
    if (!exePath.empty()) {
        std::string exeDir = fs::path(exePath).parent_path().string();
        if (FileExists(JoinPath(exeDir, "ocv.xml"))) return exeDir;
    }
    // $XDG_DATA_HOME/ocuvane when it is set to an absolute path, else ~/.local/share/ocuvane.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string dir = xdg && xdg[0] == '/' ? JoinPath(xdg, "ocuvane")
                                           : JoinPath(HomeDirectory(), ".local/share/ocuvane");
    fs::create_directories(dir, ec);
    return DirectoryExists(dir) ? dir : std::string();
}

}  // namespace ocv
