// The e-mail target against aiosmtpd (and dovecot for POP-before-SMTP) on loopback; received
// messages are taken apart with Python's email package.
#include <gtest/gtest.h>

#include <chrono>

#include "DeliveryPeers.h"
#include "ScriptServer.h"
#include "TargetTestSupport.h"
#include "delivery/MailNotify.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

using Clock = std::chrono::steady_clock;

std::string NoCr(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '\r') out += c;
    return out;
}

class MailNotifyTest : public TargetFixture {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        ASSERT_TRUE(smtpServer_.Ready()) << smtpServer_.Log();
        smtp_.smtpServerAddress = "127.0.0.1";
        smtp_.smtpServerPort = smtpServer_.Port();
        smtp_.mailFrom = "camera@example.org";
        smtp_.mailTo[0] = "one@example.org;Refused <refuse@example.org>";
        smtp_.mailTo[3] = "Two <two@example.org>";
        smtp_.mailSubject = "【Cam1】動体検知 motion";
        smtp_.mailBody = "mail body";
        smtp_.image = PlainImage("mail", IMAGE_FORMAT_JPEG);
    }
    int Send(const std::string& local = "", const std::string& ftp = "") {
        CDibImage copy(picture_);
        TargetCall call = Call(copy);
        return SendPictureMail(smtp_, call, local, ftp);
    }

    SmtpServer smtpServer_;
    SmtpInfo smtp_;
};

