// The mail clients against real servers started on loopback: aiosmtpd keeps every message it
// receives (checked with Python's email package) and dovecot serves POP3.
#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "PeerProcess.h"
#include "PeerScripts.h"
#include "foundation/Logger.h"
#include "mail/Base64.h"
#include "mail/JisText.h"
#include "mail/MIMEMessage.h"
#include "mail/Pop3Client.h"
#include "mail/PopBeforeSmtp.h"
#include "mail/SMTP.h"

namespace ocv {
namespace {

using test::FreePort;
using test::PeerProcess;
using test::ReadWholeFile;
using test::RunCapture;
using test::TempDir;
using test::WaitListening;

const char* kPython = "/usr/bin/python3";

const char* const kSmtpServer = ocv::test::kSmtpSinkScript;

std::string NoCr(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '\r') out += c;
    return out;
}

class SmtpServer {
public:
    SmtpServer() : port_(FreePort()) {
        std::filesystem::create_directory(dir_.Path() + "/out");
        std::string script = dir_.Write("server.py", kSmtpServer);
        process_ = std::make_unique<PeerProcess>(
            std::vector<std::string>{kPython, script, std::to_string(port_), dir_.Path() + "/out"},
            dir_.Path() + "/server.log");
        ready_ = WaitListening(port_, 20);
    }
    bool Ready() const { return ready_; }
    int Port() const { return port_; }
    const TempDir& Dir() const { return dir_; }
    std::string Message(int n) const {
        return dir_.Path() + "/out/msg" + std::to_string(n) + ".eml";
    }
    std::string Recipients(int n) const {
        return ReadWholeFile(dir_.Path() + "/out/msg" + std::to_string(n) + ".rcpt");
    }
    std::string Log() const { return ReadWholeFile(dir_.Path() + "/server.log"); }

private:
    TempDir dir_;
    int port_;
    std::unique_ptr<PeerProcess> process_;
    bool ready_ = false;
};

TEST(SmtpServerTest, PictureMailWithJapaneseTextAndAttachmentArrivesIntact) {
    SmtpServer server;
    ASSERT_TRUE(server.Ready()) << server.Log();

    std::mt19937 rng(99);
    std::string picture(54 * 40 + 17, '\0');
    for (char& c : picture) c = static_cast<char>(rng());
    std::string path = server.Dir().Write("20240305090703-001.jpg", picture);

    const std::string subject = "【カメラ1】動きを検知しました";
    const std::string body =
        "カメラ1で動きを検知しました。\r\n.\r\n.hidden line\r\n日付: 2024年3月5日 9時7分3秒\r\n"
        "Plain ASCII line with words enough to be wrapped somewhere after the seventy-sixth "
        "column of text.";
    std::string jisSubject = subject;
    ASSERT_TRUE(ToJisText(jisSubject));
    std::string jisBody = body;
    ASSERT_TRUE(ToJisText(jisBody));

    CMIMEMessage m;
    m.SetFrom("camera@example.org");
    m.AddRecipientList("one@example.org;Refused <refuse@example.org>;Two <two@example.org>");
    m.AddRecipient("copy@example.org", "", CMailMessage::CC);
    m.SetSubject(jisSubject);
    m.SetBody(jisBody);
    m.AddPart(path, CMIMEMessage::APPLICATION_OCTETSTREAM, "", 0, true);

    CSMTP smtp("127.0.0.1", server.Port());
    ASSERT_EQ(smtp.ConnectServer(), 1) << smtp.LastError();
    ASSERT_EQ(smtp.Send(m), 1) << smtp.LastError();
    EXPECT_EQ(smtp.DisconnectServer(), 1) << smtp.LastError();

    std::string rcpt = server.Recipients(0);
    EXPECT_EQ(rcpt, "camera@example.org\none@example.org\ntwo@example.org\ncopy@example.org\n");

    auto f = test::ParseMessage(server.Message(0));
    EXPECT_EQ(f["subject"], subject);
    EXPECT_EQ(f["from"], "camera@example.org");
    EXPECT_EQ(f["to"], "one@example.org, Refused <refuse@example.org>, Two <two@example.org>");
    EXPECT_EQ(f["cc"], "copy@example.org");
    EXPECT_EQ(f["x-mailer"], "Ocuvane Mailer");
    EXPECT_EQ(f["mime-version"], "1.0");
    EXPECT_EQ(f["content-type"], "multipart/mixed");
    EXPECT_EQ(f["text-charset"], "iso-2022-jp");
    std::tm local{};
    std::time_t now = std::time(nullptr);
    ::localtime_r(&now, &local);
    EXPECT_EQ(f["utcoffset"], std::to_string(local.tm_gmtoff));
    EXPECT_LT(std::labs(std::stol(f["timestamp"]) - now), 120);

    // The text: line breaks may have moved at spaces (wrapping), nothing else.
    std::string text = NoCr(f["text"]);
    EXPECT_EQ(
        text.rfind("カメラ1で動きを検知しました。\n.\n.hidden line\n日付: 2024年3月5日 9時7分3秒\n",
                   0),
        0u)
        << text;
    auto squash = [](const std::string& s) {
        std::string out;
        for (char c : s)
            if (c != ' ' && c != '\r' && c != '\n') out += c;
        return out;
    };
    EXPECT_EQ(squash(text), squash(body));
    EXPECT_EQ(f["files"], "1");
    EXPECT_EQ(f["file0-name"], "20240305090703-001.jpg");
    EXPECT_EQ(f["file0"], picture);
    EXPECT_EQ(f["defects"], "");
}

TEST(SmtpServerTest, TextOnlyAsciiMailAndRefusals) {
    SmtpServer server;
    ASSERT_TRUE(server.Ready()) << server.Log();

    CMailMessage plain;
    plain.SetFrom("camera@example.org");
    plain.AddRecipient("admin@example.org", "Admin ");
    plain.SetSubject("[Ocuvane] status");
    plain.SetBody("Camera 1 started.\r\n..\r\n.");

    CSMTP smtp("127.0.0.1", server.Port());
    ASSERT_EQ(smtp.ConnectServer(), 1) << smtp.LastError();
    ASSERT_EQ(smtp.Send(plain), 1) << smtp.LastError();

    // Only refused recipients: the RCPT reply is not examined, the server then refuses DATA.
    CMailMessage refused;
    refused.SetFrom("camera@example.org");
    refused.AddRecipient("refuse-me@example.org");
    EXPECT_EQ(smtp.Send(refused), 0);
    EXPECT_EQ(smtp.LastError(), "503:SMTP server not ready for data");
    EXPECT_EQ(smtp.DisconnectServer(), 1) << smtp.LastError();

    auto f = test::ParseMessage(server.Message(0));
    EXPECT_EQ(f["subject"], "[Ocuvane] status");
    EXPECT_EQ(f["to"], "Admin <admin@example.org>");
    // Dot-stuffed lines restored; the data terminator adds one empty line after the body.
    EXPECT_EQ(NoCr(f["text"]), "Camera 1 started.\n..\n.\n\n");
    EXPECT_EQ(f["files"], "0");
    // The raw message carries the subject byte for byte.
    EXPECT_NE(ReadWholeFile(server.Message(0)).find("\r\nSubject: [Ocuvane] status\r\n"),
              std::string::npos);
}

class Dovecot {
public:
    Dovecot() : port_(FreePort()) {
        const std::string& d = dir_.Path();
        std::filesystem::permissions(d, std::filesystem::perms(0755));
        std::filesystem::create_directories(d + "/run");
        std::string conf =
            "protocols = pop3\nlisten = 127.0.0.1\nbase_dir = " + d + "/run\nstate_dir = " + d +
            "/run/state\nlog_path = " + d +
            "/dovecot.log\nssl = no\ndisable_plaintext_auth = no\n"
            "auth_mechanisms = plain login apop\nauth_failure_delay = 0\n"
            "mail_location = maildir:" +
            d +
            "/mail/%u\npop3_uidl_format = %08Xu%08Xv\n"
            "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " +
            d + "/users\n}\nuserdb {\n  driver = static\n  args = uid=65534 gid=65534 home=" + d +
            "/mail/%u\n}\nservice pop3-login {\n  inet_listener pop3 {\n    address = 127.0.0.1\n"
            "    port = " +
            std::to_string(port_) + "\n  }\n}\n";
        dir_.Write("dovecot.conf", conf);
        dir_.Write("users", "camuser:{PLAIN}s3cret\n");
        for (const char* sub : {"cur", "new", "tmp"})
            std::filesystem::create_directories(d + "/mail/camuser/" + sub);
    }
    // Drops a message into the mailbox (written in tmp/, then moved into new/).
    void Deliver(const std::string& name, const std::string& message) {
        std::string tmp = dir_.Write("mail/camuser/tmp/" + name, message);
        std::filesystem::rename(tmp, dir_.Path() + "/mail/camuser/new/" + name);
    }
    bool Start() {
        std::system(("chown -R 65534:65534 " + dir_.Path() + "/mail").c_str());
        process_ = std::make_unique<PeerProcess>(
            std::vector<std::string>{"dovecot", "-F", "-c", dir_.Path() + "/dovecot.conf"},
            dir_.Path() + "/stdout.log");
        return WaitListening(port_, 20);
    }
    int Port() const { return port_; }
    std::string Log() const { return ReadWholeFile(dir_.Path() + "/dovecot.log"); }
    ~Dovecot() {
        if (process_) process_->Stop();
    }

private:
    TempDir dir_;
    int port_;
    std::unique_ptr<PeerProcess> process_;
};

TEST(Pop3ServerTest, LoginCountHeaderDeleteAndWrongPassword) {
    Dovecot dovecot;
    const std::string header1 =
        "From: boss@example.org\r\nSubject: stop camera 1.\r\nTo: cam@example.org\r\n"
        "X-Note: ends with a period.\r\n";
    dovecot.Deliver("1000.a.host", header1 + "\r\nstop 1\r\n.\r\nafter dot\r\n");
    dovecot.Deliver("1001.b.host", "From: x@example.org\r\nSubject: second\r\n\r\nbody\r\n");
    ASSERT_TRUE(dovecot.Start()) << dovecot.Log();

    {
        CPop3Client pop;
        ASSERT_EQ(pop.Login("127.0.0.1", dovecot.Port(), "camuser", "s3cret"), 1)
            << pop.ReplyText() << dovecot.Log();
        EXPECT_EQ(pop.MessageCount(), 2);
        std::string header;
        ASSERT_EQ(pop.GetHeader(1, header), 1) << pop.ReplyText();
        // Read through the real terminating line, not cut at the lines ending in ".".
        EXPECT_EQ(header, header1 + "\r\n.\r\n");
        EXPECT_EQ(pop.Delete(1), 1) << pop.ReplyText();
        EXPECT_EQ(pop.Delete(7), 0);
        EXPECT_EQ(pop.Logout(), 1);
    }
    {
        CPop3Client pop;
        ASSERT_EQ(pop.Login("localhost", dovecot.Port(), "camuser", "s3cret"), 1);
        EXPECT_EQ(pop.MessageCount(), 1);  // the deletion took effect at the QUIT
        std::string header;
        ASSERT_EQ(pop.GetHeader(1, header), 1);
        EXPECT_NE(header.find("Subject: second\r\n"), std::string::npos);
        EXPECT_EQ(pop.Logout(), 1);
    }
    {
        CPop3Client pop;
        EXPECT_EQ(pop.Login("127.0.0.1", dovecot.Port(), "camuser", "wrong"), 0);
        EXPECT_EQ(pop.ReplyText(), "[AUTH] Authentication failed.");
        EXPECT_EQ(pop.MessageCount(), -1);  // not in the transaction state
        pop.Logout();
    }
    {
        char tmpl[] = "/tmp/ocv-mail-log-XXXXXX";
        std::string dir = ::mkdtemp(tmpl);
        CLogger log;
        log.SetPath(dir + "/log.txt");
        log.SetMessageBox(0);
        log.SetNotify(0);
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", dovecot.Port(), "camuser", "s3cret", log, "Live"), 1);
        EXPECT_EQ(PopBeforeSmtp("127.0.0.1", dovecot.Port(), "camuser", "bad", log, "Live"), 0);
        std::string text = ReadWholeFile(dir + "/log.txt");
        EXPECT_NE(text.find("[Live] POP3 Authorized!"), std::string::npos) << text;
        EXPECT_NE(text.find("[Live] POP3 Unauthorized! [PASSWORD]"), std::string::npos) << text;
        std::filesystem::remove_all(dir);
    }
}

}  // namespace
}  // namespace ocv
