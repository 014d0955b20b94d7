#pragma once
// Header values that are not plain ASCII, written as RFC 2047 encoded words.
#include <string>

namespace ocv {

// Plain printable ASCII is returned unchanged. Text holding ISO-2022-JP escapes becomes
// "=?ISO-2022-JP?B?...?=" words, other 8-bit text "=?UTF-8?B?...?=" words; each word is at most
// 75 characters, splits only between characters, and words are folded onto continuation lines.
// Line breaks and other control characters never reach the header (they become spaces).
std::string EncodeHeaderText(const std::string& text);

}  // namespace ocv
