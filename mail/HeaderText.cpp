#include "mail/HeaderText.h"

#include <vector>

#include "mail/Base64.h"

namespace ocv {
namespace {

constexpr size_t kMaxWord = 75;
const std::string kIsoPrefix = "=?ISO-2022-JP?B?";
const std::string kUtfPrefix = "=?UTF-8?B?";

std::string Word(const std::string& prefix, const std::string& raw) {
    return prefix + CBase64().Encode(raw) + "?=";
}

// Raw bytes that fit one encoded word after the prefix and "?=".
size_t RawCapacity(const std::string& prefix) { return (kMaxWord - prefix.size() - 2) / 4 * 3; }

std::string Join(const std::vector<std::string>& words) {
    std::string out;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0) out += "\r\n ";
        out += words[i];
    }
    return out;
}

// Splits ISO-2022-JP text into pieces that each start and end in ASCII, so each piece is a
// complete encoded word of its own.
std::string EncodeIso2022Jp(const std::string& text) {
    enum Mode { kAscii, kJis, kRoman };
    static const std::string kEscape[] = {"\x1b(B", "\x1b$B", "\x1b(J"};
    const size_t capacity = RawCapacity(kIsoPrefix);
    std::vector<std::string> words;
    std::string piece;
    Mode inText = kAscii;   // mode of the source text at the current position
    Mode inPiece = kAscii;  // mode the current piece is in
    auto flush = [&] {
        if (inPiece != kAscii) piece += kEscape[kAscii];
        if (!piece.empty()) words.push_back(Word(kIsoPrefix, piece));
        piece.clear();
        inPiece = kAscii;
    };
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\x1b') {
            std::string seq = text.substr(i, 3);
            if (seq == "\x1b(B")
                inText = kAscii;
            else if (seq == "\x1b$B" || seq == "\x1b$@")
                inText = kJis;
            else if (seq == "\x1b(J")
                inText = kRoman;
            else {
                ++i;  // an unknown escape is dropped
                continue;
            }
            i += 3;
            continue;
        }
        size_t charLen = (inText == kJis && i + 1 < text.size()) ? 2 : 1;
        std::string ch = text.substr(i, charLen);
        if (inText == kJis && charLen == 1) ch = "?";  // a half character at the end
        Mode mode = charLen == 2 ? kJis : inText;
        if (static_cast<unsigned char>(ch[0]) < 0x20 || static_cast<unsigned char>(ch[0]) > 0x7e)
            ch = " ", mode = kAscii;
        size_t need = (mode != inPiece ? 3 : 0) + ch.size() + (mode != kAscii ? 3 : 0);
        if (piece.size() + need > capacity) flush();
        if (mode != inPiece) piece += kEscape[mode];
        piece += ch;
        inPiece = mode;
        i += charLen;
    }
    flush();
    return Join(words);
}

std::string EncodeUtf8(const std::string& text) {
    const size_t capacity = RawCapacity(kUtfPrefix);
    std::vector<std::string> words;
    std::string piece;
    size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t len = c < 0x80             ? 1
                     : (c & 0xe0) == 0xc0 ? 2
                     : (c & 0xf0) == 0xe0 ? 3
                     : (c & 0xf8) == 0xf0 ? 4
                                          : 1;
        if (i + len > text.size()) len = text.size() - i;
        std::string ch = text.substr(i, len);
        if (len == 1 && (c < 0x20 || c == 0x7f)) ch = " ";
        if (piece.size() + ch.size() > capacity) {
            words.push_back(Word(kUtfPrefix, piece));
            piece.clear();
        }
        piece += ch;
        i += len;
    }
    if (!piece.empty()) words.push_back(Word(kUtfPrefix, piece));
    return Join(words);
}

}  // namespace

std::string EncodeHeaderText(const std::string& text) {
    bool hasEscape = false;
    bool hasHigh = false;
    bool hasControl = false;
    for (unsigned char c : text) {
        if (c == 0x1b)
            hasEscape = true;
        else if (c >= 0x80)
            hasHigh = true;
        else if (c < 0x20 || c == 0x7f)
            hasControl = true;
    }
    if (hasHigh) return EncodeUtf8(text);
    if (hasEscape) return EncodeIso2022Jp(text);
    if (!hasControl) return text;
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return out;
}

}  // namespace ocv
