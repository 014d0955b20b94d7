// Examining command mail headers: field values, the "ovn" rule, the sender check, the command
// word and camera number, and the reply subject.
#include <gtest/gtest.h>

#include "mail/MailCommandHeader.h"

namespace ocv {
namespace {

using E = MailExamination;

struct Case {
    const char* header;
    bool check;
    MailExamination verdict;
    const char* word;
    int cameraNo;
    const char* sender;
};

TEST(MailCommandHeaderTest, ExaminationTable) {
    const std::string big(1 << 20, 'x');
    const Case cases[] = {
        {"From: Boss <boss@example.org>\r\nSubject: ovn start\r\n", false, E::Command, "start", 1,
         "boss@example.org"},
        {"Subject: ovn Snap 2\r\nFrom: <b@x>\r\n", false, E::Command, "Snap", 2, "b@x"},
        {"Subject: ovn   stop   7x\r\nFrom: <b@x>\r\n", false, E::Command, "stop", 7, "b@x"},
        {"Subject: ovn snap two\r\nFrom: <b@x>\r\n", false, E::Command, "snap", 0, "b@x"},
        {"Subject: ovn snap 1099511627776\r\nFrom: <b@x>\r\n", false, E::Command, "snap",
         2147483647, "b@x"},
        {"Subject: ovn snap -1\r\nFrom: <b@x>\r\n", false, E::Command, "snap", -1, "b@x"},
        {"Subject: OVN start\r\nFrom: <b@x>\r\n", false, E::NotCommand, "", 1, "b@x"},
        {"Subject: ovn\r\nFrom: <b@x>\r\n", false, E::NotCommand, "", 1, "b@x"},
        {"Subject: ovnx start\r\nFrom: <b@x>\r\n", false, E::NotCommand, "", 1, "b@x"},
        {"From: <b@x>\r\n", false, E::NoSubject, "", 1, ""},
        {"Subject: ovn start\r\n", false, E::NoFrom, "", 1, ""},
        // Sender check: exact, case-sensitive; a From without angle brackets has no address.
        {"Subject: ovn start\r\nFrom: <boss@example.org>\r\n", true, E::Command, "start", 1,
         "boss@example.org"},
        {"Subject: ovn start\r\nFrom: <Boss@example.org>\r\n", true, E::SenderRefused, "", 1,
         "Boss@example.org"},
        {"Subject: ovn start\r\nFrom: boss@example.org\r\n", true, E::SenderRefused, "", 1, ""},
        // A value ends at CR, LF or NUL: nothing after them reaches the word or the sender.
        {"Subject: ovn start\nBcc: x@y\r\nFrom: <b@x>\r\n", false, E::Command, "start", 1, "b@x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        MailCommandRequest r;
        EXPECT_EQ(ExamineCommandHeader(c.header, c.check, "boss@example.org", r), c.verdict);
        EXPECT_EQ(r.sender, c.sender);
        if (c.verdict == MailExamination::Command) {
            EXPECT_EQ(r.word, c.word);
            EXPECT_EQ(r.cameraNo, c.cameraNo);
        }
    }
    // NUL inside a literal: built with its length.
    std::string nul("Subject: ovn st\0art 2\r\nFrom: <b@x>\r\n", 37);
    MailCommandRequest r;
    ASSERT_EQ(ExamineCommandHeader(nul, false, "", r), MailExamination::Command);
    EXPECT_EQ(r.word, "st");
    // A 1 MB header and a 10,000-character word.
    ASSERT_EQ(ExamineCommandHeader(
                  "Subject: ovn " + std::string(10000, 'w') + " 1\r\nFrom: " + big + "\r\n", false,
                  "", r),
              MailExamination::Command);
    EXPECT_EQ(r.word.size(), 10000u);
    EXPECT_EQ(ExamineCommandHeader(big, false, "", r), MailExamination::NoSubject);
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
