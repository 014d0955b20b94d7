#include "delivery/FtpListing.h"

#include <algorithm>

namespace ocv {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Skips `count` blank-separated fields; returns the rest after the blanks that follow them,
// or npos when the line has fewer fields.
size_t SkipFields(std::string_view line, int count) {
    size_t i = 0;
    for (int f = 0; f < count; ++f) {
        while (i < line.size() && IsSpace(line[i])) ++i;
        if (i == line.size()) return std::string_view::npos;
        while (i < line.size() && !IsSpace(line[i])) ++i;
    }
    // Exactly one separator is expected before a name; names may start with blanks otherwise.
    if (i < line.size() && IsSpace(line[i])) ++i;
    while (i < line.size() && IsSpace(line[i])) ++i;
    return i < line.size() ? i : std::string_view::npos;
}

bool UsableName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f || c == '/') return false;
    return true;
}

}  // namespace

std::vector<std::string> ParseFtpFolders(std::string_view listing) {
    std::vector<std::string> folders;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string_view::npos) end = listing.size();
        std::string_view line = listing.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        std::string_view name;
        if (line[0] == 'd') {
            // Type and permissions, links, owner, group, size, month, day, time or year.
            size_t at = SkipFields(line, 8);
            if (at == std::string_view::npos) continue;
            name = line.substr(at);
        } else if (line[0] >= '0' && line[0] <= '9') {
            // Date, time, "<DIR>" or a size.
            size_t at = SkipFields(line, 3);
            if (at == std::string_view::npos) continue;
            size_t third = SkipFields(line, 2);
            if (line.substr(third, 5) != "<DIR>") continue;
            name = line.substr(at);
        } else {
            continue;
        }
        if (UsableName(name)) folders.emplace_back(name);
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return folders;
}

std::string FtpParentDirectory(const std::string& directory) {
    std::string dir = directory;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    const size_t slash = dir.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return dir.substr(0, slash);
}

std::string FtpChildDirectory(const std::string& directory, const std::string& name) {
    std::string dir = directory.empty() ? "/" : directory;
    if (dir.back() != '/') dir += '/';
    return dir + name;
}

FtpResult ListFtpFolders(const FtpEndpoint& endpoint, const std::string& directory,
                         std::vector<std::string>& folders) {
    CFtpSession session(nullptr);
    std::string listing;
    FtpResult r = session.List(endpoint, directory, listing);
    folders = r.Ok() ? ParseFtpFolders(listing) : std::vector<std::string>{};
    return r;
}

}  // namespace ocv
