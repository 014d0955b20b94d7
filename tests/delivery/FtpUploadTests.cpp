// The FTP target against pyftpdlib on loopback: what arrives on the server, how the login loop
// counts and pauses, how a stop ends it, and that the staged file never stays behind.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "DeliveryPeers.h"
#include "TargetTestSupport.h"
#include "delivery/FtpUpload.h"
#include "mail/TcpSock.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

class FtpUploadTest : public TargetFixture {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        ASSERT_TRUE(server_.Ready()) << server_.Log();
        ftp_.ftpServerAddress = "127.0.0.1";
        ftp_.ftpServerPort = server_.Port();
        ftp_.ftpUser = "camuser";
        ftp_.ftpPassword = "s3cret";
        ftp_.ftpDirectory = "/";
        ftp_.ftpLoginRetryCount = 1;
        ftp_.ftpPasvMode = 1;
        ftp_.image = PlainImage("up", IMAGE_FORMAT_JPEG);
    }
    int Upload(std::string& name) {
        CDibImage copy(picture_);
        TargetCall call = Call(copy);
        return UploadToFtp(ftp_, call, name);
    }
    std::string Reference(const std::string& name) {
        return ReferenceEncoding(picture_, ftp_.image, camera_, time_, JoinPath(refDir_, name));
    }
    // Sets the stop event once `line` shows up in the log; returns when it did.
    std::thread StopWhenLogged(const std::string& line, Clock::time_point& stoppedAt) {
        return std::thread([this, line, &stoppedAt] {
            for (int i = 0; i < 1500 && !Logged(line); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            stoppedAt = Clock::now();
            stop_->Set();
        });
    }

    FtpServer server_;
    FtpInfo ftp_;
};

