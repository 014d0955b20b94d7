#pragma once
// The web server's dispatch table: which reply a parsed request gets.
#include <string>

#include "config/OcvParam.h"
#include "net/HttpRequest.h"

namespace ocv {

class CLogger;

enum class WebAction {
    NotFound,       // 404 "Not Found", body "Unknown request!"
    NotFoundEmpty,  // 404 "Not Found" with an empty body (still picture without session)
    Stream,         // Motion-JPEG stream (subject to the stream limit and password)
    Applet,         // the viewer applet
    ViewerPage,     // the viewer page
    MobilePage,     // one of the mobile pages (resource)
    SnapJpeg,       // one still picture
};

struct WebRoute {
    WebAction action = WebAction::NotFound;
    int quality = 80;
    int resource = 0;      // mobile page number
    std::string password;  // "Password" of a stream request
    std::string size;      // "Size" of a still picture request, at most 255 bytes
};

constexpr int kDefaultQuality = 80;
constexpr size_t kSizeTextLimit = 255;

// Leading integer of a text as atoi reads it (clamped to the int range); 0 or less gives 80 and
// values above 100 give 100.
int QualityFromText(const std::string& text);

WebRoute RouteRequest(CLogger* log, const WebServerSetting& ws, const std::string& session,
                      const ParsedRequest& request);

}  // namespace ocv
