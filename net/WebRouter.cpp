#include "net/WebRouter.h"

#include <strings.h>

#include <cctype>
#include <climits>

#include "net/WebResources.h"

namespace ocv {
namespace {

bool HasPrefix(const std::string& path, const char* prefix, size_t length) {
    return strncasecmp(path.c_str(), prefix, length) == 0;
}

}  // namespace

int QualityFromText(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = INT_MAX;
    }
    if (negative) value = -value;
    if (value <= 0) return kDefaultQuality;
    return value > 100 ? 100 : static_cast<int>(value);
}

WebRoute RouteRequest(CLogger* log, const WebServerSetting& ws, const SessionCheck& sessionValid,
                      const ParsedRequest& request) {
    WebRoute route;
    if (!request.hasGet) return route;  // no request line we serve: 404
    const std::string& path = request.path;
    auto param = [&](const char* name) {
        return GetParam(log, name, request.names, request.values);
    };

    if (HasPrefix(path, "MotionJpeg", 10)) {
        if (!ws.enable) return route;
        route.action = WebAction::Stream;
        route.guarded = ws.enablePassword != 0;
        route.quality = QualityFromText(param("Quality"));
        route.password = param("Password");
        return route;
    }
    if (HasPrefix(path, "OcvView.class", 13)) {
        if (ws.enable) route.action = WebAction::Applet;
        return route;
    }
    if (HasPrefix(path, "i", 1)) {
        if (!ws.imodeEnable) return route;
        route.action = WebAction::MobilePage;
        route.resource = kResMobilePicture;
        if (ws.imodeEnablePassword) {
            route.guarded = true;
            std::string pass = param("Pass");
            if (!pass.empty()) {
                route.loggedIn = pass == ws.imodePassword;
                route.badCredential = !route.loggedIn;
                route.resource = route.loggedIn ? kResMobilePicture : kResMobileLoginError;
            } else {
                std::string s = param("Session");
                bool valid = !s.empty() && sessionValid && sessionValid(s);
                if (valid) route.session = s;
                route.badCredential = !s.empty() && !valid;
                route.resource = valid ? kResMobilePicture : kResMobileLogin;
            }
        }
        return route;
    }
    if (HasPrefix(path, "SnapJpeg", 8)) {
        if (!ws.imodeEnable) return route;
        if (ws.imodeEnablePassword) {
            route.guarded = true;
            std::string s = param("Session");
            if (s.empty() || !sessionValid || !sessionValid(s)) {
                route.badCredential = !s.empty();
                route.action = WebAction::NotFoundEmpty;
                return route;
            }
            route.session = s;
        }
        route.action = WebAction::SnapJpeg;
        route.quality = QualityFromText(param("Quality"));
        route.size = param("Size");
        if (route.size.size() > kSizeTextLimit) route.size.resize(kSizeTextLimit);
        return route;
    }
    if (path.empty() && ws.enable) route.action = WebAction::ViewerPage;
    return route;
}

}  // namespace ocv
