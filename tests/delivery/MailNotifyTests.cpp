// The e-mail target against aiosmtpd on loopback; received
// messages are taken apart with Python's email package.
#include <gtest/gtest.h>

#include "DeliveryPeers.h"
#include "ScriptServer.h"
#include "TargetTestSupport.h"
#include "delivery/MailNotify.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

std::string NoCr(std::string s) {
    std::erase(s, '\r');
    return s;
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

TEST_F(MailNotifyTest, PictureMailWithItsTextFilledInAndTheStagedPictureThenTextOnly) {
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

    // "No Add Image" sends the text alone and makes no name.
    smtp_.noAddImage = 1;
    smtp_.mailBody = "file=[_$MAILFILENAME$_]";
    smtp_.mailSubject = "plain subject";
    const size_t saves = LogCount("Save image");
    ASSERT_EQ(Send(), 1) << LogText();
    EXPECT_EQ(counter_, 4u) << "no picture, no name made";
    f = ParseMessage(smtpServer_.Message(1));
    EXPECT_EQ(f["subject"], "plain subject");
    EXPECT_EQ(NoCr(f["text"]), "file=[]");
    EXPECT_EQ(f["text-charset"], "None") << "an ASCII text goes out as it is";
    EXPECT_EQ(f["files"], "0");
    EXPECT_EQ(LogCount("Save image"), saves);
}

// POP-before-SMTP (the POP3 dialogue itself is in the mail tests): the login, the wait after it
// and the mail; a stop during the wait sends nothing.
TEST_F(MailNotifyTest, PopBeforeSmtpLogsInWaitsThenMails) {
    smtp_.enablePop3BeforeSmtp = 1;
    smtp_.pop3ServerAddress = "127.0.0.1";
    smtp_.pop3User = "camuser";
    smtp_.pop3Password = "s3cret";
    unsigned seed = 290;
    for (int wait : {300, 30000}) {
        SCOPED_TRACE(wait);
        ScriptServer pop(Pop3Login("camuser", "s3cret"), ++seed);
        smtp_.pop3ServerPort = pop.Port();
        smtp_.pop3BeforeSmtpSendTimeout = wait;
        std::thread stopper([&] {  // the second wait is stopped
            for (int i = 0; wait > 300 && i < 1500 && LogCount("[Live] Waiting...") < 2; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (wait > 300) stop_->Set();
        });
        EXPECT_EQ(Send(), wait > 300 ? 0 : 1) << LogText();
        stopper.join();
        pop.Join();
        EXPECT_EQ(pop.Failure(), "");
    }
    EXPECT_TRUE(LoggedInOrder({"[Live] Start to send e-mail...", "[Live] POPbeforeSMTP start... ",
                               "[Live] POP3 Authorized!", "[Live] Waiting...",
                               "[Live] Create MIME message...",
                               "[Live] Sending e-mail was success.", "[Live] Waiting..."}))
        << LogText();
    EXPECT_EQ(LogCount("[Live] Create MIME message..."), 1u) << LogText();
    EXPECT_EQ(smtpServer_.MessageCount(), 1);
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

}  // namespace
}  // namespace ocv::test
