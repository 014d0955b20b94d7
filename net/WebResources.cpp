#include "net/WebResources.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "net/EmbeddedFiles.h"

namespace ocv {
namespace {

const char* FileOf(int id) {
    switch (id) {
        case kResViewerPage: return "viewer.html";
        case kResNoticeMaxUsers: return "notice_max_users.jpg";
        case kResNoticeWrongPassword: return "notice_wrong_password.jpg";
        case kResMobilePicture: return "mobile_picture.html";
        case kResMobileLogin: return "mobile_login.html";
        case kResMobileLoginError: return "mobile_login_error.html";
        default: return nullptr;
    }
}

bool IsPage(int id) {
    return id == kResViewerPage || id == kResMobilePicture || id == kResMobileLogin ||
           id == kResMobileLoginError;
}

}  // namespace

std::string ToShiftJis(const std::string& utf8) {
    iconv_t cd = ::iconv_open("SHIFT_JIS", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
    std::string out;
    out.resize(utf8.size() * 2 + 16);
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        size_t rc = ::iconv(cd, &in, &inLeft, &dst, &outLeft);
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) break;  // cannot happen: two bytes per input byte is enough
        // An unconvertible or broken sequence: write "?" and skip that one character.
        if (outLeft == 0) break;
        *dst++ = '?';
        --outLeft;
        unsigned char lead = static_cast<unsigned char>(*in);
        size_t skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (skip > inLeft) skip = inLeft;
        in += skip;
        inLeft -= skip;
    }
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

bool FindWebResource(int id, std::string& bytes) {
    static std::mutex mutex;
    static std::map<int, std::string> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(id);
    if (it != cache.end()) {
        bytes = it->second;
        return true;
    }
    const char* name = FileOf(id);
    if (name == nullptr) return false;
    for (size_t i = 0; i < kEmbeddedFileCount; ++i) {
        if (std::strcmp(kEmbeddedFiles[i].name, name) != 0) continue;
        std::string raw(reinterpret_cast<const char*>(kEmbeddedFiles[i].data),
                        kEmbeddedFiles[i].size);
        bytes = IsPage(id) ? ToShiftJis(raw) : raw;
        cache.emplace(id, bytes);
        return true;
    }
    return false;
}

const char* WebResourceContentType(int id) {
    switch (id) {
        case kResApplet: return "application/octet-stream";
        case kResNoticeMaxUsers:
        case kResNoticeWrongPassword: return "image/jpeg";
        default: return "text/html";
    }
}

std::string FillPlaceholders(const std::string& page, std::initializer_list<std::string> texts) {
    std::string out;
    out.reserve(page.size() + 64);
    auto next = texts.begin();
    for (size_t i = 0; i < page.size(); ++i) {
        char c = page[i];
        if (c == '%' && i + 1 < page.size()) {
            char k = page[i + 1];
            if (k == '%') {
                out += '%';
                ++i;
                continue;
            }
            if ((k == 'd' || k == 's') && next != texts.end()) {
                out += *next++;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace ocv
