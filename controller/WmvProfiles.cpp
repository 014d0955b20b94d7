#include "controller/WmvProfiles.h"

#include <pugixml.hpp>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace ocv {
namespace {

const WmvProfile kSystemProfiles[] = {
    {"Video for dial-up modems (28.8 Kbps)", 28000, 160, 120, 15},
    {"Video for dial-up modems (56 Kbps)", 56000, 176, 144, 15},
    {"Video for ISDN (100 Kbps)", 100000, 240, 180, 15},
    {"Video for broadband (256 Kbps)", 256000, 320, 240, 15},
    {"Video for broadband (384 Kbps)", 384000, 320, 240, 30},
    {"Video for broadband (768 Kbps)", 768000, 640, 480, 15},
    {"Video for local networks (1500 Kbps)", 1500000, 640, 480, 30},
    {"Video for archives (2000 Kbps)", 2000000, 0, 0, 0},
};

constexpr size_t kMaxProfileFile = 1 << 20;

// UTF-16 (by its byte-order mark, little-endian without one when every other byte is zero)
// or UTF-8 to UTF-8. Unpaired surrogates become U+FFFD.
std::string ToUtf8(const uint8_t* data, size_t size) {
    bool utf16 = false, big = false;
    size_t pos = 0;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        utf16 = true;
        pos = 2;
    } else if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        utf16 = big = true;
        pos = 2;
    } else if (size >= 2 && data[1] == 0 && data[0] != 0) {
        utf16 = true;
    } else if (size >= 2 && data[0] == 0 && data[1] != 0) {
        utf16 = big = true;
    }
    if (!utf16) {
        if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) pos = 3;
        return std::string(reinterpret_cast<const char*>(data) + pos, size - pos);
    }
    std::string out;
    auto unit = [&](size_t i) -> uint32_t {
        return big ? (data[i] << 8) | data[i + 1] : data[i] | (data[i + 1] << 8);
    };
    auto put = [&out](uint32_t c) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    };
    for (; pos + 1 < size; pos += 2) {
        uint32_t c = unit(pos);
        if (c >= 0xD800 && c < 0xDC00 && pos + 3 < size) {
            uint32_t d = unit(pos + 2);
            if (d >= 0xDC00 && d < 0xE000) {
                put(0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00));
                pos += 2;
                continue;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        put(c);
    }
    return out;
}

bool SameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

pugi::xml_attribute Attr(const pugi::xml_node& node, const char* name) {
    for (pugi::xml_attribute a : node.attributes())
        if (SameName(a.name(), name)) return a;
    return {};
}

pugi::xml_node Child(const pugi::xml_node& node, const char* name) {
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && SameName(c.name(), name)) return c;
    return {};
}

// A whole decimal number from an attribute; false when missing or not a number.
bool Number(const pugi::xml_attribute& a, int64_t& out) {
    if (!a) return false;
    const char* text = a.value();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE) return false;
    out = v;
    return true;
}

// The video stream of a profile: the first "streamconfig" with a "videoinfoheader" below it.
pugi::xml_node FindVideoStream(const pugi::xml_node& profile) {
    for (pugi::xml_node s : profile.children()) {
        if (s.type() != pugi::node_element || !SameName(s.name(), "streamconfig")) continue;
        for (pugi::xml_node t : s.children())
            if (t.type() == pugi::node_element && SameName(t.name(), "wmmediatype") &&
                Child(t, "videoinfoheader"))
                return s;
    }
    return {};
}

}  // namespace

size_t SystemProfileCount() { return std::size(kSystemProfiles); }

int LoadSystemProfile(int index, WmvProfile& out) {
    if (index < 0 || static_cast<size_t>(index) >= SystemProfileCount()) return -EINVAL;
    out = kSystemProfiles[index];
    return 0;
}

bool ParseProfileXml(const uint8_t* data, size_t size, WmvProfile& out, std::string& error) {
    if (!data || size == 0) {
        error = "the profile is empty";
        return false;
    }
    const std::string text = ToUtf8(data, size);
    pugi::xml_document doc;
    pugi::xml_parse_result parsed =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
        error = std::string("the profile is no XML: ") + parsed.description();
        return false;
    }
    pugi::xml_node profile = Child(doc, "profile");
    if (!profile) {
        error = "no <profile> element";
        return false;
    }
    pugi::xml_node stream = FindVideoStream(profile);
    if (!stream) {
        error = "the profile has no video stream";
        return false;
    }
    pugi::xml_node vih = Child(Child(stream, "wmmediatype"), "videoinfoheader");
    pugi::xml_node bih = Child(vih, "bitmapinfoheader");
    int64_t bitRate = 0, width = 0, height = 0, frameTime = 0;
    if (!Number(Attr(stream, "bitrate"), bitRate) && !Number(Attr(vih, "dwbitrate"), bitRate)) {
        error = "the video stream has no bit rate";
        return false;
    }
    if (!Number(Attr(bih, "biwidth"), width) || !Number(Attr(bih, "biheight"), height)) {
        error = "the video stream has no frame size";
        return false;
    }
    if (!Number(Attr(vih, "avgtimeperframe"), frameTime)) {
        error = "the video stream has no frame rate";
        return false;
    }
    if (height < 0) height = -height;
    if (bitRate < 1000 || bitRate > 100000000) {
        error = "bit rate out of range";
        return false;
    }
    if (width < 0 || width > 4096 || height > 4096 || width % 2 || height % 2 ||
        (width == 0) != (height == 0)) {
        error = "frame size out of range";
        return false;
    }
    // The time per frame is in 100-nanosecond units; 0 keeps the rate of the recording.
    if (frameTime < 0 || (frameTime > 0 && frameTime < 10000000 / 120)) {
        error = "frame rate out of range";
        return false;
    }
    WmvProfile p;
    pugi::xml_attribute name = Attr(profile, "name");
    p.name = name ? name.value() : "";
    p.bitRate = bitRate;
    p.width = static_cast<int>(width);
    p.height = static_cast<int>(height);
    p.frameRate = frameTime > 0 ? 10000000.0 / static_cast<double>(frameTime) : 0.0;
    out = p;
    return true;
}

int LoadCustomProfile(const std::string& path, WmvProfile& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return -ENOENT;
    std::vector<uint8_t> bytes;
    char buf[65536];
    while (f.read(buf, sizeof buf) || f.gcount() > 0) {
        bytes.insert(bytes.end(), buf, buf + f.gcount());
        if (bytes.size() > kMaxProfileFile) return -EFBIG;
    }
    if (f.bad()) return -EIO;
    std::string error;
    return ParseProfileXml(bytes.data(), bytes.size(), out, error) ? 0 : -EINVAL;
}

}  // namespace ocv
