#include "platform/Files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace ocv {

std::string TempDirectory() {
    const char* t = std::getenv("TMPDIR");
    if (t && *t && DirectoryExists(t)) return DropTrailingSeparator(t);
    return "/tmp";
}

bool CreateDirectoryOne(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool DeleteFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

bool RemoveDirectoryTree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return !ec && !std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    std::string out(dir);
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    if (out.empty()) return std::string(name);
    if (out.back() != '/') out += '/';
    out += name;
    return out;
}

std::string DropTrailingSeparator(std::string path) {
    if (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    return path;
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int MoveFileInPlace(const std::string& from, const std::string& to, bool replace) {
    if (replace) return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the no-replace rename: a hard link fails the same way on an
    // existing name, and the temporary name is dropped once the link stands.
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

std::string HomeDirectory() {
    const char* h = std::getenv("HOME");
    if (h && *h) return DropTrailingSeparator(h);
    if (passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::string SystemErrorText(int err) { return std::system_category().message(err); }

}  // namespace ocv
