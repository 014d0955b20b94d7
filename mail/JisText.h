#pragma once
// Conversion of the program's UTF-8 text into ISO-2022-JP, the charset of Japanese mail.
#include <cstddef>
#include <string>

namespace ocv {

constexpr size_t kJisTextMaxBytes = 1023;

// Converts UTF-8 text in place to ISO-2022-JP: ASCII is copied, every other character is
// written as its JIS X 0208 code inside ESC "$B" ... ESC "(B". Characters outside JIS X 0208
// (and bytes that are not valid UTF-8, and the control bytes ESC, SO, SI) become "?". The result
// never exceeds `maxBytes`: when it would, the text is cut before the first character that does
// not fit (never inside one) and an open escape is still closed. Returns false when cut.
bool ToJisText(std::string& text, size_t maxBytes = kJisTextMaxBytes);

}  // namespace ocv
