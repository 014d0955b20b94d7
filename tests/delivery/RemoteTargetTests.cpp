// The FTP and e-mail targets without a server: the mail text, the FTP URL, and every failure
// that happens before or instead of a conversation with a server.
#include <gtest/gtest.h>

#include "PeerProcess.h"
#include "TargetTestSupport.h"
#include "delivery/FtpSession.h"
#include "delivery/FtpUpload.h"
#include "delivery/MailBody.h"
#include "delivery/MailNotify.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

TEST(MailBodyTest, PlaceholdersAreFilledEverywhereInTheirOrder) {
    LocalTime t{2026, 3, 4, 5, 9, 7, 6, 0};
    EXPECT_EQ(ExpandMailBody("_$DATE$_ _$TIME$_ / _$DATE$_", "", "", "", t),
              "2026年3月5日 9時7分6秒 / 2026年3月5日");
    EXPECT_EQ(ExpandMailBody("[_$LOCALFILENAME$_][_$FTPFILENAME$_][_$MAILFILENAME$_]", "a.bmp",
                             "b.jpg", "c.png", t),
              "[a.bmp][b.jpg][c.png]");
    EXPECT_EQ(ExpandMailBody("[_$LOCALFILENAME$_][_$FTPFILENAME$_]", "", "", "", t), "[][]");
    // A later placeholder inside an earlier replacement is filled in as well (fixed order).
    EXPECT_EQ(ExpandMailBody("_$LOCALFILENAME$_", "x_$TIME$_", "", "", t), "x9時7分6秒");
    EXPECT_EQ(ExpandMailBody("_$TIME$_", "", "", "", LocalTime{2026, 12, 0, 31, 23, 59, 58, 0}),
              "23時59分58秒");
    EXPECT_EQ(ExpandMailBody("_$DATE_ _$_ $DATE$_", "", "", "", t), "_$DATE_ _$_ $DATE$_");
}

