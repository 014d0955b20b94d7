// UTF-8 to ISO-2022-JP conversion and RFC 2047 header words.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "mail/Base64.h"
#include "mail/HeaderText.h"
#include "mail/JisText.h"

namespace ocv {
namespace {

const std::string kIn("\x1b$B", 3);
const std::string kOut("\x1b(B", 3);

// An independent decoder: glibc's own ISO-2022-JP to UTF-8. Fails on a broken stream.
bool FromJis(const std::string& jis, std::string& utf8) {
    iconv_t cd = ::iconv_open("UTF-8", "ISO-2022-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string out(jis.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(jis.data());
    size_t inLeft = jis.size();
    char* o = out.data();
    size_t oLeft = out.size();
    bool ok = ::iconv(cd, &in, &inLeft, &o, &oLeft) != static_cast<size_t>(-1) && inLeft == 0;
    ok = ok && ::iconv(cd, nullptr, nullptr, &o, &oLeft) != static_cast<size_t>(-1);
    ::iconv_close(cd);
    utf8.assign(out.data(), static_cast<size_t>(o - out.data()));
    return ok;
}

bool EndsInAscii(const std::string& jis) {
    size_t in = jis.rfind(kIn);
    return in == std::string::npos || jis.rfind(kOut) > in;
}

// Known bytes; the Windows form of the wave dash (U+FF5E) maps, an emoji, a half-width katakana,
// a JIS X 0212 character, a stray byte and an ESC become question marks.
TEST(ToJisText, KnownBytesWindowsVariantsAndQuestionMarks) {
    const std::pair<std::string, std::string> rows[] = {
        {"日本語 text", kIn + "F|K\\8l" + kOut + " text"},
        {"～", kIn + "!A" + kOut},
        {std::string("a😀bｱc丂d") + '\xff' + "e" + '\x1b' + "f", "a?b?c?d?e?f"}};
    for (const auto& [utf8, jis] : rows) {
        std::string t = utf8;
        EXPECT_TRUE(ToJisText(t));
        EXPECT_EQ(t, jis);
    }
}

TEST(ToJisText, CutNeverSplitsACharacterAndAlwaysClosesTheEscape) {
    const std::string source = "温度ABC警報テスト x 画像を送信します。5時3分!";
    std::string full = source;
    ASSERT_TRUE(ToJisText(full));
    std::string fullText;
    ASSERT_TRUE(FromJis(full, fullText));
    EXPECT_EQ(fullText, source);
    for (size_t limit = 0; limit <= full.size() + 2; ++limit) {
        std::string t = source;
        bool complete = ToJisText(t, limit);
        EXPECT_LE(t.size(), limit);
        EXPECT_EQ(complete, limit >= full.size()) << limit;
        EXPECT_TRUE(EndsInAscii(t)) << limit;
        std::string back;
        ASSERT_TRUE(FromJis(t, back)) << limit;
        EXPECT_EQ(fullText.compare(0, back.size(), back), 0) << limit;
    }
    // Long text near the 1023-byte default.
    std::string big;
    while (big.size() < 3000) big += "監視カメラ";
    std::string t = big;
    EXPECT_FALSE(ToJisText(t));
    EXPECT_LE(t.size(), 1023u);
    EXPECT_TRUE(EndsInAscii(t));
}

// Decodes "=?ISO-2022-JP?B?...?=" words of a folded header value and checks their length.
std::string DecodeWords(const std::string& value, const std::string& charset) {
    std::string raw;
    const std::string prefix = "=?" + charset + "?B?";
    size_t pos = 0;
    while ((pos = value.find(prefix, pos)) != std::string::npos) {
        size_t end = value.find("?=", pos + prefix.size());
        EXPECT_NE(end, std::string::npos);
        EXPECT_LE(end + 2 - pos, 75u);
        std::string piece;
        EXPECT_TRUE(
            CBase64().Decode(value.substr(pos + prefix.size(), end - pos - prefix.size()), piece));
        if (charset == "ISO-2022-JP") {
            std::string utf8;
            EXPECT_TRUE(FromJis(piece, utf8)) << "a word is not complete ISO-2022-JP";
            EXPECT_TRUE(EndsInAscii(piece));
            raw += utf8;
        } else {
            raw += piece;
        }
        pos = end + 2;
    }
    return raw;
}

TEST(HeaderText, AsciiUnchangedJapaneseAsEncodedWords) {
    EXPECT_EQ(EncodeHeaderText("Motion detected [cam 1]"), "Motion detected [cam 1]");
    EXPECT_EQ(EncodeHeaderText("a\r\nBcc: x"), "a  Bcc: x");

    const std::string subject =
        "【警報】カメラ1で動きを検知しました - 2024年3月5日 9時7分3秒 camera";
    std::string jis = subject;
    ASSERT_TRUE(ToJisText(jis));
    std::string value = EncodeHeaderText(jis);
    EXPECT_EQ(value.find('\x1b'), std::string::npos);
    EXPECT_NE(value.find("\r\n "), std::string::npos);  // long: folded over several words
    EXPECT_EQ(DecodeWords(value, "ISO-2022-JP"), subject);

    const std::string utf8 = "Température élevée — caméra";
    std::string u = EncodeHeaderText(utf8);
    EXPECT_EQ(DecodeWords(u, "UTF-8"), utf8);
}

}  // namespace
}  // namespace ocv
