// Message building: recipient lists, header lines, the multipart body, wrapping and Base64.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "PeerProcess.h"
#include "mail/Base64.h"
#include "mail/MIMEMessage.h"
#include "mail/MailDate.h"
#include "mail/MailMessage.h"

namespace ocv {
namespace {

TEST(RecipientList, EntriesEmptyEntriesMalformedEntriesAndControlCharacters) {
    CMailMessage m;
    EXPECT_EQ(m.AddRecipientList("a@example.org;Camera Admin <b@example.org>;;"), 1);
    ASSERT_EQ(m.RecipientCount(CMailMessage::TO), 4);
    std::string address, name;
    ASSERT_TRUE(m.GetRecipientAt(1, CMailMessage::TO, address, name));
    EXPECT_EQ(address, "b@example.org");
    EXPECT_EQ(name, "Camera Admin ");
    EXPECT_EQ(m.Recipients(CMailMessage::TO)[2].address, "");
    m.SetDate(0);
    m.ComposeMessage();
    EXPECT_NE(m.Header().find("\r\nTo: <a@example.org>,Camera Admin <b@example.org>"),
              std::string::npos)
        << m.Header();

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

TEST(MailHeader, LinesInOrderWithCcAlwaysAndNoBcc) {
    CMailMessage m;
    m.SetFrom("cam@example.org");
    m.SetSubject("Motion detected");
    m.AddRecipient("to@x", "", CMailMessage::TO);
    m.AddRecipient("hidden@x", "", CMailMessage::BCC);
    m.SetBody("hello");
    m.SetDate(1700000000);
    m.ComposeMessage();
    const std::string& h = m.Header();
    EXPECT_EQ(h.rfind("From: cam@example.org\r\nTo: <to@x>\r\nCc: \r\nDate: ", 0), 0u) << h;
    EXPECT_NE(h.find("\r\nSubject: Motion detected\r\nX-Mailer: Ocuvane Mailer\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(h.find("hidden"), std::string::npos);
    EXPECT_EQ(m.Body(), "hello\r\n");
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

}  // namespace
}  // namespace ocv
