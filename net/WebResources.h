#pragma once
// The pages and pictures the web server sends, by their resource numbers. Pages are sent in
// Shift_JIS; pictures and the applet unchanged.
#include <string>

namespace ocv {

constexpr int kResApplet = 207;
constexpr int kResViewerPage = 208;
constexpr int kResNoticeMaxUsers = 210;
constexpr int kResNoticeWrongPassword = 211;
constexpr int kResMobilePicture = 262;
constexpr int kResMobileLogin = 264;
constexpr int kResMobileLoginError = 265;

// The bytes of resource `id`; false when the program carries no such resource (the viewer
// applet is not shipped: no current browser runs it, and the viewer page shows the stream itself).
bool FindWebResource(int id, std::string& bytes);

// The content type a resource is sent with.
const char* WebResourceContentType(int id);

// Replaces the printf-style placeholders "%d" and "%s" of a page, in order, with the given
// texts; a placeholder without a text left is kept as it stands; "%%" gives "%".
std::string FillPlaceholders(const std::string& page, std::initializer_list<std::string> texts);

// UTF-8 to Shift_JIS; characters without a Shift_JIS form become "?".
std::string ToShiftJis(const std::string& utf8);

}  // namespace ocv
