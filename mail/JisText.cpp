#include "mail/JisText.h"

#include <iconv.h>

#include <cstdint>

namespace ocv {
namespace {

constexpr char kEsc = 0x1b;
const std::string kToJis("\x1b$B", 3);
const std::string kToAscii("\x1b(B", 3);

// Decodes one UTF-8 sequence at `p`; returns its length, or 0 when it is not valid UTF-8.
size_t DecodeUtf8(const std::string& s, size_t p, uint32_t& cp) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char c = b(p);
    size_t len;
    uint32_t min;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xe0) == 0xc0) {
        len = 2, cp = c & 0x1f, min = 0x80;
    } else if ((c & 0xf0) == 0xe0) {
        len = 3, cp = c & 0x0f, min = 0x800;
    } else if ((c & 0xf8) == 0xf0) {
        len = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (p + len > s.size()) return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((b(p + i) & 0xc0) != 0x80) return 0;
        cp = (cp << 6) | (b(p + i) & 0x3f);
    }
    if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
    return len;
}

// iconv descriptors from UTF-8 to EUC-JP and to its Microsoft variant (which maps the
// characters Windows text uses for "～", "－", "¢" and the like onto their JIS X 0208 places).
class EucConverter {
public:
    EucConverter()
        : plain_(::iconv_open("EUC-JP", "UTF-8")), ms_(::iconv_open("EUC-JP-MS", "UTF-8")) {}
    ~EucConverter() {
        if (plain_ != reinterpret_cast<iconv_t>(-1)) ::iconv_close(plain_);
        if (ms_ != reinterpret_cast<iconv_t>(-1)) ::iconv_close(ms_);
    }
    EucConverter(const EucConverter&) = delete;
    EucConverter& operator=(const EucConverter&) = delete;

    // The JIS X 0208 code (two bytes 0x21..0x7E) of one UTF-8 character, or false.
    bool ToJis0208(const char* utf8, size_t len, unsigned char jis[2]) {
        return Convert(plain_, utf8, len, jis) || Convert(ms_, utf8, len, jis);
    }

private:
    static bool Convert(iconv_t cd, const char* utf8, size_t len, unsigned char jis[2]) {
        if (cd == reinterpret_cast<iconv_t>(-1)) return false;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char out[8];
        char* in = const_cast<char*>(utf8);
        size_t inLeft = len;
        char* outPtr = out;
        size_t outLeft = sizeof out;
        if (::iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
        if (inLeft != 0 || outPtr - out != 2) return false;  // SS2 kana and JIS X 0212 are longer
        auto b0 = static_cast<unsigned char>(out[0]);
        auto b1 = static_cast<unsigned char>(out[1]);
        if (b0 < 0xa1 || b0 > 0xfe || b1 < 0xa1 || b1 > 0xfe) return false;
        jis[0] = static_cast<unsigned char>(b0 - 0x80);
        jis[1] = static_cast<unsigned char>(b1 - 0x80);
        return true;
    }

    iconv_t plain_;
    iconv_t ms_;
};

}  // namespace

bool ToJisText(std::string& text, size_t maxBytes) {
    EucConverter converter;
    std::string out;
    out.reserve(text.size() + 16);
    bool inJis = false;
    bool complete = true;
    size_t p = 0;
    while (p < text.size()) {
        uint32_t cp = 0;
        size_t len = DecodeUtf8(text, p, cp);
        unsigned char jis[2];
        bool isJis = false;
        char ascii = '?';
        if (len == 0) {
            len = 1;  // a stray byte counts as one unknown character
        } else if (cp < 0x80) {
            if (cp != static_cast<uint32_t>(kEsc) && cp != 0x0e && cp != 0x0f)
                ascii = static_cast<char>(cp);
        } else {
            isJis = converter.ToJis0208(text.data() + p, len, jis);
        }
        // Bytes this character needs, plus the closing escape that must still fit after it.
        size_t need = isJis ? (inJis ? 2 : 5) + 3 : (inJis ? 4 : 1);
        if (out.size() + need > maxBytes) {
            complete = false;
            break;
        }
        if (isJis) {
            if (!inJis) out += kToJis;
            out += static_cast<char>(jis[0]);
            out += static_cast<char>(jis[1]);
            inJis = true;
        } else {
            if (inJis) out += kToAscii;
            out += ascii;
            inJis = false;
        }
        p += len;
    }
    if (inJis) out += kToAscii;
    text.swap(out);
    return complete;
}

}  // namespace ocv