TEST_F(MailNotifyTest, PictureMailArrivesWithItsTextFilledInAndTheStagedPicture) {
    smtp_.mailTo[1] = "Broken <broken@example.org";  // malformed: logged, the others still get it
    smtp_.mailBody =
        "ローカル: _$LOCALFILENAME$_\r\nFTP: _$FTPFILENAME$_\r\n添付: _$MAILFILENAME$_\n"
        "撮影: _$DATE$_ _$TIME$_\r\n.dot line\r\n再掲 _$DATE$_";
    smtp_.image.rotate = 2;
    counter_ = 3;
    ASSERT_EQ(Send("local0001.bmp", "up0002.jpg"), 1) << LogText() << smtpServer_.Log();
    EXPECT_EQ(counter_, 4u);
    ASSERT_EQ(smtpServer_.MessageCount(), 1);
    EXPECT_EQ(smtpServer_.Envelope(0), "camera@example.org\none@example.org\ntwo@example.org\n")
        << "the refused recipient did not stop the mail";

    auto f = ParseMessage(smtpServer_.Message(0));
    EXPECT_EQ(f["defects"], "");
    EXPECT_EQ(f["from"], "camera@example.org");
    EXPECT_EQ(f["to"], "one@example.org, Refused <refuse@example.org>, Two <two@example.org>");
    EXPECT_EQ(f["subject"], "【Cam1】動体検知 motion");
    EXPECT_EQ(f["content-type"], "multipart/mixed");
    EXPECT_EQ(f["text-charset"], "iso-2022-jp");
    EXPECT_EQ(NoCr(f["text"]),
              "ローカル: local0001.bmp\nFTP: up0002.jpg\n添付: mail0003.jpg\n"
              "撮影: 2026年3月5日 9時7分6秒\n.dot line\n再掲 2026年3月5日");
    ASSERT_EQ(f["files"], "1");
    EXPECT_EQ(f["file0-name"], "mail0003.jpg");
    EXPECT_EQ(f["file0"], ReferenceEncoding(picture_, smtp_.image, camera_, time_,
                                            JoinPath(refDir_, "mail0003.jpg")))
        << "the attachment decodes to exactly the staged encoding";

    EXPECT_TRUE(LoggedInOrder({"[Live] Start to send e-mail...", "[Live] Create MIME message...",
                               "[Live] Login SMTP server...", "[Live] Sending e-mail...",
                               "[Live] Sending e-mail was success."}))
        << LogText();
    EXPECT_TRUE(Logged("[Live] Invalid recipient in \"Mail To2\" [Broken <broken@example.org]"));
    EXPECT_FALSE(Logged("POPbeforeSMTP"));
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

// "No Add Image" sends the text alone and makes no name; without recipients the send fails
// after the login and the staged file goes.
TEST_F(MailNotifyTest, TextOnlyMailThenNoRecipients) {
    smtp_.noAddImage = 1;
    smtp_.mailBody = "file=[_$MAILFILENAME$_]";
    smtp_.mailSubject = "plain subject";
    ASSERT_EQ(Send(), 1) << LogText();
    EXPECT_EQ(counter_, 0u) << "no picture, no name made";
    auto f = ParseMessage(smtpServer_.Message(0));
    EXPECT_EQ(f["subject"], "plain subject");
    EXPECT_EQ(NoCr(f["text"]), "file=[]");
    EXPECT_EQ(f["text-charset"], "None") << "an ASCII text goes out as it is";
    EXPECT_EQ(f["files"], "0");
    EXPECT_FALSE(Logged("Save image"));

    smtp_.noAddImage = 0;
    for (auto& to : smtp_.mailTo) to.clear();
    EXPECT_EQ(Send(), 0);
    EXPECT_TRUE(LoggedInOrder({"[Live] Sending e-mail was success.", "[Live] Login SMTP server...",
                               "[Live] Sending e-mail...",
                               "[Live] Send e-mail failed! No Recipients"}))
        << LogText();
    EXPECT_EQ(smtpServer_.MessageCount(), 1);
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

// Submission servers that break off: the failure is logged with its reason, ends at the stop
// where no time-out comes first, sends no mail and leaves no staged picture; after STARTTLS no
// clear text follows.
TEST_F(MailNotifyTest, HostileSubmissionServersAreLoggedFailuresAndGetNothingInClear) {
    struct Row {
        const char* what;
        int security;
        std::vector<ScriptStep> afterEhlo;
        const char* stopWhen;  // the stop is set once the server has received this; "" never
        const char* logged;
    } rows[] = {
        {"garbage instead of a handshake", 1,
         {Say("250-smtp.test\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n"), Expect("STARTTLS\r\n"),
          Say("220 go ahead\r\n"), Expect("\x16\x03"), Say("250 no handshake\r\n\xfe\xfe\xfe"),
          Silence()},
         "", "[Live] Login SMTP server failed! TLS handshake failed: wrong version number"},
        {"AUTH never answered", 0,
         {Say("250-smtp.test\r\n250 AUTH PLAIN\r\n"), Expect("AUTH PLAIN "), Silence()},
         "AUTH PLAIN ",
         "[Live] Login SMTP server failed! AUTH failed: Socket Error! error code=0x2714"},
    };
    unsigned seed = 290;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<ScriptStep> steps{Say("220 smtp.test ESMTP\r\n"), Expect("EHLO ")};
        steps.insert(steps.end(), row.afterEhlo.begin(), row.afterEhlo.end());
        ScriptServer server(steps, ++seed);
        stop_->Reset();
        smtp_.smtpServerPort = server.Port();
        smtp_.smtpSecurity = row.security;
        smtp_.acceptSelfSignedCertificate = 1;
        smtp_.smtpUser = "camuser";
        smtp_.smtpPassword = "s3cret";
        StopWhen stopper(*stop_, ReceivedBy(server, row.stopWhen));
        EXPECT_EQ(Send(), 0);
        stopper.Join();
        EXPECT_TRUE(LoggedInOrder({"[Live] Login SMTP server...", row.logged})) << LogText();
        EXPECT_FALSE(Logged("Sending e-mail...")) << LogText();
        EXPECT_TRUE(DirectoryEntries(workDir_).empty());
        server.Join();
        EXPECT_EQ(server.Failure(), "");
        std::string got = server.Received();
        EXPECT_EQ(got.find("MAIL"), std::string::npos) << got;
        size_t startTlsAt = got.find("STARTTLS\r\n");
        if (startTlsAt == std::string::npos) continue;
        for (const char* clearText : {"AUTH", "EHLO", "QUIT"})
            EXPECT_EQ(got.find(clearText, startTlsAt), std::string::npos) << clearText;
    }
    EXPECT_EQ(smtpServer_.MessageCount(), 0);
}

class PopBeforeSmtpTest : public MailNotifyTest {
protected:
    void SetUp() override {
        MailNotifyTest::SetUp();
        ASSERT_TRUE(dovecot_.Ready()) << dovecot_.Log();
        smtp_.enablePop3BeforeSmtp = 1;
        smtp_.pop3ServerAddress = "127.0.0.1";
        smtp_.pop3ServerPort = dovecot_.Port();
        smtp_.pop3User = "camuser";
        smtp_.pop3Password = "s3cret";
        smtp_.pop3BeforeSmtpSendTimeout = 300;
    }
    Dovecot dovecot_;
};

// One dovecot for the POP3 login before the mail, the wait after it, a refused login, and a stop
// during the wait.
TEST_F(PopBeforeSmtpTest, LoginThenWaitThenMail) {
    ASSERT_EQ(Send(), 1) << LogText() << dovecot_.Log();
    EXPECT_TRUE(LoggedInOrder(
        {"[Live] Start to send e-mail...", "[Live] POPbeforeSMTP start... ",
         "[Live] Connect to POP3 server...", "[Live] Response from POP3 server [+OK",
         "[Live] Send USER command to server...", "[Live] Send PASS command to server...",
         "[Live] POP3 Authorized!", "[Live] Waiting...", "[Live] Create MIME message...",
         "[Live] Login SMTP server...", "[Live] Sending e-mail was success."}))
        << LogText();

    smtp_.pop3Password = "wrong";
    EXPECT_EQ(Send(), 0);
    EXPECT_TRUE(
        LoggedInOrder({"[Live] Sending e-mail was success.", "[Live] POP3 Unauthorized! [PASSWORD]",
                       "[Live] POPbeforeSMTP failed!"}))
        << LogText();

    smtp_.pop3Password = "s3cret";
    smtp_.pop3BeforeSmtpSendTimeout = 30000;
    StopWhen stopper(*stop_, [&] { return LogCount("[Live] Waiting...") >= 2; });
    EXPECT_EQ(Send(), 0);
    auto returnedAt = Clock::now();
    EXPECT_LT(std::chrono::duration<double>(returnedAt - stopper.Join()).count(), 1.0);
    EXPECT_EQ(LogCount("[Live] Create MIME message..."), 1u) << LogText();
    EXPECT_EQ(smtpServer_.MessageCount(), 1);
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

}  // namespace
}  // namespace ocv::test
