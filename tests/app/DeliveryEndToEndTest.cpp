// The headless program delivering each interval picture to disk, FTP and e-mail at once, each
// target with its own format, size and overlays, against real servers on loopback.
#include "DeliveryPeers.h"
#include "Site.h"
#include "imaging/DibImage.h"

using namespace ocv;
using namespace ocvtest;

using DeliveryEndToEnd = SiteTest;

TEST_F(DeliveryEndToEnd, DiskFtpAndMailEachWithTheirOwnPicture) {
    ocv::test::FtpServer ftp;
    ocv::test::SmtpServer smtp;
    ASSERT_TRUE(ftp.Ready() && smtp.Ready());
    ConfigDocument doc(dir_);
    auto& live = AddCamera(doc, "Yard", 5, StartCamSim("cam")).param.vistrel;
    live.vistrelTimer = 2000, live.enableFtp = live.enableSmtp = 1;
    // Disk: BMP at full size with the name stamped.
    live.local.image.imageFilename = "yard", live.local.image.enablePrintName = 1;
    live.local.image.imageFileFormat = IMAGE_FORMAT_BMP;
    // FTP: JPEG turned a quarter.
    FtpInfo& f = live.ftp;
    f.ftpServerAddress = "127.0.0.1", f.ftpServerPort = ftp.Port(), f.ftpPasvMode = 1;
    f.ftpUser = "camuser", f.ftpPassword = "s3cret", f.ftpDirectory = "/";
    f.image.imageFilename = "up", f.image.imageFileFormat = IMAGE_FORMAT_JPEG;
    f.image.rotate = 1;
    // Mail: half-size 24-bit PNG without overlays.
    SmtpInfo& m = live.smtp;
    m.smtpServerAddress = "127.0.0.1", m.smtpServerPort = smtp.Port();
    m.mailFrom = "camera@example.org", m.mailTo[0] = "owner@example.org";
    m.mailSubject = "庭のカメラ", m.mailBody = "Picture _$LOCALFILENAME$_ / _$FTPFILENAME$_\r\n";
    m.image.imageFilename = "mail", m.image.imageFileFormat = IMAGE_FORMAT_PNG;
    m.image.pngBitCount = 24, m.image.resizeRate = 0.5f;
    m.image.enablePrintDate = m.image.enablePrintTime = m.image.enablePrintName = 0;
    Save(doc);
    StartApp();
    ASSERT_TRUE(
        WaitFor([&] { return smtp.MessageCount() >= 2 && FilesIn(ftp.Root()).size() >= 1; }, 30000))
        << app_->Err();
    EXPECT_EQ(StopApp(15000), 0) << app_->Err();

    // Disk.
    auto local = Pictures("Yard");
    ASSERT_GE(local.size(), 2u);
    CDibImage disk;
    ASSERT_TRUE(local[0].ends_with(".bmp") && disk.LoadFromFile(JoinPath(File("Yard"), local[0])));
    EXPECT_EQ(std::make_pair(disk.Width(), disk.Height()), std::make_pair(320, 240));

    // FTP: the uploaded JPEG is portrait. (Each target's own edits are pinned by the delivery's
    // tests; here they reach the right target through the program.)
    auto remote = FilesIn(ftp.Root());
    ASSERT_GE(remote.size(), 1u);
    CDibImage up;
    ASSERT_TRUE(remote[0].ends_with(".jpg") && up.LoadFromFile(JoinPath(ftp.Root(), remote[0])));
    EXPECT_EQ(std::make_pair(up.Width(), up.Height()), std::make_pair(240, 320));

    // Mail: headers, the text with both file names, and a half-size PNG attachment.
    auto mail = ocv::test::ParseMessage(smtp.Message(0));
    EXPECT_EQ(mail["subject"], "庭のカメラ");
    EXPECT_NE(mail["to"].find("owner@example.org"), std::string::npos);
    EXPECT_NE(mail["text"].find(local[0]), std::string::npos) << mail["text"];
    EXPECT_NE(mail["text"].find(remote[0]), std::string::npos) << mail["text"];
    EXPECT_EQ(mail["defects"], "");
    ASSERT_EQ(mail["files"], "1");
    CDibImage attached;
    ASSERT_TRUE(attached.LoadFromMemory(mail["file0"].data(), mail["file0"].size()));
    EXPECT_EQ(std::make_pair(attached.Width(), attached.Height()), std::make_pair(160, 120));
    EXPECT_TRUE(mail["file0-name"].ends_with(".png")) << mail["file0-name"];
    // The program's scratch directory is left empty.
    EXPECT_EQ(FilesIn(TempDirectory() + "/ocv" + std::to_string(app_->Pid())).size(), 0u);
}
