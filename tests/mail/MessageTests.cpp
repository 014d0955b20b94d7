// Messages and texts of the mail clients: recipient lists, header lines, the multipart body,
// wrapping, Base64, the Date header, UTF-8 to ISO-2022-JP, RFC 2047 header words, and the
// examination of command mail headers (field values, the "ovn" rule, the sender check, the
// command word and camera number, the reply subject).
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "PeerProcess.h"
#include "mail/Base64.h"
#include "mail/HeaderText.h"
#include "mail/JisText.h"
#include "mail/MIMEMessage.h"
#include "mail/MailCommandHeader.h"
#include "mail/MailDate.h"
#include "mail/MailMessage.h"

namespace ocv {
namespace {

// Recipient lists with empty, malformed and injected entries; the header lines in order, with Cc
// always and no Bcc.
TEST(MailHeader, RecipientListsAndTheLinesInOrder) {
    CMailMessage m;
    EXPECT_EQ(m.AddRecipientList("a@example.org;Camera Admin <b@example.org>;;"), 1);
    ASSERT_EQ(m.RecipientCount(CMailMessage::TO), 4);
    std::string address, name;
    ASSERT_TRUE(m.GetRecipientAt(1, CMailMessage::TO, address, name));
    EXPECT_EQ(address, "b@example.org");
    EXPECT_EQ(name, "Camera Admin ");
    EXPECT_EQ(m.Recipients(CMailMessage::TO)[2].address, "");
    m.AddRecipient("hidden@x", "", CMailMessage::BCC);
    m.SetFrom("cam@example.org"), m.SetSubject("Motion detected"), m.SetBody("hello");
    m.SetDate(1700000000);
    m.ComposeMessage();
    const std::string& h = m.Header();
    EXPECT_EQ(h.rfind("From: cam@example.org\r\nTo: <a@example.org>,Camera Admin <b@example.org>",
                      0),
              0u)
        << h;
    for (const char* line : {"\r\nCc: \r\nDate: ",
                             "\r\nSubject: Motion detected\r\nX-Mailer: Ocuvane Mailer\r\n\r\n"})
        EXPECT_NE(h.find(line), std::string::npos) << line << h;
    EXPECT_EQ(h.find("hidden"), std::string::npos);
    EXPECT_EQ(m.Body(), "hello\r\n");

    CMailMessage bad;
    // "<" without a ">" after it stops the parse; the entries before it stay.
    EXPECT_EQ(bad.AddRecipientList("first@x;Name <second@x;third@x", CMailMessage::CC), 0);
    ASSERT_EQ(bad.RecipientCount(CMailMessage::CC), 1);
    EXPECT_EQ(bad.AddRecipientList("x> <y@x"), 0);
    EXPECT_EQ(bad.AddRecipient("z@x", "", 3), 0);
    // Control characters are refused.
    EXPECT_EQ(bad.AddRecipient("a@x>\r\nRCPT TO: <evil@x", ""), 0);
    EXPECT_EQ(bad.AddRecipient("a@x", "Bob\nBcc: evil@x"), 0);
    EXPECT_EQ(bad.AddRecipientList("ok@x;bad\r@x;later@x"), 0);
    ASSERT_EQ(bad.RecipientCount(CMailMessage::TO), 1);
    EXPECT_EQ(bad.Recipients(CMailMessage::TO)[0].address, "ok@x");
}

TEST(MailDate, CarriesTheRealOffset) {
    // 2024-03-05 00:07:03 UTC, a Tuesday.
    const std::time_t t = 1709597223;
    const char* const rows[][2] = {{"UTC0", "Tue, 05 Mar 2024 00:07:03 +0000"},
                                   {"JST-9", "Tue, 05 Mar 2024 09:07:03 +0900"},
                                   {"EST5", "Mon, 04 Mar 2024 19:07:03 -0500"},
                                   {"IST-5:30", "Tue, 05 Mar 2024 05:37:03 +0530"}};
    const char* old = std::getenv("TZ");
    const std::string saved = old != nullptr ? old : "";
    for (const auto& row : rows) {
        ::setenv("TZ", row[0], 1);
        ::tzset();
        EXPECT_EQ(FormatMailDate(t), row[1]) << row[0];
    }
    old != nullptr ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

// The text part first, then each attachment in Base64 lines of 54 bytes (72 characters) ending
// in an empty line; an unreadable file and a part without agent add nothing.
TEST(MimeMessage, TextPartThenAttachmentsInOrder) {
    test::TempDir dir;
    std::mt19937 rng(7);
    std::string bytes(5000, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    CMIMEMessage m;
    m.AddPart(dir.Write("a.bin", "xyz"), CMIMEMessage::APPLICATION_OCTETSTREAM, "", 0, true);
    m.AddPart(dir.Write("pic.bin", bytes), CMIMEMessage::APPLICATION_OCTETSTREAM, "", 0, true);
    m.AddPart("/nonexistent/dir/x.jpg", CMIMEMessage::APPLICATION_OCTETSTREAM, "", 0, true);
    m.AddPart("text", 99, "", 0, false);  // no agent: skipped entirely
    m.SetBody("  Plain body  ");
    m.ComposeMessage();
    const std::string boundary = "--QX_MAIL_PaRt_BoUnDaRy_05151998";
    std::string pic;
    for (size_t at = 0; at < bytes.size(); at += 54)
        pic += CBase64().Encode(bytes.substr(at, 54)) + "\r\n";
    auto file = [&](const std::string& name, const std::string& encoded) {
        return "Content-Type: application/octet-stream; name=\"" + name +
               "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; "
               "filename=\"" +
               name + "\"\r\n\r\n" + encoded + "\r\n" + boundary + "\r\n";
    };
    EXPECT_EQ(m.Body(),
              "This is a multi-part message in MIME format.\r\n\r\n" + boundary +
                  "\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: 7Bit\r\n\r\n"
                  "Plain body\r\n" +
                  boundary + "\r\n" + file("a.bin", "eHl6\r\n") + file("pic.bin", pic) + boundary +
                  "--\r\n");
    EXPECT_NE(
        m.Header().find("X-Mailer: Ocuvane Mailer\r\nMIME-Version: 1.0\r\nContent-Type: "
                        "multipart/mixed; boundary=\"QX_MAIL_PaRt_BoUnDaRy_05151998\"\r\n\r\n"),
        std::string::npos);

    CMIMEMessage jis;  // the charset only for converted text
    jis.SetBody(std::string("\x1b$B", 3) + "F|K\\" + std::string("\x1b(B", 3));
    jis.ComposeMessage();
    EXPECT_NE(jis.Body().find("Content-Type: text/plain; charset=ISO-2022-JP\r\n"),
              std::string::npos);
}

TEST(WrapText, WrapsAtTheLastSpaceAndKeepsWords) {
    std::string text;
    for (int i = 0; i < 60; ++i) text += "word" + std::to_string(i) + " ";
    std::string wrapped = WrapText(text, 76);
    std::string rejoined;
    for (size_t pos = 0, eol = 0; eol != std::string::npos; pos = eol + 2) {
        eol = wrapped.find("\r\n", pos);
        std::string line = wrapped.substr(pos, eol == std::string::npos ? eol : eol - pos);
        EXPECT_LE(line.size(), 78u) << line;
        rejoined += line;
    }
    // Only white space changed.
    std::erase(rejoined, ' ');
    std::erase(text, ' ');
    EXPECT_EQ(rejoined, text);
    EXPECT_GT(std::count(wrapped.begin(), wrapped.end(), '\n'), 3);

    std::string noSpaces(200, 'x');
    EXPECT_EQ(WrapText(noSpaces, 76), "\r\n" + noSpaces);
    EXPECT_EQ(WrapText("short line\r\nand another", 76), "short line\r\nand another");
}

TEST(Base64, KnownVectorsAndBadInput) {
    CBase64 b;
    const char* plain[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
    const char* coded[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(b.Encode(plain[i]), coded[i]);
        std::string out;
        EXPECT_TRUE(b.Decode(coded[i], out));
        EXPECT_EQ(out, plain[i]);
    }
    std::string out;
    EXPECT_FALSE(b.Decode("Zm9v!", out));
    EXPECT_FALSE(b.Decode("Zg=a", out));
    EXPECT_FALSE(b.Decode("Zm9", out));
}

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

using E = MailExamination;

// A header with this subject, from <b@x>.
std::string Mail(const std::string& subject) {
    return "Subject: " + subject + "\r\nFrom: <b@x>\r\n";
}

TEST(MailCommandHeaderTest, ExaminationTable) {
    const std::string big(1 << 20, 'x');
    const struct Case {
        std::string header;
        bool check;
        MailExamination verdict;
        const char* word;
        int cameraNo;
        const char* sender;
    } cases[] = {
        {"From: Boss <boss@example.org>\r\nSubject: ovn start\r\n", false, E::Command, "start",
         1, "boss@example.org"},
        {Mail("ovn Snap 2"), false, E::Command, "Snap", 2, "b@x"},
        {Mail("ovn   stop   7x"), false, E::Command, "stop", 7, "b@x"},
        {Mail("ovn snap two"), false, E::Command, "snap", 0, "b@x"},
        {Mail("ovn snap 1099511627776"), false, E::Command, "snap", 2147483647, "b@x"},
        {Mail("ovn snap -1"), false, E::Command, "snap", -1, "b@x"},
        {Mail("OVN start"), false, E::NotCommand, "", 1, "b@x"},
        {Mail("ovn"), false, E::NotCommand, "", 1, "b@x"},
        {Mail("ovnx start"), false, E::NotCommand, "", 1, "b@x"},
        {"From: <b@x>\r\n", false, E::NoSubject, "", 1, ""},
        {"Subject: ovn start\r\n", false, E::NoFrom, "", 1, ""},
        // Sender check: exact, case-sensitive; a From without angle brackets has no address.
        {"Subject: ovn start\r\nFrom: <boss@example.org>\r\n", true, E::Command, "start", 1,
         "boss@example.org"},
        {"Subject: ovn start\r\nFrom: <Boss@example.org>\r\n", true, E::SenderRefused, "", 1,
         "Boss@example.org"},
        {"Subject: ovn start\r\nFrom: boss@example.org\r\n", true, E::SenderRefused, "", 1, ""},
        // A value ends at CR, LF or NUL: nothing after them reaches the word or the sender.
        {Mail("ovn start\nBcc: x@y"), false, E::Command, "start", 1, "b@x"},
        {std::string("Subject: ovn st\0art 2\r\nFrom: <b@x>\r\n", 37), false, E::Command, "st",
         1, "b@x"},
        // A 1 MB header and a 10,000-character word.
        {"Subject: ovn " + std::string(10000, 'w') + " 1\r\nFrom: " + big + "\r\n", false,
         E::Command, nullptr, 1, ""},
        {big, false, E::NoSubject, "", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header.substr(0, 60));
        MailCommandRequest r;
        EXPECT_EQ(ExamineCommandHeader(c.header, c.check, "boss@example.org", r), c.verdict);
        EXPECT_EQ(r.sender, c.sender);
        if (c.verdict != E::Command) continue;
        EXPECT_EQ(r.word, c.word ? c.word : std::string(10000, 'w'));
        EXPECT_EQ(r.cameraNo, c.cameraNo);
    }
}

TEST(MailCommandHeaderTest, FieldValuesAndReplySubject) {
    EXPECT_EQ(HeaderFieldValue("X: 1\r\nSubject:: : hi there\r\n", "Subject:"), "hi there");
    EXPECT_EQ(HeaderFieldValue("Subject: a\r\nSubject: b\r\n", "Subject:"), "a");
    EXPECT_EQ(HeaderFieldValue("subject: a\r\n", "Subject:"), "");
    EXPECT_EQ(HeaderFieldValue("Subject: tail", "Subject:"), "tail");
    EXPECT_EQ(SenderAddress("A <a@b> <c@d>"), "a@b");
    EXPECT_EQ(SenderAddress("A <a@b"), "");
    EXPECT_EQ(ReplySubject("start", 0), "Re: ovn start [ok]");
    EXPECT_EQ(ReplySubject("Snap", 1), "Re: ovn Snap [error]");
    EXPECT_EQ(ReplySubject("a\tb\x01", 0), "Re: ovn a b  [ok]");
    std::string longWord(kMaxReplyWordBytes - 1, 'a');
    longWord += "日本";  // cut inside the first character: it goes whole
    EXPECT_EQ(ReplySubject(longWord, 0),
              "Re: ovn " + std::string(kMaxReplyWordBytes - 1, 'a') + " [ok]");
}

}  // namespace
}  // namespace ocv
