// Feeds arbitrary text to the camera-address readers: the URL splitter, the check of an address
// against each device type, the RTSP transport option and the stream name rules, and checks that
// what they hand out is consistent with what they were given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sources/CameraUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string why;
    if (auto url = ocv::ParseCameraUrl(text, why)) {
        // A URL that was split has a scheme, a host (or is a file URL) and a port in range,
        // and its pieces come from the text itself.
        if (url->scheme.empty() || text.find("://") == std::string::npos) std::abort();
        if (url->host.empty() && url->scheme != "file") std::abort();
        if (url->port < 0 || url->port > 65535) std::abort();
        if (text.find(url->host) == std::string::npos) std::abort();
        if (!url->pathAndQuery.empty() && text.find(url->pathAndQuery) == std::string::npos)
            std::abort();
    } else if (why.empty()) {
        std::abort();  // every refusal says why
    }
    for (int type = 0; type <= 9; ++type) {
        why.clear();
        if (!ocv::CheckCameraAddress(type, text, why) && why.empty()) std::abort();
    }
    std::string transport;
    std::string rest = ocv::TakeRtspTransport(text, transport);
    if (transport != "tcp" && transport != "udp") std::abort();
    if (rest.size() > text.size()) std::abort();
    bool converted = false;
    std::string named = ocv::HttpToMms(text, converted);
    for (const std::string& u : ocv::StreamOpenOrder(text, named, converted))
        if (u.empty() && !text.empty()) std::abort();
    return 0;
}
