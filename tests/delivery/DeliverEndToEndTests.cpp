// The delivery routine with its built-in targets against real servers: one picture goes to the
// disk, the FTP server and a mailbox, each copy named, edited and encoded on its own.
#include <gtest/gtest.h>

#include <filesystem>

#include "DeliveryPeers.h"
#include "TargetTestSupport.h"
#include "delivery/Deliver.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

class DeliverEndToEndTest : public TargetFixture {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        ASSERT_TRUE(ftpServer_.Ready()) << ftpServer_.Log();
        ASSERT_TRUE(smtpServer_.Ready()) << smtpServer_.Log();
        SetDeliveryTargets({});  // the built-in targets
        param_ = MakeDefaultOcvParam(dir_);
        param_.name = camera_;
        VistrelSetting& v = param_.vistrel;
        v.enableLocal = v.enableFtp = v.enableSmtp = 1;
        v.local.saveDirectoryName = JoinPath(dir_, "local");
        ASSERT_TRUE(CreateDirectoryOne(v.local.saveDirectoryName));
        v.local.image = PlainImage("loc", IMAGE_FORMAT_BMP);
        v.ftp.ftpServerAddress = "127.0.0.1";
        v.ftp.ftpServerPort = ftpServer_.Port();
        v.ftp.ftpUser = "camuser";
        v.ftp.ftpPassword = "s3cret";
        v.ftp.ftpDirectory = "/";
        v.ftp.ftpLoginRetryCount = 1;
        v.ftp.ftpPasvMode = 1;
        v.ftp.image = PlainImage("ftp", IMAGE_FORMAT_JPEG);
        v.ftp.image.rotate = 1;
        v.smtp.smtpServerAddress = "127.0.0.1";
        v.smtp.smtpServerPort = smtpServer_.Port();
        v.smtp.mailFrom = "cam@example.org";
        v.smtp.mailTo[0] = "owner@example.org";
        v.smtp.mailSubject = "picture";
        v.smtp.mailBody = "L=_$LOCALFILENAME$_ F=_$FTPFILENAME$_ M=_$MAILFILENAME$_";
        v.smtp.image = PlainImage("mail", IMAGE_FORMAT_PNG);
        v.smtp.image.pngBitCount = 24;
        v.smtp.image.resizeRate = 0.5f;
    }
    int Deliver() {
        return DeliverPicture(log_, param_, MODE_VISTREL, picture_, time_, stop_.get(), workDir_,
                              localCounter_, ftpCounter_, counter_);
    }
    static CDibImage Decode(const std::string& bytes) {
        CDibImage p;
        p.LoadFromMemory(bytes.data(), bytes.size());
        return p;
    }

    FtpServer ftpServer_;
    SmtpServer smtpServer_;
    OcvParam param_;
    uint32_t localCounter_ = 0;
    uint32_t ftpCounter_ = 0;
};

TEST_F(DeliverEndToEndTest, OnePictureReachesAllThreeTargetsInItsOwnShape) {
    ASSERT_EQ(Deliver(), 1) << LogText();

    CDibImage local;
    ASSERT_TRUE(local.LoadFromFile(JoinPath(dir_, "local/loc0000.bmp")));
    EXPECT_EQ(local.Width(), 96);
    EXPECT_EQ(local.Height(), 64);

    CDibImage remote = Decode(FileBytes(ftpServer_.Root() + "/ftp0000.jpg"));
    ASSERT_FALSE(remote.IsEmpty()) << ftpServer_.Log();
    EXPECT_EQ(remote.Width(), 64);
    EXPECT_EQ(remote.Height(), 96);

    ASSERT_EQ(smtpServer_.MessageCount(), 1) << LogText();
    auto f = ParseMessage(smtpServer_.Message(0));
    EXPECT_EQ(f["text"], "L=loc0000.bmp F=ftp0000.jpg M=mail0000.png");
    EXPECT_EQ(f["file0-name"], "mail0000.png");
    CDibImage mailed = Decode(f["file0"]);
    EXPECT_EQ(mailed.Width(), 48);
    EXPECT_EQ(mailed.Height(), 32);
    EXPECT_EQ(picture_.Width(), 96) << "the caller's picture is untouched";
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(DeliverEndToEndTest, FailedUploadDoesNotStopTheMailAndStillNamesTheFile) {
    param_.vistrel.ftp.ftpPassword = "wrong";
    ASSERT_EQ(Deliver(), 1);
    EXPECT_TRUE(Logged("[Live] Login FTP server failed!")) << LogText();
    ASSERT_EQ(smtpServer_.MessageCount(), 1) << LogText();
    auto f = ParseMessage(smtpServer_.Message(0));
    EXPECT_EQ(f["text"], "L=loc0000.bmp F=ftp0000.jpg M=mail0000.png");
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

}  // namespace
}  // namespace ocv::test