TEST_F(FtpUploadTest, PassiveUploadIntoSubdirectoryStoresTheEditedPicture) {
    std::filesystem::create_directories(server_.Root() + "/pics/cam1");
    ftp_.ftpDirectory = "/pics/cam1";
    ftp_.image.resizeRate = 0.5f;
    ftp_.image.rotate = 1;
    counter_ = 7;
    std::string name;
    ASSERT_EQ(Upload(name), 1) << LogText() << server_.Log();
    EXPECT_EQ(name, "up0007.jpg");
    EXPECT_EQ(counter_, 8u);

    std::string remote = FileBytes(server_.Root() + "/pics/cam1/up0007.jpg");
    ASSERT_FALSE(remote.empty()) << server_.Log();
    EXPECT_EQ(remote, Reference(name)) << "the server holds exactly the staged encoding";
    CDibImage got;
    ASSERT_TRUE(got.LoadFromMemory(remote.data(), remote.size()));
    EXPECT_EQ(got.Width(), 32);  // 96 x 64 halved, then turned a quarter
    EXPECT_EQ(got.Height(), 48);

    EXPECT_TRUE(LoggedInOrder({"[Live] Uploading to FTP server...",
                               "[Live] Login FTP server... 1times", "[Live] Directory change...",
                               "[Live] Uploading data...", "[Live] FTP upload was completed."}))
        << LogText();
    std::string s = server_.Log();
    EXPECT_NE(s.find("<- USER camuser"), std::string::npos) << s;
    EXPECT_NE(s.find("<- CWD /pics/cam1"), std::string::npos) << s;
    EXPECT_NE(s.find("<- TYPE I"), std::string::npos) << s;
    EXPECT_NE(s.find("<- STOR up0007.jpg"), std::string::npos) << s;
    EXPECT_TRUE(s.find("<- EPSV") != std::string::npos || s.find("<- PASV") != std::string::npos);
    EXPECT_EQ(s.find("<- EPRT"), std::string::npos);
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(FtpUploadTest, ActiveModeRelativeDirectoryReplacesFilesOfTheSameName) {
    std::filesystem::create_directories(server_.Root() + "/pics");
    ftp_.ftpDirectory = "pics/";  // relative to the login directory, trailing separator
    ftp_.ftpPasvMode = 0;
    ftp_.image = PlainImage("act", IMAGE_FORMAT_PNG);
    ftp_.image.enableAddNameCounter = 0;
    // A stale file of the same name in the working directory is overwritten by the new one.
    std::ofstream(JoinPath(workDir_, "act.png")) << "stale bytes";

    std::string name;
    ASSERT_EQ(Upload(name), 1) << LogText() << server_.Log();
    EXPECT_EQ(FileBytes(server_.Root() + "/pics/act.png"), Reference(name));

    // The next picture under the same name replaces the remote file.
    ASSERT_TRUE(picture_.GrayScale());
    ASSERT_EQ(Upload(name), 1) << LogText();
    std::string second = Reference(name);
    EXPECT_EQ(FileBytes(server_.Root() + "/pics/act.png"), second);
    EXPECT_EQ(counter_, 2u) << "the counter advances even when it is not in the name";

    std::string s = server_.Log();
    EXPECT_TRUE(s.find("<- EPRT") != std::string::npos || s.find("<- PORT") != std::string::npos)
        << s;
    EXPECT_EQ(s.find("<- EPSV"), std::string::npos);
    EXPECT_EQ(s.find("<- PASV"), std::string::npos);
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(FtpUploadTest, AnonymousLoginSendsNoUserNameOrPassword) {
    ftp_.ftpAnonymous = 1;  // user and password stay filled in
    std::string name;
    ASSERT_EQ(Upload(name), 1) << LogText() << server_.Log();
    EXPECT_TRUE(FileExists(server_.AnonRoot() + "/" + name));
    EXPECT_FALSE(FileExists(server_.Root() + "/" + name));
    std::string s = server_.Log();
    EXPECT_NE(s.find("<- USER anonymous"), std::string::npos) << s;
    EXPECT_EQ(s.find("camuser"), std::string::npos) << s;
}

TEST_F(FtpUploadTest, WrongPasswordIsTriedTheConfiguredNumberOfTimes) {
    ftp_.ftpPassword = "wrong";
    ftp_.ftpLoginRetryCount = 3;
    std::string name;
    auto start = Clock::now();
    EXPECT_EQ(Upload(name), 0);
    double elapsed = SecondsSince(start);
    EXPECT_EQ(name, "up0000.jpg") << "the name is known even when the upload fails";
    EXPECT_TRUE(
        LoggedInOrder({"[Live] Login FTP server... 1times", "[Live] Login FTP server failed! ",
                       "[Live] Login FTP server... 2times", "[Live] Login FTP server failed! ",
                       "[Live] Login FTP server... 3times", "[Live] Login FTP server failed! "}))
        << LogText();
    EXPECT_FALSE(Logged("4times"));
    EXPECT_FALSE(Logged("Directory change..."));
    EXPECT_GE(elapsed, 3.9) << "two pauses of 2 s between three attempts";
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
    EXPECT_TRUE(DirectoryEntries(server_.Root() + "/readonly").empty());
}

TEST_F(FtpUploadTest, RetryCountZeroAndOneMeanOneAttempt) {
    ftp_.ftpPassword = "wrong";
    for (int count : {0, 1}) {
        ftp_.ftpLoginRetryCount = count;
        std::string name;
        EXPECT_EQ(Upload(name), 0);
    }
    EXPECT_EQ(LogCount("[Live] Login FTP server... 1times"), 2u) << LogText();
    EXPECT_EQ(LogCount("[Live] Login FTP server failed! "), 2u) << LogText();
    EXPECT_FALSE(Logged("2times"));
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(FtpUploadTest, StopDuringTheLoginPauseEndsTheUploadAtOnce) {
    ftp_.ftpPassword = "wrong";
    ftp_.ftpLoginRetryCount = 5;
    Clock::time_point stoppedAt{};
    std::thread stopper = StopWhenLogged("Login FTP server failed!", stoppedAt);
    std::string name;
    EXPECT_EQ(Upload(name), 0);
    auto returnedAt = Clock::now();
    stopper.join();
    EXPECT_LT(std::chrono::duration<double>(returnedAt - stoppedAt).count(), 1.0)
        << "the 2 s pause wakes on the stop event";
    EXPECT_FALSE(Logged("2times")) << LogText();
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(FtpUploadTest, MissingRemoteDirectoryFailsWithoutUploadingOrRetrying) {
    ftp_.ftpDirectory = "/nope";
    ftp_.ftpLoginRetryCount = 3;
    std::string name;
    EXPECT_EQ(Upload(name), 0);
    EXPECT_TRUE(LoggedInOrder({"[Live] Login FTP server... 1times", "[Live] Directory change...",
                               "[Live] Changing directory failed! [error no=9] "}))
        << LogText();
    EXPECT_FALSE(Logged("Login FTP server failed!"));
    EXPECT_FALSE(Logged("2times"));
    EXPECT_FALSE(Logged("Uploading data..."));
    EXPECT_EQ(server_.Log().find("<- STOR"), std::string::npos);
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

TEST_F(FtpUploadTest, RefusedStoreIsReportedAsAFailedUpload) {
    ftp_.ftpDirectory = "/readonly";
    std::string name;
    EXPECT_EQ(Upload(name), 0);
    EXPECT_TRUE(LoggedInOrder({"[Live] Directory change...", "[Live] Uploading data...",
                               "[Live] Uploading failed! [error no=25] "}))
        << LogText();
    EXPECT_FALSE(Logged("FTP upload was completed."));
    EXPECT_TRUE(DirectoryEntries(server_.Root() + "/readonly").empty());
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

// A server that accepts the connection and then says nothing: only the stop event ends the wait.
using FtpSilentServerTest = TargetFixture;

TEST_F(FtpSilentServerTest, StopEndsALoginBlockedOnASilentServer) {
    TcpSock silent;
    silent.Listen("127.0.0.1", 0, 4);
    FtpInfo ftp;
    ftp.ftpServerAddress = "127.0.0.1";
    ftp.ftpServerPort = silent.LocalPort();
    ftp.ftpLoginRetryCount = 3;
    ftp.image = PlainImage("silent", IMAGE_FORMAT_BMP);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        stop_->Set();
    });
    auto start = Clock::now();
    std::string name;
    CDibImage copy(picture_);
    TargetCall call = Call(copy);
    EXPECT_EQ(UploadToFtp(ftp, call, name), 0);
    double elapsed = SecondsSince(start);
    stopper.join();
    EXPECT_LT(elapsed, 5.0) << "a blocked exchange ends with the stop, not after its time-out";
    EXPECT_TRUE(Logged("[Live] Login FTP server failed! Interrupted by the stop request."))
        << LogText();
    EXPECT_FALSE(Logged("2times"));
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

}  // namespace
}  // namespace ocv::test
