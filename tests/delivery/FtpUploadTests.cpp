// The FTP target against pyftpdlib on loopback: what arrives on the server in passive and active
// mode, and what the server's refusals log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DeliveryPeers.h"
#include "TargetTestSupport.h"
#include "delivery/FtpUpload.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

class FtpUploadTest : public TargetFixture {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        ASSERT_TRUE(server_.Ready()) << server_.Log();
        ftp_ = LoopbackFtp(server_.Port(), "up");
    }
    int Upload(const FtpInfo& ftp, std::string& name) {
        CDibImage copy(picture_);
        TargetCall call = Call(copy);
        return UploadToFtp(ftp, call, name);
    }

    FtpServer server_;
    FtpInfo ftp_;
};

TEST_F(FtpUploadTest, UploadsArriveExactlyAsStaged) {
    struct Row {
        const char* what;
        int passive, anonymous;
        const char* directory;
        std::string remoteDir;  // where the file lands on the server
        std::vector<std::string> sent, notSent;
    } rows[] = {
        // First: the server may log the end of a session after the upload has returned, which
        // would put "camuser" into the next row's part of the log.
        {"anonymous: no user name or password", 1, 1, "/", server_.AnonRoot(),
         {"<- USER anonymous"}, {"camuser"}},
        {"passive, into a subdirectory", 1, 0, "/pics/cam1", server_.Root() + "/pics/cam1",
         {"<- USER camuser", "<- CWD /pics/cam1", "<- TYPE I"}, {"<- EPRT", "<- PORT"}},
        {"active, relative directory with a trailing separator", 0, 0, "pics/",
         server_.Root() + "/pics", {"<- USER camuser"}, {"<- EPSV", "<- PASV"}},
    };
    std::filesystem::create_directories(server_.Root() + "/pics/cam1");
    ftp_.image.resizeRate = 0.5f;
    ftp_.image.rotate = 1;
    counter_ = 7;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FtpInfo ftp = ftp_;
        ftp.ftpPasvMode = row.passive;
        ftp.ftpAnonymous = row.anonymous;  // user and password stay filled in
        ftp.ftpDirectory = row.directory;
        const std::string expected = "up000" + std::to_string(counter_) + ".jpg";
        // A stale file of the same name in the working directory is overwritten.
        std::ofstream(JoinPath(workDir_, expected)) << "stale bytes";
        const size_t logFrom = server_.Log().size();
        std::string name;
        ASSERT_EQ(Upload(ftp, name), 1) << LogText() << server_.Log();
        EXPECT_EQ(name, expected);
        EXPECT_EQ(ReadWholeFile(row.remoteDir + "/" + name),
                  ReferenceEncoding(picture_, ftp.image, camera_, time_, JoinPath(refDir_, name)))
            << "the server holds exactly the staged encoding";
        std::string s = server_.Log().substr(logFrom);
        for (const std::string& c : row.sent) EXPECT_NE(s.find(c), std::string::npos) << c << s;
        for (const std::string& c : row.notSent) EXPECT_EQ(s.find(c), std::string::npos) << c;
        EXPECT_NE(s.find("<- STOR " + name), std::string::npos) << s;
        const char* data[2][2] = {{"<- EPRT", "<- PORT"}, {"<- EPSV", "<- PASV"}};
        EXPECT_TRUE(s.find(data[row.passive][0]) != std::string::npos ||
                    s.find(data[row.passive][1]) != std::string::npos)
            << s;
        EXPECT_TRUE(DirectoryEntries(workDir_).empty());
    }
    EXPECT_TRUE(LoggedInOrder({"[Live] Uploading to FTP server...",
                               "[Live] Login FTP server... 1times", "[Live] Directory change...",
                               "[Live] Uploading data...", "[Live] FTP upload was completed."}))
        << LogText();
}

TEST_F(FtpUploadTest, RefusalsOfTheServerAreLoggedFailures) {
    const FtpInfo base = ftp_;
    const std::vector<FailureRow> rows{
        {"wrong password", [&] { ftp_.ftpPassword = "wrong"; },
         {"[Live] Login FTP server... 1times", "[Live] Login FTP server failed! "},
         {"Directory change..."}},
        {"missing directory: no upload, no retry",
         [&] { ftp_.ftpDirectory = "/nope", ftp_.ftpLoginRetryCount = 3; },
         {"[Live] Directory change...", "[Live] Changing directory failed! [error no=9] "},
         {"Login FTP server failed!", "2times", "Uploading data..."}},
        {"refused store", [&] { ftp_.ftpDirectory = "/readonly"; },
         {"[Live] Uploading data...", "[Live] Uploading failed! [error no=25] "},
         {"FTP upload was completed."}},
    };
    std::string name;
    RunFailureRows(rows, [&] { ftp_ = base; }, [&] { return Upload(ftp_, name); });
    EXPECT_TRUE(DirectoryEntries(server_.Root() + "/readonly").empty());
}

}  // namespace
}  // namespace ocv::test
