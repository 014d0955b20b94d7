#pragma once
// Reading camera addresses typed by a user: the parts of a URL, the check of an address
// against the device type it is meant for, and the address rules of the stream source.
#include <optional>
#include <string>
#include <vector>

namespace ocv {

// The parts of `scheme://[user[:password]@]host[:port][/path][?query][#fragment]`.
struct CameraUrl {
    std::string scheme;  // lower case
    std::string userInfo;
    std::string host;  // without the brackets of an IPv6 literal
    int port = 0;      // 0 when not given
    std::string pathAndQuery;  // from the first "/" or "?" on, fragment included
};

// Splits a URL; nullopt (and `why`) when it is not one: no scheme, a scheme of other
// characters than letters, digits, "+", "-" and ".", white space or control characters, an
// empty host (except for file URLs), a bad port or an unclosed IPv6 bracket.
std::optional<CameraUrl> ParseCameraUrl(const std::string& text, std::string& why);

// Whether `address` can serve a camera of `deviceType`: type 1 takes a capture device's name
// (any printable text, empty for the first device); type 2 a stream URL of a scheme the stream
// source opens; types 3 to 8 an http or https URL. False with the reason otherwise.
bool CheckCameraAddress(int deviceType, const std::string& address, std::string& why);

// The schemes the stream source opens.
const std::vector<std::string>& StreamSchemes();

// The stream source's name rule: a name that starts with "http://" (in any letter case) becomes
// "mms://" followed by the rest of the name; any other name is used unchanged.
std::string HttpToMms(const std::string& name, bool& converted);

// The URLs tried, in order, to open a stream named `url` (after HttpToMms): an "mms://" URL
// rolls over from MMS over HTTP to MMS over TCP, and one converted from "http://" first tries
// the plain HTTP URL it came from, so any HTTP stream (MPEG-TS, Motion-JPEG) still opens.
std::vector<std::string> StreamOpenOrder(const std::string& original, const std::string& url,
                                         bool converted);

// Takes a transport choice out of an RTSP URL's query ("rtsp_transport=udp" or "=tcp"): the
// URL without that item, and the transport ("tcp" when none is given).
std::string TakeRtspTransport(const std::string& url, std::string& transport);

}  // namespace ocv
