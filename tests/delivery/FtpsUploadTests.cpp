// The FTP target with explicit TLS against pyftpdlib's TLS handler on loopback: the picture
// arrives over an encrypted login and data connection, and every certificate fault or a server
// without TLS ends the attempt before the user name is sent.
#include <gtest/gtest.h>

#include "DeliveryPeers.h"
#include "ScriptServer.h"
#include "TargetTestSupport.h"
#include "delivery/FtpUpload.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

class FtpsUploadTest : public TargetFixture {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        ASSERT_TRUE(MakeTestCertificate(Stem("good"), "127.0.0.1")) << "openssl req failed";
        ASSERT_TRUE(MakeTestCertificate(Stem("other"), "camera.invalid"));
        ASSERT_TRUE(MakeTestCertificate(Stem("expired"), "127.0.0.1", true));
    }
    std::string Stem(const std::string& name) const { return JoinPath(dir_, "cert-" + name); }
    FtpInfo Target(int port, int passive, int acceptSelfSigned) const {
        FtpInfo ftp = LoopbackFtp(port, "tls");
        ftp.ftpPasvMode = passive;
        ftp.ftpUseTls = 1;
        ftp.acceptSelfSigned = acceptSelfSigned;
        return ftp;
    }
    // One login attempt that fails with `reason` in its line, leaving nothing staged.
    void ExpectLoginFailure(const FtpInfo& ftp, const char* reason) {
        CDibImage copy(picture_);
        TargetCall call = Call(copy);
        std::string name;
        size_t before = LogCount("[Live] Login FTP server failed! ");
        EXPECT_EQ(UploadToFtp(ftp, call, name), 0);
        EXPECT_EQ(LogCount("[Live] Login FTP server failed! "), before + 1) << LogText();
        std::string text = LogText();
        std::string failed = text.substr(text.rfind("Login FTP server failed! "));
        EXPECT_NE(failed.find(reason), std::string::npos) << failed;
        EXPECT_TRUE(DirectoryEntries(workDir_).empty());
    }
};

TEST_F(FtpsUploadTest, SelfSignedServerAcceptedOnRequestStoresThePictureOverTls) {
    FtpServer server(Stem("good"));
    ASSERT_TRUE(server.Ready()) << server.Log();
    // "FTP Pasv Mode" 0 is overridden: an active-mode data connection could go out unencrypted.
    for (int passive : {1, 0}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        FtpInfo ftp = Target(server.Port(), passive, 1);
        CDibImage copy(picture_);
        TargetCall call = Call(copy);
        std::string name;
        ASSERT_EQ(UploadToFtp(ftp, call, name), 1) << LogText() << server.Log();
        std::string remote = ReadWholeFile(server.Root() + "/" + name);
        EXPECT_EQ(remote,
                  ReferenceEncoding(picture_, ftp.image, camera_, time_, JoinPath(refDir_, name)));
        EXPECT_TRUE(DirectoryEntries(workDir_).empty());
    }
    std::string s = server.Log();
    size_t auth = s.find("<- AUTH TLS");
    ASSERT_NE(auth, std::string::npos) << s;
    EXPECT_LT(auth, s.find("<- USER camuser")) << "the user name goes only over TLS";
    EXPECT_NE(s.find("<- PROT P"), std::string::npos) << "the data connection is encrypted too";
    EXPECT_EQ(s.find("<- EPRT"), std::string::npos);
    EXPECT_EQ(s.find("<- PORT"), std::string::npos);
    EXPECT_EQ(s.find("522 SSL handshake failed"), std::string::npos) << s;
}

// Each fault of the server side: the login fails with libcurl's reason, nothing is uploaded and
// the user name never reaches the server.
TEST_F(FtpsUploadTest, CertificateFaultsAndServersWithoutTlsFailBeforeTheLogin) {
    struct Case {
        const char* what;
        const char* cert;  // "" for a server without TLS
        int acceptSelfSigned;
        const char* reason;  // part of libcurl's message
    } cases[] = {
        {"self-signed, not accepted", "good", 0, "certificate"},
        {"certificate for another name", "other", 1, "host name"},
        {"expired certificate", "expired", 1, "expired"},
        {"server without TLS", "", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FtpServer server(*c.cert ? Stem(c.cert) : std::string());
        ASSERT_TRUE(server.Ready()) << server.Log();
        FtpInfo ftp = Target(server.Port(), 1, c.acceptSelfSigned);
        ExpectLoginFailure(ftp, c.reason);
        std::string s = server.Log();
        EXPECT_EQ(s.find("<- USER"), std::string::npos) << s;
        EXPECT_EQ(s.find("<- PASS"), std::string::npos) << s;
        EXPECT_TRUE(DirectoryEntries(server.Root()).size() == 1) << "only readonly/ is there";
    }
    EXPECT_FALSE(Logged("Directory change...")) << LogText();
}

// Servers that break the TLS start of the control connection: the login fails with the reason
// or ends at the stop, and the user name and password never go out in clear.
TEST_F(FtpsUploadTest, HostileTlsStartFailsTheLoginWithoutClearText) {
    struct Row {
        const char* what;
        std::vector<ScriptStep> steps;
        const char* stopWhen;  // the stop is set once the server has received this; "" never
        const char* reason;    // part of the logged failure
    } rows[] = {
        {"garbage instead of a handshake",
         {Say("220 ftp.test ready\r\n"), Expect("AUTH TLS\r\n"), Say("234 go ahead\r\n"),
          Expect("\x16\x03"), Say("200 no handshake\r\n\xfe\xfe\xfe\xfe"), Silence()},
         "", "wrong version number"},
        {"silence instead of a handshake",
         {Say("220 ftp.test ready\r\n"), Expect("AUTH TLS\r\n"), Say("234 go ahead\r\n"),
          Silence()},
         "\x16\x03", "Interrupted by the stop request."},
        {"AUTH TLS never answered",
         {Say("220 ftp.test ready\r\n"), Expect("AUTH TLS\r\n"), Silence()}, "AUTH TLS\r\n",
         "Interrupted by the stop request."},
    };
    unsigned seed = 390;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptServer server(row.steps, ++seed);
        stop_->Reset();
        FtpInfo ftp = Target(server.Port(), 1, 1);
        StopWhen stopper(*stop_, ReceivedBy(server, row.stopWhen));
        ExpectLoginFailure(ftp, row.reason);
        stopper.Join();
        server.Join();
        EXPECT_EQ(server.Failure(), "");
        std::string got = server.Received();
        for (const char* clearText : {"USER", "PASS", "camuser", "s3cret", "AUTH SSL"})
            EXPECT_EQ(got.find(clearText), std::string::npos) << clearText << "\n" << got;
    }
}

}  // namespace
}  // namespace ocv::test
