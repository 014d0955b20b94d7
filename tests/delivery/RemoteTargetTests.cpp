// The FTP and e-mail targets without a server: the mail text, the FTP URL, and every failure
// that happens before or instead of a conversation with a server.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

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
    // Line ends become CR LF.
    EXPECT_EQ(ToCrLf("a\nb\r\nc\rd\n\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
    EXPECT_EQ(ToCrLf("no breaks"), "no breaks");
    EXPECT_EQ(ToCrLf(""), "");
}

TEST(FtpUrlTest, DirectoriesAndNamesAreWrittenSafely) {
    const std::string ex = "ftp://ftp.example.org:";
    struct Row {
        const char* host;
        int port;
        const char* dir;
        const char* name;
        std::string url;  // "" when the parts cannot be used
    } rows[] = {
        {"ftp.example.org", 2121, "/pics/cam1//", "a.jpg", ex + "2121/%2Fpics/cam1/a.jpg"},
        {"ftp.example.org", 2121, "pics", "", ex + "2121/pics/"},
        {"ftp.example.org", 2121, "/", "a.jpg", ex + "2121/%2F/a.jpg"},
        {"ftp.example.org", 2121, "", "a.jpg", ex + "2121/a.jpg"},
        {"ftp.example.org", 2121, "a@b:c", "d@e:f.jpg", ex + "2121/a%40b%3Ac/d%40e%3Af.jpg"},
        {"ftp.example.org", 2121, "/カメラ 1", "#1?.jpg",
         ex + "2121/%2F%E3%82%AB%E3%83%A1%E3%83%A9%201/%231%3F.jpg"},
        {"ftp.example.org", 0, "", "", ex + "21/"},
        {"ftp.example.org", 65536 + 21, "", "", ex + "21/"},  // used as 16 bits
        {"::1", 21, "", "", "ftp://[::1]:21/"},
        {"", 21, "", "a.jpg", ""},
        {"a/b", 21, "", "a.jpg", ""},
        {"user@host", 21, "", "a.jpg", ""},
        {"evil\r\nhost", 21, "", "a.jpg", ""},
        {"[::1]", 21, "", "a.jpg", ""},
        {"127.0.0.1", 21, "pics\r\nDELE x", "a.jpg", ""},
        {"127.0.0.1", 21, "pics", "sub/a.jpg", ""},
    };
    for (const Row& r : rows) {
        FtpEndpoint e;
        e.host = r.host;
        e.port = r.port;
        EXPECT_EQ(CFtpSession::MakeUrl(e, r.dir, r.name), r.url) << r.host << " " << r.dir;
    }
}

// Failures before or instead of a conversation with a server: each row starts afresh from the
// settings below, and the staged file never stays behind.
class WithoutServerTest : public TargetFixture {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        ftp_ = LoopbackFtp(FreePort(), "up");  // nothing listens there
        smtp_.smtpServerAddress = "127.0.0.1";
        smtp_.smtpServerPort = FreePort();
        smtp_.mailFrom = "cam@example.org";
        smtp_.mailTo[0] = "owner@example.org";
        smtp_.image = PlainImage("mail", IMAGE_FORMAT_GIF);
    }
    void RunRows(const std::vector<FailureRow>& rows, const std::function<int()>& target) {
        const FtpInfo ftp = ftp_;
        const SmtpInfo smtp = smtp_;
        RunFailureRows(rows, [&] { ftp_ = ftp, smtp_ = smtp; }, target);
    }
    FtpInfo ftp_;
    SmtpInfo smtp_;
};

TEST_F(WithoutServerTest, FtpUploads) {
    const std::string login = "[Live] Login FTP server... ",
                      failed = "[Live] Login FTP server failed! ";
    const std::vector<FailureRow> rows{
        {"failed edit", [&] { ftp_.image.rotate = 5; },
         {"[Live] Uploading to FTP server...",
          "[Live] Edit image failed! [Rotate image failed! [angle=450]]"},
         {"Login FTP server"}},
        {"failed staging", [&] { workDir_ = JoinPath(dir_, "missing"); },
         {"[Live] Save image failed! [Save to JPEG Failed!"}, {"Login FTP server"}},
        {"retry count 0 is one attempt", [&] { ftp_.ftpLoginRetryCount = 0; },
         {login + "1times", failed}, {"2times", "Directory change..."}},
        {"retry count 2, with a pause between", [&] { ftp_.ftpLoginRetryCount = 2; },
         {login + "1times", failed, login + "2times", failed}, {"3times"}},
        {"a stop set beforehand ends the first attempt",
         [&] { ftp_.ftpLoginRetryCount = 5, stop_->Set(); }, {login + "1times"}, {"2times"}},
        {"control characters in the password",
         [&] { ftp_.ftpPassword = "s3cret\r\nDELE important.jpg"; },
         {failed + "The user name or password holds control characters."}, {}},
        {"control characters in the directory",
         [&] { ftp_.ftpDirectory = "pics\r\nDELE important.jpg"; },
         {"[Live] Changing directory failed! [error no=3] The server address or directory "
          "cannot be used"},
         {}},
    };
    RunRows(rows,
        [&] {
            CDibImage copy(picture_);
            TargetCall call = Call(copy);
            std::string name;
            int result = UploadToFtp(ftp_, call, name);
            EXPECT_EQ(name, "up0000.jpg") << "the name is known even when the upload fails";
            EXPECT_EQ(counter_, 1u);
            return result;
        });
}

TEST_F(WithoutServerTest, PictureMails) {
    const std::vector<FailureRow> rows{
        {"failed edit", [&] { smtp_.image.rotate = 5; },
         {"[Live] Edit image failed! [Rotate image failed!"}, {"Login SMTP server"}},
        {"failed staging", [&] { workDir_ = JoinPath(dir_, "missing"); },
         {"[Live] Start to send e-mail...", "[Live] Save image failed! [Save to GIF Failed!"},
         {"Login SMTP server"}},
        {"overlong text, no server", [&] { smtp_.mailBody = std::string(1500, 'a'); },
         {"[Live] The mail text was cut to 1023 bytes.",
          "[Live] Login SMTP server failed! Unable to connect to server"},
         {"Sending e-mail..."}},
        {"no POP3 server",
         [&] {
             smtp_.enablePop3BeforeSmtp = 1;
             smtp_.pop3ServerAddress = "127.0.0.1";
             smtp_.pop3ServerPort = FreePort();
         },
         {"[Live] POPbeforeSMTP start... ", "[Live] POP3 Unauthorized! [Connection refused.]",
          "[Live] POPbeforeSMTP failed!"},
         {"Login SMTP server"}},
    };
    RunRows(rows,
        [&] {
            CDibImage copy(picture_);
            TargetCall call = Call(copy);
            return SendPictureMail(smtp_, call, "", "");
        });
}

}  // namespace
}  // namespace ocv::test
