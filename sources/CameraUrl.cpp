#include "sources/CameraUrl.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace ocv {
namespace {

bool HasControlOrSpace(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](unsigned char c) { return c <= 0x20 || c == 0x7f; });
}

bool HasControl(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; });
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    size_t n = std::char_traits<char>::length(prefix);
    return s.size() >= n && strncasecmp(s.c_str(), prefix, n) == 0;
}

}  // namespace

std::optional<CameraUrl> ParseCameraUrl(const std::string& text, std::string& why) {
    if (text.empty()) {
        why = "the URL is empty";
        return std::nullopt;
    }
    if (HasControlOrSpace(text)) {
        why = "the URL holds white space or control characters";
        return std::nullopt;
    }
    size_t sep = text.find("://");
    if (sep == std::string::npos || sep == 0) {
        why = "the URL has no scheme (such as rtsp:// or http://)";
        return std::nullopt;
    }
    CameraUrl url;
    url.scheme = Lower(text.substr(0, sep));
    if (!std::isalpha(static_cast<unsigned char>(url.scheme[0])) ||
        !std::all_of(url.scheme.begin(), url.scheme.end(), [](unsigned char c) {
            return std::isalnum(c) || c == '+' || c == '-' || c == '.';
        })) {
        why = "the URL's scheme is not a scheme";
        return std::nullopt;
    }
    size_t start = sep + 3;
    size_t end = text.find_first_of("/?#", start);
    if (end == std::string::npos) end = text.size();
    std::string authority = text.substr(start, end - start);
    url.pathAndQuery = text.substr(end);
    size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        url.userInfo = authority.substr(0, at);
        authority = authority.substr(at + 1);
    }
    std::string portText;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string::npos) {
            why = "the URL's IPv6 address has no closing bracket";
            return std::nullopt;
        }
        url.host = authority.substr(1, close - 1);
        std::string rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') {
                why = "the URL has text after its IPv6 address";
                return std::nullopt;
            }
            portText = rest.substr(1);
            if (portText.empty()) portText = "-";
        }
        if (url.host.empty()) {
            why = "the URL's IPv6 address is empty";
            return std::nullopt;
        }
    } else {
        size_t colon = authority.rfind(':');
        if (colon != std::string::npos) {
            portText = authority.substr(colon + 1);
            if (portText.empty()) portText = "-";
            authority = authority.substr(0, colon);
        }
        url.host = authority;
    }
    if (!portText.empty()) {
        if (portText.size() > 5 ||
            !std::all_of(portText.begin(), portText.end(),
                         [](unsigned char c) { return std::isdigit(c); })) {
            why = "the URL's port is not a number";
            return std::nullopt;
        }
        int port = std::stoi(portText);
        if (port < 1 || port > 65535) {
            why = "the URL's port is outside 1 to 65535";
            return std::nullopt;
        }
        url.port = port;
    }
    if (url.host.empty() && url.scheme != "file") {
        why = "the URL has no host";
        return std::nullopt;
    }
    if (url.scheme == "file" && url.pathAndQuery.empty()) {
        why = "the file URL has no path";
        return std::nullopt;
    }
    return url;
}

const std::vector<std::string>& StreamSchemes() {
    static const std::vector<std::string> schemes = {"rtsp", "rtsps", "http", "https", "mms",
                                                     "mmsh", "mmst",  "file", "udp",   "rtp",
                                                     "tcp",  "rtmp",  "srt"};
    return schemes;
}

bool CheckCameraAddress(int deviceType, const std::string& address, std::string& why) {
    if (deviceType == 1) {
        if (HasControl(address)) {
            why = "a capture device's name holds no control characters";
            return false;
        }
        if (address.size() >= 512) {
            why = "the device name is longer than 511 bytes";
            return false;
        }
        return true;
    }
    if (deviceType < 1 || deviceType > 8) {
        why = "the device type is a number from 1 to 8";
        return false;
    }
    if (address.size() >= 512) {
        why = "the URL is longer than 511 bytes";
        return false;
    }
    auto url = ParseCameraUrl(address, why);
    if (!url) return false;
    if (deviceType == 2) {
        const auto& schemes = StreamSchemes();
        if (std::find(schemes.begin(), schemes.end(), url->scheme) == schemes.end()) {
            why = "a network stream cannot be opened with " + url->scheme + "://";
            return false;
        }
        return true;
    }
    if (url->scheme != "http" && url->scheme != "https") {
        why = "this camera type is reached with http:// or https://, not " + url->scheme + "://";
        return false;
    }
    return true;
}

std::string HttpToMms(const std::string& name, bool& converted) {
    converted = StartsWithNoCase(name, "http://");
    if (!converted) return name;
    return "mms://" + name.substr(7);
}

std::vector<std::string> StreamOpenOrder(const std::string& original, const std::string& url,
                                         bool converted) {
    if (!StartsWithNoCase(url, "mms://")) return {url};
    std::string rest = url.substr(6);
    std::vector<std::string> order;
    // FFmpeg knows its protocols by their lower-case names only.
    if (converted) order.push_back("http://" + original.substr(7));
    order.push_back("mmsh://" + rest);
    order.push_back("mmst://" + rest);
    return order;
}

std::string TakeRtspTransport(const std::string& url, std::string& transport) {
    transport = "tcp";
    if (!StartsWithNoCase(url, "rtsp://") && !StartsWithNoCase(url, "rtsps://")) return url;
    size_t q = url.find('?');
    if (q == std::string::npos) return url;
    size_t hash = url.find('#', q);
    std::string query = url.substr(q + 1, hash == std::string::npos ? std::string::npos : hash - q - 1);
    std::string tail = hash == std::string::npos ? "" : url.substr(hash);
    std::string kept;
    size_t pos = 0;
    while (pos <= query.size()) {
        size_t amp = query.find('&', pos);
        std::string item = query.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
        std::string lower = Lower(item);
        if (lower == "rtsp_transport=udp" || lower == "rtsp_transport=tcp") {
            transport = lower.substr(15);
        } else if (!item.empty()) {
            if (!kept.empty()) kept += '&';
            kept += item;
        }
        if (amp == std::string::npos) break;
        pos = amp + 1;
    }
    return url.substr(0, q) + (kept.empty() ? "" : "?" + kept) + tail;
}

}  // namespace ocv
