#include "foundation/UrlMask.h"

#include <strings.h>

namespace ocv {
namespace {

std::string MaskUserInfo(const std::string& url) {
    size_t scheme = url.find("://");
    size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    // The authority ends at the first "/", "?" or "#"; a password may hold "@", so the user-info
    // part runs to the last "@" before that end.
    size_t end = url.find_first_of("/?#", start);
    if (end == std::string::npos) end = url.size();
    if (end == start) return url;
    size_t at = url.rfind('@', end - 1);
    if (at == std::string::npos || at < start) return url;
    size_t colon = url.find(':', start);
    if (colon == std::string::npos || colon > at) return url;
    return url.substr(0, colon + 1) + "***" + url.substr(at);
}

bool IsPasswordKey(const std::string& s, size_t begin, size_t end) {
    static const char* const kKeys[] = {"password", "passwd", "pwd"};
    for (const char* key : kKeys) {
        size_t n = std::char_traits<char>::length(key);
        if (end - begin == n && strncasecmp(s.c_str() + begin, key, n) == 0) return true;
    }
    return false;
}

std::string MaskQuery(std::string url) {
    size_t q = url.find('?');
    if (q == std::string::npos) return url;
    size_t pos = q + 1;
    while (pos < url.size()) {
        size_t stop = url.find_first_of("&#", pos);
        if (stop == std::string::npos) stop = url.size();
        size_t eq = url.find('=', pos);
        if (eq != std::string::npos && eq < stop && IsPasswordKey(url, pos, eq) && stop > eq + 1) {
            url.replace(eq + 1, stop - eq - 1, "***");
            stop = eq + 4;
        }
        if (stop >= url.size() || url[stop] == '#') break;
        pos = stop + 1;
    }
    return url;
}

}  // namespace

std::string MaskUrlPassword(const std::string& url) { return MaskQuery(MaskUserInfo(url)); }

}  // namespace ocv
