#pragma once
// The web server's dispatch table: which reply a parsed request gets.
#include <functional>
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
    int resource = 0;            // mobile page number
    std::string password;        // "Password" of a stream request
    std::string size;            // "Size" of a still picture request, at most 255 bytes
    std::string session;         // the valid "Session" a mobile request carried ("" when none)
    bool loggedIn = false;       // a mobile request with the right "Pass": give it a new session
    bool badCredential = false;  // a wrong "Pass" or a non-empty wrong "Session" was sent
    bool guarded = false;        // the answer depends on a password or a session number
};

constexpr int kDefaultQuality = 80;
constexpr size_t kSizeTextLimit = 255;

// Leading integer of a text as atoi reads it (clamped to the int range); 0 or less gives 80 and
// values above 100 give 100.
int QualityFromText(const std::string& text);

// Whether a "Session" value is valid for the client that sent the request.
using SessionCheck = std::function<bool(const std::string& session)>;

// The reply a request gets. The stream's "Password" is only copied here: it is checked after
// the stream limit, when the stream is admitted.
WebRoute RouteRequest(CLogger* log, const WebServerSetting& ws, const SessionCheck& sessionValid,
                      const ParsedRequest& request);

}  // namespace ocv
