// The FTP and e-mail targets against real servers on loopback: pyftpdlib (plain, and with
// explicit TLS) and aiosmtpd, whose received messages are taken apart with Python's email package.
#include <fstream>
#include <map>

#include "DeliveryPeers.h"
#include "TargetTestSupport.h"
#include "delivery/CaptureNaming.h"

namespace ocv::test {
namespace {

class PeerTest : public TargetFixture {
protected:
    // One failed login logged, with libcurl's `reason` in its line.
    void ExpectFailedLogin(const std::string& reason) {
        const std::string failed = "[Live] Login FTP server failed! ", text = LogText();
        EXPECT_EQ(LogCount(failed), 1u) << text;
        EXPECT_NE(text.find(reason, text.find(failed)), std::string::npos) << text;
    }
};

// Each row against pyftpdlib with the certificate named ("" a server without TLS): the picture
// arrives exactly as staged and the server got the commands in this order, or the login fails
// with libcurl's reason before the user name reaches the server.
TEST_F(PeerTest, FtpUploadsArriveAsStagedAndTlsFaultsFailBeforeTheLogin) {
    ASSERT_TRUE(MakeTestCertificate(JoinPath(dir_, "good"), "127.0.0.1")) << "openssl req failed";
    ASSERT_TRUE(MakeTestCertificate(JoinPath(dir_, "expired"), "127.0.0.1", true));
    // Commands the server must get in this order, or never.
    using Cmds = std::vector<std::string>;
    const Cmds anon{"<- USER anonymous", "<- EPSV", "<- STOR"},
        sub{"<- USER camuser", "<- CWD /pics/cam1", "<- EPSV", "<- TYPE I", "<- STOR"},
        act{"<- USER camuser", "<- EPRT", "<- STOR"},
        tls{"<- AUTH TLS", "<- USER camuser", "<- PROT P", "<- EPSV", "<- STOR"},
        noActive{"<- EPRT", "<- PORT"}, noPassive{"<- EPSV", "<- PASV"},
        clear{"<- USER", "<- PASS"}, none, noCamuser{"camuser"};
    struct Row {
        const char* what;
        const char* cert;
        int tls, passive, anonymous, acceptSelfSigned;
        const char* host;
        const char* directory;  // also where the file lands, under the user's home
        const char* reason;     // part of libcurl's message; nullptr when the upload succeeds
        const Cmds &sent, &notSent;
    } rows[] = {
        // First: the server may log the end of a session after the upload has returned, which
        // would put "camuser" into the next row's part of the log.
        {"anonymous", "", 0, 1, 1, 0, "127.0.0.1", "/", nullptr, anon, noCamuser},
        {"passive, into a subdirectory", "", 0, 1, 0, 0, "127.0.0.1", "/pics/cam1", nullptr, sub,
         noActive},
        {"active, relative directory with a trailing separator", "", 0, 0, 0, 0, "127.0.0.1",
         "pics/", nullptr, act, noPassive},
        {"TLS, self-signed accepted", "good", 1, 1, 0, 1, "127.0.0.1", "/", nullptr, tls, noActive},
        // "FTP Pasv Mode" 0 is overridden: an active-mode data connection could go out unencrypted.
        {"TLS, active mode asked for", "good", 1, 0, 0, 1, "127.0.0.1", "/", nullptr, tls,
         noActive},
        {"self-signed, not accepted", "good", 1, 1, 0, 0, "127.0.0.1", "/", "certificate", none,
         clear},
        {"certificate for another name", "good", 1, 1, 0, 1, "localhost", "/", "host name", none,
         clear},
        {"expired certificate", "expired", 1, 1, 0, 1, "127.0.0.1", "/", "expired", none, clear},
        {"server without TLS", "", 1, 1, 0, 1, "127.0.0.1", "/", "", none, clear},
    };
    std::map<std::string, std::unique_ptr<FtpServer>> servers;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto& server = servers[row.cert];
        if (!server) {
            server = std::make_unique<FtpServer>(*row.cert ? JoinPath(dir_, row.cert) : "");
            std::filesystem::create_directories(server->Root() + "/pics/cam1");
        }
        ASSERT_TRUE(server->Ready()) << server->Log();
        const size_t logFrom = server->Log().size();
        std::remove(JoinPath(dir_, "log.txt").c_str());
        // With "FTP Anonymous" the user and password stay filled in.
        FtpInfo ftp{.ftpServerAddress = row.host, .ftpServerPort = server->Port(),
                    .ftpUser = "camuser", .ftpPassword = "s3cret", .ftpDirectory = row.directory,
                    .ftpLoginRetryCount = 1, .ftpPasvMode = row.passive,
                    .ftpAnonymous = row.anonymous, .ftpUseTls = row.tls,
                    .acceptSelfSigned = row.acceptSelfSigned,
                    .image = PlainImage("up", IMAGE_FORMAT_JPEG)};
        ftp.image.resizeRate = 0.5f;
        ftp.image.rotate = 1;
        uint32_t next = counter_;
        const std::string expected = MakeCaptureFileName(ftp.image, time_, next);
        // A stale file of the same name in the working directory is overwritten.
        std::ofstream(JoinPath(workDir_, expected)) << "stale bytes";
        std::string name;
        ASSERT_EQ(Upload(ftp, name), row.reason ? 0 : 1) << LogText() << server->Log();
        EXPECT_EQ(name, expected);
        EXPECT_TRUE(DirectoryEntries(workDir_).empty());
        const std::string s = server->Log().substr(logFrom);
        size_t at = 0;
        for (const std::string& c : row.sent)
            EXPECT_NE(at = s.find(c, at), std::string::npos) << c << s;
        for (const std::string& c : row.notSent) EXPECT_EQ(s.find(c), std::string::npos) << c;
        if (row.reason) {
            ExpectFailedLogin(row.reason);
            continue;
        }
        const std::string home = row.anonymous ? server->AnonRoot() : server->Root();
        EXPECT_EQ(ReadWholeFile(home + "/" + row.directory + "/" + name),
                  ReferenceEncoding(picture_, ftp.image, camera_, time_, JoinPath(refDir_, name)))
            << "the server holds exactly the staged encoding";
        EXPECT_TRUE(LoggedInOrder({"[Live] Uploading to FTP server...",
                                   "[Live] Login FTP server... 1times",
                                   "[Live] Directory change...", "[Live] Uploading data...",
                                   "[Live] FTP upload was completed."}))
            << LogText();
    }
}

// Failures, each row from the settings given (FTP into pyftpdlib, mail to a port nothing listens
// on): what each logs, and the staged file never stays behind.
TEST_F(PeerTest, FailuresOfBothTargets) {
    FtpServer server;
    ASSERT_TRUE(server.Ready()) << server.Log();
    FtpInfo ftp;
    const std::string login = "[Live] Login FTP server... ",
                      failed = "[Live] Login FTP server failed! ";
    const std::vector<FailureRow> ftpRows{
        {"failed edit", [&] { ftp.image.rotate = 5; },
         {"[Live] Uploading to FTP server...",
          "[Live] Edit image failed! [Rotate image failed! [angle=450]]"},
         {"Login FTP server"}},
        {"failed staging", [&] { workDir_ = JoinPath(dir_, "missing"); },
         {"[Live] Save image failed! [Save to JPEG Failed!"}, {"Login FTP server"}},
        {"wrong password; retry count 0 is one attempt",
         [&] { ftp.ftpPassword = "wrong", ftp.ftpLoginRetryCount = 0; },
         {login + "1times", failed}, {"2times", "Directory change..."}},
        {"retry count 2, with a pause between",
         [&] { ftp.ftpPassword = "wrong", ftp.ftpLoginRetryCount = 2; },
         {login + "1times", failed, login + "2times", failed}, {"3times"}},
        {"a stop set beforehand ends the first attempt",
         [&] { ftp.ftpLoginRetryCount = 5, stop_->Set(); }, {login + "1times"}, {"2times"}},
        {"control characters in the password",
         [&] { ftp.ftpPassword = "s3cret\r\nDELE important.jpg"; },
         {failed + "The user name or password holds control characters."}, {}},
        {"control characters in the directory",
         [&] { ftp.ftpDirectory = "pics\r\nDELE important.jpg"; },
         {"[Live] Changing directory failed! [error no=3] The server address or directory "
          "cannot be used"},
         {}},
        {"missing directory: no upload, no retry",
         [&] { ftp.ftpDirectory = "/nope", ftp.ftpLoginRetryCount = 3; },
         {"[Live] Directory change...", "[Live] Changing directory failed! [error no=9] "},
         {"Login FTP server failed!", "2times", "Uploading data..."}},
        {"refused store", [&] { ftp.ftpDirectory = "/readonly"; },
         {"[Live] Uploading data...", "[Live] Uploading failed! [error no=25] "},
         {"FTP upload was completed."}},
    };
    RunFailureRows(ftpRows, [&] { ftp = LoopbackFtp(server.Port(), "up"); }, [&] {
        std::string name;
        int result = Upload(ftp, name);
        EXPECT_EQ(name, "up0000.jpg") << "the name is known even when the upload fails";
        EXPECT_EQ(counter_, 1u);
        return result;
    });
    EXPECT_TRUE(DirectoryEntries(server.Root() + "/readonly").empty());
    const int nobody = FreePort();
    SmtpInfo smtp;
    const std::vector<FailureRow> mailRows{
        {"failed edit", [&] { smtp.image.rotate = 5; },
         {"[Live] Edit image failed! [Rotate image failed!"}, {"Login SMTP server"}},
        {"failed staging", [&] { workDir_ = JoinPath(dir_, "missing"); },
         {"[Live] Start to send e-mail...", "[Live] Save image failed! [Save to GIF Failed!"},
         {"Login SMTP server"}},
        {"overlong text, no server", [&] { smtp.mailBody = std::string(1500, 'a'); },
         {"[Live] The mail text was cut to 1023 bytes.",
          "[Live] Login SMTP server failed! Unable to connect to server"},
         {"Sending e-mail..."}},
        {"no POP3 server",
         [&] { smtp.enablePop3BeforeSmtp = 1, smtp.pop3ServerPort = nobody; },
         {"[Live] POPbeforeSMTP start... ", "[Live] POP3 Unauthorized! [Connection refused.]",
          "[Live] POPbeforeSMTP failed!"},
         {"Login SMTP server"}},
    };
    RunFailureRows(mailRows, [&] {
        smtp = {.smtpServerAddress = "127.0.0.1", .smtpServerPort = nobody,
                .mailFrom = "cam@example.org", .mailTo = {"owner@example.org"},
                .pop3ServerAddress = "127.0.0.1", .image = PlainImage("mail", IMAGE_FORMAT_GIF)};
    }, [&] { return Mail(smtp); });
}

// A server that agrees to AUTH TLS and then never answers the handshake: the login ends at the
// stop, and the user name and password never go out in clear.
TEST_F(PeerTest, FtpStopDuringAStalledTlsStartEndsTheLoginWithoutClearText) {
    ScriptServer server(
        {Say("220 ftp.test ready\r\n"), Expect("AUTH TLS\r\n"), Say("234 go ahead\r\n"), Silence()},
        390);
    std::thread stopper = StopWhen(server, "\x16\x03", stop_);
    FtpInfo ftp = LoopbackFtp(server.Port(), "tls");
    ftp.ftpUseTls = ftp.acceptSelfSigned = 1;
    std::string name;
    EXPECT_EQ(Upload(ftp, name), 0);
    ExpectFailedLogin("Interrupted by the stop request.");
    stopper.join();
    server.Join();
    EXPECT_EQ(server.Failure(), "");
    for (const char* clearText : {"USER", "PASS", "camuser", "s3cret", "AUTH SSL"})
        EXPECT_EQ(server.Received().find(clearText), std::string::npos) << clearText;
}

// The fields of a received message (see ParseMessage) that `want` names; "text" without CRs.
void ExpectFields(std::map<std::string, std::string> f,
                  const std::map<std::string, std::string>& want) {
    std::erase(f["text"], '\r');
    for (const auto& [key, value] : want) EXPECT_EQ(f[key], value) << key;
}

class MailNotifyTest : public PeerTest {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        ASSERT_TRUE(server_.Ready()) << server_.Log();
    }
    int Send(const std::string& local = "", const std::string& ftp = "") {
        return Mail(smtp_, local, ftp);
    }
    SmtpServer server_;
    SmtpInfo smtp_{.smtpServerAddress = "127.0.0.1", .smtpServerPort = server_.Port(),
                   .mailFrom = "camera@example.org",
                   .mailTo = {"one@example.org;Refused <refuse@example.org>", "", "",
                              "Two <two@example.org>"},
                   .mailSubject = "【Cam1】動体検知 motion",
                   .image = PlainImage("mail", IMAGE_FORMAT_JPEG)};
};

