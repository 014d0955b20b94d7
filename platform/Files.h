#pragma once
// File and directory helpers with the platform's semantics, on POSIX paths joined with "/".
#include <string>
#include <string_view>

namespace ocv {

// The temporary directory: $TMPDIR when it names a directory, else "/tmp". No trailing "/".
std::string TempDirectory();
// Creates one directory level; false when it exists already or the parent is missing.
bool CreateDirectoryOne(const std::string& path);
// Deletes one file; false when it is missing or cannot be deleted.
bool DeleteFile(const std::string& path);
// Removes a directory with everything below it; symbolic links are removed, not followed.
// True when nothing is left.
bool RemoveDirectoryTree(const std::string& path);
// Joins two path parts with exactly one "/" between them.
std::string JoinPath(std::string_view dir, std::string_view name);
// Drops one trailing "/" (or "\") unless the path is the root.
std::string DropTrailingSeparator(std::string path);
bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);
// Moves a file to `to` within one file system. With `replace` an existing `to` is replaced in
// one step (readers see the old or the new file, never a part); without it an existing `to` is
// left alone. Returns 0, or the error number (EEXIST when `to` exists and may not be replaced).
int MoveFileInPlace(const std::string& from, const std::string& to, bool replace);
// The user's home directory ($HOME, else the password entry, else "/").
std::string HomeDirectory();
// The text of a system error number, like the platform's message lookup.
std::string SystemErrorText(int err);

}  // namespace ocv