TEST(MailBodyTest, LineEndsBecomeCrLf) {
    EXPECT_EQ(ToCrLf("a\nb\r\nc\rd\n\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
    EXPECT_EQ(ToCrLf("no breaks"), "no breaks");
    EXPECT_EQ(ToCrLf(""), "");
}

TEST(FtpUrlTest, DirectoriesAndNamesAreWrittenSafely) {
    FtpEndpoint e;
    e.host = "ftp.example.org";
    e.port = 2121;
    EXPECT_EQ(CFtpSession::MakeUrl(e, "/pics/cam1", "a.jpg"),
              "ftp://ftp.example.org:2121/%2Fpics/cam1/a.jpg");
    EXPECT_EQ(CFtpSession::MakeUrl(e, "/pics/cam1//", "a.jpg"),
              "ftp://ftp.example.org:2121/%2Fpics/cam1/a.jpg");
    EXPECT_EQ(CFtpSession::MakeUrl(e, "pics", ""), "ftp://ftp.example.org:2121/pics/");
    EXPECT_EQ(CFtpSession::MakeUrl(e, "/", "a.jpg"), "ftp://ftp.example.org:2121/%2F/a.jpg");
    EXPECT_EQ(CFtpSession::MakeUrl(e, "", "a.jpg"), "ftp://ftp.example.org:2121/a.jpg");
    EXPECT_EQ(CFtpSession::MakeUrl(e, "/カメラ 1", "#1?.jpg"),
              "ftp://ftp.example.org:2121/%2F%E3%82%AB%E3%83%A1%E3%83%A9%201/%231%3F.jpg");
    e.port = 0;
    EXPECT_EQ(CFtpSession::MakeUrl(e, "", ""), "ftp://ftp.example.org:21/");
    e.port = 65536 + 21;  // used as 16 bits
    EXPECT_EQ(CFtpSession::MakeUrl(e, "", ""), "ftp://ftp.example.org:21/");
    e.host = "::1";
    EXPECT_EQ(CFtpSession::MakeUrl(e, "", ""), "ftp://[::1]:21/");
    for (const char* host : {"", "a/b", "user@host", "host name", "evil\r\nhost", "a?b", "[::1]"}) {
        e.host = host;
        EXPECT_EQ(CFtpSession::MakeUrl(e, "", "a.jpg"), "") << host;
    }
    e.host = "127.0.0.1";
    EXPECT_EQ(CFtpSession::MakeUrl(e, "pics\r\nDELE x", "a.jpg"), "");
    EXPECT_EQ(CFtpSession::MakeUrl(e, "pics", "sub/a.jpg"), "");
    EXPECT_EQ(CFtpSession::MakeUrl(e, "pics", "a\n.jpg"), "");
}

class FtpWithoutServerTest : public TargetFixture {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        ftp_.ftpServerAddress = "127.0.0.1";
        ftp_.ftpServerPort = FreePort();  // nothing listens there
        ftp_.ftpUser = "camuser";
        ftp_.ftpPassword = "s3cret";
        ftp_.ftpLoginRetryCount = 1;
        ftp_.image = PlainImage("up", IMAGE_FORMAT_JPEG);
    }
    int Upload(std::string& name) {
        CDibImage copy(picture_);
        TargetCall call = Call(copy);
        return UploadToFtp(ftp_, call, name);
    }
    FtpInfo ftp_;
};

TEST_F(FtpWithoutServerTest, FailedEditStagesNothingButTheNameIsKnown) {
    ftp_.image.rotate = 5;
    std::string name;
    EXPECT_EQ(Upload(name), 0);
    EXPECT_EQ(name, "up0000.jpg");
    EXPECT_EQ(counter_, 1u);
    EXPECT_TRUE(LoggedInOrder({"[Live] Uploading to FTP server...",
                               "[Live] Edit image failed! [Rotate image failed! [angle=450]]"}))
        << LogText();
    EXPECT_FALSE(Logged("Login FTP server"));
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(FtpWithoutServerTest, FailedStagingUploadsNothing) {
    workDir_ = JoinPath(dir_, "missing");
    std::string name;
    EXPECT_EQ(Upload(name), 0);
    EXPECT_TRUE(Logged("[Live] Save image failed! [Save to JPEG Failed!")) << LogText();
    EXPECT_FALSE(Logged("Login FTP server"));
}

TEST_F(FtpWithoutServerTest, RefusedConnectionIsAFailedLoginAndTheStagedFileGoes) {
    std::string name;
    EXPECT_EQ(Upload(name), 0);
    EXPECT_EQ(LogCount("[Live] Login FTP server... "), 1u) << LogText();
    EXPECT_TRUE(Logged("[Live] Login FTP server failed! ")) << LogText();
    EXPECT_FALSE(Logged("Directory change..."));
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(FtpWithoutServerTest, ControlCharactersNeverReachTheServer) {
    ftp_.ftpPassword = "s3cret\r\nDELE important.jpg";
    std::string name;
    EXPECT_EQ(Upload(name), 0);
    EXPECT_TRUE(Logged(
        "[Live] Login FTP server failed! The user name or password holds control characters."))
        << LogText();

    ftp_.ftpPassword = "s3cret";
    ftp_.ftpDirectory = "pics\r\nDELE important.jpg";
    EXPECT_EQ(Upload(name), 0);
    EXPECT_TRUE(
        Logged("[Live] Changing directory failed! [error no=3] The server address or "
               "directory cannot be used"))
        << LogText();
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(FtpWithoutServerTest, AStopSetBeforehandEndsTheFirstAttempt) {
    ftp_.ftpLoginRetryCount = 5;
    stop_->Set();
    std::string name;
    EXPECT_EQ(Upload(name), 0);
    EXPECT_EQ(LogCount("[Live] Login FTP server... "), 1u) << LogText();
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

class MailWithoutServerTest : public TargetFixture {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        smtp_.smtpServerAddress = "127.0.0.1";
        smtp_.smtpServerPort = FreePort();
        smtp_.mailFrom = "cam@example.org";
        smtp_.mailTo[0] = "owner@example.org";
        smtp_.image = PlainImage("mail", IMAGE_FORMAT_GIF);
    }
    int Send() {
        CDibImage copy(picture_);
        TargetCall call = Call(copy);
        return SendPictureMail(smtp_, call, "", "");
    }
    SmtpInfo smtp_;
};

TEST_F(MailWithoutServerTest, FailedStagingSendsNothing) {
    workDir_ = JoinPath(dir_, "missing");
    EXPECT_EQ(Send(), 0);
    EXPECT_TRUE(LoggedInOrder(
        {"[Live] Start to send e-mail...", "[Live] Save image failed! [Save to GIF Failed!"}))
        << LogText();
    EXPECT_FALSE(Logged("Login SMTP server"));
}

TEST_F(MailWithoutServerTest, OverlongTextIsCutWithAWarning) {
    smtp_.mailBody = std::string(1500, 'a');
    EXPECT_EQ(Send(), 0);  // nothing listens; the text was built before the connection
    EXPECT_TRUE(Logged("[Live] The mail text was cut to 1023 bytes.")) << LogText();
    EXPECT_TRUE(Logged("[Live] Login SMTP server failed! Unable to connect to server"));
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(MailWithoutServerTest, FailedPopLoginDeletesTheStagedFile) {
    smtp_.enablePop3BeforeSmtp = 1;
    smtp_.pop3ServerAddress = "127.0.0.1";
    smtp_.pop3ServerPort = FreePort();
    EXPECT_EQ(Send(), 0);
    EXPECT_TRUE(LoggedInOrder({"[Live] POPbeforeSMTP start... ",
                               "[Live] POP3 Unauthorized! [Connection refused.]",
                               "[Live] POPbeforeSMTP failed!"}))
        << LogText();
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

// The delivery routine uses the real targets unless a test replaces them.
class BuiltInTargetsTest : public TargetFixture {
protected:
    void TearDown() override {
        SetDeliveryTargets({});
        TargetFixture::TearDown();
    }
};

TEST_F(BuiltInTargetsTest, EmptyTargetsSelectTheBuiltInOnes) {
    OcvParam param = MakeDefaultOcvParam(dir_);
    param.vistrel.enableLocal = 0;
    param.vistrel.enableFtp = param.vistrel.enableSmtp = 1;
    param.vistrel.ftp.ftpServerAddress = "127.0.0.1";
    param.vistrel.ftp.ftpServerPort = FreePort();
    param.vistrel.ftp.ftpLoginRetryCount = 1;
    param.vistrel.smtp.smtpServerAddress = "127.0.0.1";
    param.vistrel.smtp.smtpServerPort = FreePort();
    int fakeFtp = 0;
    SetDeliveryTargets({[&](const FtpInfo&, TargetCall&, std::string&) { return ++fakeFtp; }, {}});
    uint32_t l = 0, f = 0, m = 0;
    EXPECT_EQ(
        DeliverPicture(log_, param, MODE_VISTREL, picture_, time_, nullptr, workDir_, l, f, m), 1);
    EXPECT_EQ(fakeFtp, 1);
    EXPECT_FALSE(Logged("Uploading to FTP server"));
    EXPECT_TRUE(Logged("[Live] Start to send e-mail...")) << LogText();

    SetDeliveryTargets({});
    EXPECT_EQ(
        DeliverPicture(log_, param, MODE_VISTREL, picture_, time_, nullptr, workDir_, l, f, m), 1);
    EXPECT_EQ(fakeFtp, 1);
    EXPECT_TRUE(Logged("[Live] Uploading to FTP server...")) << LogText();
    EXPECT_TRUE(Logged("[Live] Login FTP server failed! "));
    EXPECT_EQ(LogCount("[Live] Login SMTP server failed! "), 2u);
    EXPECT_EQ(f, 1u);
    EXPECT_EQ(m, 2u);
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

}  // namespace
}  // namespace ocv::test
