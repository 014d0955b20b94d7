// The FTP target with explicit TLS against pyftpdlib's TLS handler on loopback: the picture
// arrives over an encrypted login and data connection, and every certificate fault or a server
// without TLS ends the attempt before the user name is sent.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "DeliveryPeers.h"
#include "ScriptServer.h"
#include "TargetTestSupport.h"
#include "delivery/FtpUpload.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

class FtpsUploadTest : public TargetFixture {
protected:
    FtpInfo Target(const std::string& host, int port, int passive, int acceptSelfSigned) const {
        FtpInfo ftp = LoopbackFtp(port, "tls");
        ftp.ftpServerAddress = host;
        ftp.ftpPasvMode = passive;
        ftp.ftpUseTls = 1;
        ftp.acceptSelfSigned = acceptSelfSigned;
        return ftp;
    }
    // One attempt; a failed one must log one more failed login, with `reason` in its line.
    int Upload(const FtpInfo& ftp, const char* reason, std::string& name) {
        const std::string failed = "[Live] Login FTP server failed! ";
        size_t before = LogCount(failed);
        CDibImage copy(picture_);
        TargetCall call = Call(copy);
        int result = UploadToFtp(ftp, call, name);
        EXPECT_TRUE(DirectoryEntries(workDir_).empty());
        if (!reason) return result;
        EXPECT_EQ(LogCount(failed), before + 1) << LogText();
        std::string text = LogText();
        EXPECT_NE(text.substr(text.rfind(failed)).find(reason), std::string::npos) << text;
        return result;
    }
};

// Each row against pyftpdlib with the certificate named ("" a server without TLS): the picture
// arrives, or the login fails with libcurl's reason before the user name reaches the server.
TEST_F(FtpsUploadTest, PicturesGoOverTlsAndCertificateFaultsFailBeforeTheLogin) {
    ASSERT_TRUE(MakeTestCertificate(JoinPath(dir_, "good"), "127.0.0.1")) << "openssl req failed";
    ASSERT_TRUE(MakeTestCertificate(JoinPath(dir_, "expired"), "127.0.0.1", true));
    struct Row {
        const char* what;
        const char* cert;
        const char* host;
        int passive, acceptSelfSigned;
        const char* reason;  // part of libcurl's message; nullptr when the upload succeeds
    } rows[] = {
        {"self-signed accepted", "good", "127.0.0.1", 1, 1, nullptr},
        // "FTP Pasv Mode" 0 is overridden: an active-mode data connection could go out unencrypted.
        {"active mode asked for", "good", "127.0.0.1", 0, 1, nullptr},
        {"self-signed, not accepted", "good", "127.0.0.1", 1, 0, "certificate"},
        {"certificate for another name", "good", "localhost", 1, 1, "host name"},
        {"expired certificate", "expired", "127.0.0.1", 1, 1, "expired"},
        {"server without TLS", "", "127.0.0.1", 1, 1, ""},
    };
    std::map<std::string, std::unique_ptr<FtpServer>> servers;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto& server = servers[row.cert];
        if (!server)
            server = std::make_unique<FtpServer>(*row.cert ? JoinPath(dir_, row.cert) : "");
        ASSERT_TRUE(server->Ready()) << server->Log();
        const size_t logFrom = server->Log().size();
        FtpInfo ftp = Target(row.host, server->Port(), row.passive, row.acceptSelfSigned);
        std::string name;
        ASSERT_EQ(Upload(ftp, row.reason, name), row.reason ? 0 : 1) << LogText() << server->Log();
        std::string s = server->Log().substr(logFrom);
        if (row.reason) {
            EXPECT_EQ(s.find("<- USER"), std::string::npos) << s;
            EXPECT_EQ(s.find("<- PASS"), std::string::npos) << s;
            continue;
        }
        EXPECT_EQ(ReadWholeFile(server->Root() + "/" + name),
                  ReferenceEncoding(picture_, ftp.image, camera_, time_, JoinPath(refDir_, name)));
        size_t auth = s.find("<- AUTH TLS");
        ASSERT_NE(auth, std::string::npos) << s;
        EXPECT_LT(auth, s.find("<- USER camuser")) << "the user name goes only over TLS";
        EXPECT_NE(s.find("<- PROT P"), std::string::npos) << "the data connection is encrypted too";
        EXPECT_EQ(s.find("<- EPRT"), std::string::npos) << s;
        EXPECT_EQ(s.find("<- PORT"), std::string::npos) << s;
    }
}

// A server that agrees to AUTH TLS and then never answers the handshake: the login ends at the
// stop, and the user name and password never go out in clear.
TEST_F(FtpsUploadTest, StopDuringAStalledTlsStartEndsTheLoginWithoutClearText) {
    ScriptServer server(
        {Say("220 ftp.test ready\r\n"), Expect("AUTH TLS\r\n"), Say("234 go ahead\r\n"), Silence()},
        390);
    std::thread stopper = StopWhen(server, "\x16\x03", stop_);
    std::string name;
    EXPECT_EQ(
        Upload(Target("127.0.0.1", server.Port(), 1, 1), "Interrupted by the stop request.", name),
        0);
    stopper.join();
    server.Join();
    EXPECT_EQ(server.Failure(), "");
    for (const char* clearText : {"USER", "PASS", "camuser", "s3cret", "AUTH SSL"})
        EXPECT_EQ(server.Received().find(clearText), std::string::npos) << clearText;
}

}  // namespace
}  // namespace ocv::test