TEST_F(MailNotifyTest, PictureMailWithItsTextFilledInAndTheStagedPictureThenTextOnly) {
    smtp_.mailTo[1] = "Broken <broken@example.org";  // malformed: logged, the others still get it
    smtp_.mailBody =
        "ローカル: _$LOCALFILENAME$_\r\nFTP: _$FTPFILENAME$_\r\n添付: _$MAILFILENAME$_\n"
        "撮影: _$DATE$_ _$TIME$_\r\n.dot line\r\n再掲 _$DATE$_";
    smtp_.image.rotate = 2;
    counter_ = 3;
    ASSERT_EQ(Send("local0001.bmp", "up0002.jpg"), 1) << LogText() << server_.Log();
    EXPECT_EQ(counter_, 4u);
    ASSERT_EQ(server_.MessageCount(), 1);
    EXPECT_EQ(server_.Envelope(0), "camera@example.org\none@example.org\ntwo@example.org\n")
        << "the refused recipient did not stop the mail";
    // The attachment decodes to exactly the staged encoding.
    ExpectFields(ParseMessage(server_.Message(0)),
                 {{"defects", ""}, {"from", "camera@example.org"}, {"files", "1"},
                  {"to", "one@example.org, Refused <refuse@example.org>, Two <two@example.org>"},
                  {"subject", "【Cam1】動体検知 motion"}, {"content-type", "multipart/mixed"},
                  {"text-charset", "iso-2022-jp"}, {"file0-name", "mail0003.jpg"},
                  {"text", "ローカル: local0001.bmp\nFTP: up0002.jpg\n添付: mail0003.jpg\n"
                           "撮影: 2026年3月5日 9時7分6秒\n.dot line\n再掲 2026年3月5日"},
                  {"file0", ReferenceEncoding(picture_, smtp_.image, camera_, time_,
                                              JoinPath(refDir_, "mail0003.jpg"))}});
    EXPECT_TRUE(LoggedInOrder({"[Live] Start to send e-mail...", "[Live] Create MIME message...",
                               "[Live] Login SMTP server...", "[Live] Sending e-mail...",
                               "[Live] Sending e-mail was success."}))
        << LogText();
    EXPECT_TRUE(Logged("[Live] Invalid recipient in \"Mail To2\" [Broken <broken@example.org]"));
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());

    // "No Add Image" sends the text alone and makes no name.
    smtp_.noAddImage = 1;
    smtp_.mailBody = "file=[_$MAILFILENAME$_]";
    smtp_.mailSubject = "plain subject";
    const size_t saves = LogCount("Save image");
    ASSERT_EQ(Send(), 1) << LogText();
    EXPECT_EQ(counter_, 4u) << "no picture, no name made";
    // An ASCII text goes out as it is.
    ExpectFields(ParseMessage(server_.Message(1)),
                 {{"subject", "plain subject"}, {"text", "file=[]"}, {"text-charset", "None"},
                  {"files", "0"}});
    EXPECT_EQ(LogCount("Save image"), saves);
}

// POP-before-SMTP (the POP3 dialogue itself is in the mail tests): the login, the wait after it
// and the mail; a stop during the second wait sends nothing.
TEST_F(MailNotifyTest, PopBeforeSmtpLogsInWaitsThenMails) {
    smtp_.enablePop3BeforeSmtp = 1, smtp_.pop3ServerAddress = "127.0.0.1";
    smtp_.pop3User = "camuser", smtp_.pop3Password = "s3cret";
    for (int wait : {300, 30000}) {
        SCOPED_TRACE(wait);
        ScriptServer pop(Pop3Login("camuser", "s3cret"), 290 + wait);
        smtp_.pop3ServerPort = pop.Port();
        smtp_.pop3BeforeSmtpSendTimeout = wait;
        std::thread stopper([&] {
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
    EXPECT_EQ(server_.MessageCount(), 1);
    EXPECT_TRUE(DirectoryEntries(workDir_).empty());
}

}  // namespace
}  // namespace ocv::test
