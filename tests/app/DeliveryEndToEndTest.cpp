// The headless program delivering each interval picture to disk, FTP and e-mail at once, each
// target with its own format, size and overlays, against real servers on loopback.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "DeliveryPeers.h"
#include "Process.h"
#include "config/ConfigDocument.h"
#include "foundation/Logger.h"
#include "imaging/DibImage.h"
#include "platform/Files.h"

using namespace ocv;
using namespace ocvtest;
namespace fs = std::filesystem;

namespace {

const std::string kOcuvane = std::string(OCV_BINARY_DIR) + "/app/ocuvane";
const std::string kCamSim = std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim";

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> out;
    if (!DirectoryExists(dir)) return out;
    for (auto& e : fs::directory_iterator(dir))
        // A name starting with "." is a picture still being written.
        if (e.is_regular_file() && e.path().filename().string()[0] != '.')
            out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(DeliveryEndToEnd, DiskFtpAndMailEachWithTheirOwnPicture) {
    ocv::test::FtpServer ftp;
    ocv::test::SmtpServer smtp;
    ASSERT_TRUE(ftp.Ready());
    ASSERT_TRUE(smtp.Ready());
    ocv::test::TempDir dir;
    std::string pictures = JoinPath(dir.Path(), "pictures");
    CreateDirectoryOne(pictures);

    Process camsim({kCamSim, "--port", "0", "--size", "320x240", "--fps", "10"},
                   JoinPath(dir.Path(), "camsim.out"), JoinPath(dir.Path(), "camsim.err"));
    std::smatch m;
    std::string out;
    ASSERT_TRUE(WaitFor(
        [&] {
            out = camsim.Out();
            return std::regex_search(out, m, std::regex("127\\.0\\.0\\.1:(\\d+)"));
        },
        10000));

    CLogger quiet;
    {
        ConfigDocument doc(dir.Path());
        CameraConfig cam = doc.NewCamera();
        cam.param.name = "Yard";
        cam.param.deviceInfo.deviceType = 5;
        cam.param.deviceInfo.deviceName = "http://127.0.0.1:" + m[1].str() + "/";
        cam.param.deviceInfo.frameWidth = 320;
        cam.param.deviceInfo.frameHeight = 240;
        cam.conditions.autoCapture = 1;
        auto& live = cam.param.vistrel;
        live.enableVistrel = 1;
        live.vistrelTimer = 2000;
        live.enableLocal = live.enableFtp = live.enableSmtp = 1;
        // Disk: BMP at full size with the name stamped.
        live.local.saveDirectoryName = pictures;
        live.local.image.imageFilename = "yard";
        live.local.image.imageFileFormat = IMAGE_FORMAT_BMP;
        // FTP: JPEG turned a quarter, grey.
        live.ftp.ftpServerAddress = "127.0.0.1";
        live.ftp.ftpServerPort = ftp.Port();
        live.ftp.ftpUser = "camuser";
        live.ftp.ftpPassword = "s3cret";
        live.ftp.ftpDirectory = "/";
        live.ftp.ftpPasvMode = 1;
        live.ftp.image.imageFilename = "up";
        live.ftp.image.imageFileFormat = IMAGE_FORMAT_JPEG;
        live.ftp.image.rotate = 1;
        live.ftp.image.enableGrayScale = 1;
        // Mail: half-size 24-bit PNG without overlays.
        live.smtp.smtpServerAddress = "127.0.0.1";
        live.smtp.smtpServerPort = smtp.Port();
        live.smtp.mailFrom = "camera@example.org";
        live.smtp.mailTo[0] = "owner@example.org";
        live.smtp.mailSubject = "庭のカメラ";
        live.smtp.mailBody = "Picture _$LOCALFILENAME$_ / _$FTPFILENAME$_\r\n";
        live.smtp.image.imageFilename = "mail";
        live.smtp.image.imageFileFormat = IMAGE_FORMAT_PNG;
        live.smtp.image.pngBitCount = 24;
        live.smtp.image.resizeRate = 0.5f;
        live.smtp.image.enablePrintDate = live.smtp.image.enablePrintTime = 0;
        live.smtp.image.enablePrintName = 0;
        doc.cameras.push_back(cam);
        ASSERT_TRUE(doc.SaveConfiguration(quiet));
    }

    Process app({kOcuvane, "--headless", "--dir", dir.Path()}, JoinPath(dir.Path(), "app.out"),
                JoinPath(dir.Path(), "app.err"));
    ASSERT_TRUE(
        WaitFor([&] { return smtp.MessageCount() >= 2 && FilesIn(ftp.Root()).size() >= 1; }, 30000))
        << app.Err();
    app.Signal(SIGTERM);
    EXPECT_EQ(app.Wait(15000), 0) << app.Err();

    // Disk.
    auto local = FilesIn(pictures);
    ASSERT_GE(local.size(), 2u);
    CDibImage disk;
    ASSERT_TRUE(disk.LoadFromFile(JoinPath(pictures, local[0])));
    EXPECT_EQ(local[0].substr(local[0].size() - 4), ".bmp");
    EXPECT_EQ(disk.Width(), 320);
    EXPECT_EQ(disk.Height(), 240);

    // FTP: the uploaded JPEG is portrait and grey.
    auto remote = FilesIn(ftp.Root());
    ASSERT_GE(remote.size(), 1u);
    CDibImage up;
    ASSERT_TRUE(up.LoadFromFile(JoinPath(ftp.Root(), remote[0])));
    EXPECT_EQ(remote[0].substr(remote[0].size() - 4), ".jpg");
    EXPECT_EQ(up.Width(), 240);
    EXPECT_EQ(up.Height(), 320);
    const uint8_t* px = up.GetBits();
    int colourful = 0;
    for (int i = 0; i < 240 * 3; i += 3)
        if (std::abs(px[i] - px[i + 1]) > 12 || std::abs(px[i + 1] - px[i + 2]) > 12) ++colourful;
    EXPECT_LT(colourful, 10) << "the FTP copy is grey";

    // Mail: headers, the text with both file names, and a half-size PNG attachment.
    std::string path = smtp.Message(0);
    auto mail = ocv::test::ParseMessage(path);
    EXPECT_EQ(mail["subject"], "庭のカメラ");
    EXPECT_NE(mail["to"].find("owner@example.org"), std::string::npos);
    EXPECT_NE(mail["text"].find(local[0]), std::string::npos) << mail["text"];
    EXPECT_NE(mail["text"].find(remote[0]), std::string::npos) << mail["text"];
    EXPECT_EQ(mail["defects"], "");
    ASSERT_EQ(mail["files"], "1");
    CDibImage attached;
    ASSERT_TRUE(attached.LoadFromMemory(mail["file0"].data(), mail["file0"].size()));
    EXPECT_EQ(attached.Width(), 160);
    EXPECT_EQ(attached.Height(), 120);
    EXPECT_EQ(mail["file0-name"].substr(mail["file0-name"].size() - 4), ".png");

    // For the record: what the servers received.
    std::string raw = ocv::test::ReadWholeFile(path);
    std::printf("--- headers of the first mail ---\n%s\n--- FTP files ---\n",
                raw.substr(0, raw.find("\r\n\r\n")).c_str());
    for (auto& f : remote)
        std::printf("%s (%ju bytes)\n", f.c_str(),
                    static_cast<uintmax_t>(fs::file_size(JoinPath(ftp.Root(), f))));
    EXPECT_EQ(FilesIn(TempDirectory() + "/ocv" + std::to_string(app.Pid())).size(), 0u);
}
