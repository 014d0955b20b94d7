// The mail clients against real servers started on loopback: aiosmtpd keeps every message it
// receives (checked with Python's email package) and dovecot serves POP3.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "PeerProcess.h"
#include "PeerScripts.h"
#include "TestCertificate.h"
#include "foundation/Logger.h"
#include "mail/Base64.h"
#include "mail/JisText.h"
#include "mail/MIMEMessage.h"
#include "mail/MailCommandChecker.h"
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
    // With a certificate and key: "ssl = required", STLS on Port() and POP3S on TlsPort().
    explicit Dovecot(const std::string& cert = "", const std::string& key = "")
        : port_(FreePort()), tlsPort_(FreePort()) {
        const std::string& d = dir_.Path();
        std::filesystem::permissions(d, std::filesystem::perms(0755));
        std::filesystem::create_directories(d + "/run");
        std::string conf =
            "protocols = pop3\nlisten = 127.0.0.1\nbase_dir = " + d + "/run\nstate_dir = " + d +
            "/run/state\nlog_path = " + d + "/dovecot.log\n" +
            (cert.empty() ? std::string("ssl = no\n")
                          : "ssl = required\nssl_cert = <" + cert + "\nssl_key = <" + key + "\n") +
            "disable_plaintext_auth = no\n"
            "auth_mechanisms = plain login apop\nauth_failure_delay = 0\n"
            "mail_location = maildir:" +
            d +
            "/mail/%u\npop3_uidl_format = %08Xu%08Xv\n"
            "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " +
            d + "/users\n}\nuserdb {\n  driver = static\n  args = uid=65534 gid=65534 home=" + d +
            "/mail/%u\n}\nservice pop3-login {\n  inet_listener pop3 {\n    address = 127.0.0.1\n"
            "    port = " +
            std::to_string(port_) + "\n  }\n" +
            (cert.empty() ? std::string()
                          : "  inet_listener pop3s {\n    address = 127.0.0.1\n    port = " +
                                std::to_string(tlsPort_) + "\n    ssl = yes\n  }\n") +
            "}\n";
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
    int TlsPort() const { return tlsPort_; }
    std::string Log() const { return ReadWholeFile(dir_.Path() + "/dovecot.log"); }
    // Names of the messages still in the mailbox (new/ and cur/).
    size_t Count() const {
        size_t n = 0;
        for (const char* sub : {"/mail/camuser/new", "/mail/camuser/cur"})
            for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir_.Path() + sub))
                ++n;
        return n;
    }
    ~Dovecot() {
        if (process_) process_->Stop();
    }

private:
    TempDir dir_;
    int port_;
    int tlsPort_;
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

// A self-signed certificate for `name` (an IP address or a DNS name), current or expired.
struct TestCert {
    std::string cert, key;
};
TestCert MakeCert(const TempDir& dir, const std::string& file, const std::string& name,
                  bool expired = false) {
    std::string stem = dir.Path() + "/" + file;
    EXPECT_TRUE(test::MakeTestCertificate(stem, name, expired)) << stem;
    return {stem + ".pem", stem + ".key"};
}

// aiosmtpd requiring STARTTLS and AUTH (user camuser, password s3cret) on the first port, and
// TLS from the first byte with AUTH on the second; messages kept as msgN.eml. On the third port
// (TLS from the first byte) every AUTH is left unanswered.
const char* const kTlsSmtpScript = R"PY(
import asyncio, os, signal, ssl, sys
from aiosmtpd.smtp import SMTP, AuthResult
port, tport, out, cert, key = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5]
hport = int(sys.argv[6])
ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
ctx.load_cert_chain(cert, key)
def auth(server, session, envelope, mechanism, data):
    ok = data.login == b'camuser' and data.password == b's3cret'
    return AuthResult(success=ok, handled=False)
class Keep:
    async def handle_DATA(self, server, session, envelope):
        n = len([f for f in os.listdir(out) if f.endswith('.eml')])
        with open(os.path.join(out, 'msg%d.tmp' % n), 'wb') as f: f.write(envelope.content)
        os.rename(os.path.join(out, 'msg%d.tmp' % n), os.path.join(out, 'msg%d.eml' % n))
        return '250 Message accepted'
loop = asyncio.new_event_loop()
loop.run_until_complete(loop.create_server(lambda: SMTP(Keep(), hostname='smtp.test',
    tls_context=ctx, require_starttls=True, auth_required=True, authenticator=auth),
    '127.0.0.1', port))
loop.run_until_complete(loop.create_server(lambda: SMTP(Keep(), hostname='smtp.test',
    auth_required=True, auth_require_tls=False, authenticator=auth), '127.0.0.1', tport, ssl=ctx))
class Hang(Keep):
    async def handle_AUTH(self, server, session, envelope, args):
        await asyncio.sleep(3600)
loop.run_until_complete(loop.create_server(lambda: SMTP(Hang(), hostname='smtp.test',
    auth_required=True, auth_require_tls=False, authenticator=auth), '127.0.0.1', hport, ssl=ctx))
loop.add_signal_handler(signal.SIGTERM, loop.stop)
loop.run_forever()
)PY";

class TlsSmtpServer {
public:
    explicit TlsSmtpServer(const TestCert& cert)
        : port_(FreePort()), tlsPort_(FreePort()), hangPort_(FreePort()) {
        std::filesystem::create_directory(dir_.Path() + "/out");
        std::string script = dir_.Write("server.py", kTlsSmtpScript);
        process_ = std::make_unique<PeerProcess>(
            std::vector<std::string>{kPython, script, std::to_string(port_),
                                     std::to_string(tlsPort_), dir_.Path() + "/out", cert.cert,
                                     cert.key, std::to_string(hangPort_)},
            dir_.Path() + "/server.log");
        ready_ = WaitListening(port_, 20) && WaitListening(tlsPort_, 20) &&
                 WaitListening(hangPort_, 20);
    }
    bool Ready() const { return ready_; }
    int Port() const { return port_; }
    int TlsPort() const { return tlsPort_; }
    // TLS from the first byte; AUTH is never answered.
    int HangPort() const { return hangPort_; }
    std::string Message(int n) const {
        return dir_.Path() + "/out/msg" + std::to_string(n) + ".eml";
    }
    std::string Log() const { return ReadWholeFile(dir_.Path() + "/server.log"); }

private:
    TempDir dir_;
    int port_, tlsPort_, hangPort_;
    std::unique_ptr<PeerProcess> process_;
    bool ready_ = false;
};

TEST(MailTlsTest, SubmissionWithStartTlsImplicitTlsAuthAndCertificateChecks) {
    TempDir certs;
    TestCert good = MakeCert(certs, "good", "127.0.0.1");
    TestCert other = MakeCert(certs, "other", "other.example");
    TestCert expired = MakeCert(certs, "expired", "127.0.0.1", true);
    TlsSmtpServer server(good);
    TlsSmtpServer wrongName(other);
    TlsSmtpServer outOfDate(expired);
    ASSERT_TRUE(server.Ready() && wrongName.Ready() && outOfDate.Ready()) << server.Log();

    struct Case {
        const char* what;
        int port;
        MailSecurity security;
        SmtpLogin login;
        const char* error;  // "" when the mail must arrive
        const char* host = "127.0.0.1";  // the name the certificate must carry
        int receiveMs = 5000;
    };
    const SmtpLogin plain{"camuser", "s3cret", SMTP_AUTH_PLAIN};
    const Case cases[] = {
        {"STARTTLS, AUTH as offered",
         server.Port(),
         {MAIL_TLS_STARTTLS, true},
         {"camuser", "s3cret", SMTP_AUTH_OFFERED},
         ""},
        {"STARTTLS, AUTH LOGIN",
         server.Port(),
         {MAIL_TLS_STARTTLS, true},
         {"camuser", "s3cret", SMTP_AUTH_LOGIN},
         ""},
        {"implicit TLS", server.TlsPort(), {MAIL_TLS_IMPLICIT, true}, plain, ""},
        {"wrong password",
         server.Port(),
         {MAIL_TLS_STARTTLS, true},
         {"camuser", "bad", SMTP_AUTH_PLAIN},
         "AUTH failed: 535"},
        {"self-signed refused by default",
         server.Port(),
         {MAIL_TLS_STARTTLS, false},
         plain,
         "certificate verify failed: self-signed certificate"},
        {"implicit TLS, self-signed refused",
         server.TlsPort(),
         {MAIL_TLS_IMPLICIT, false},
         plain,
         "certificate verify failed: self-signed certificate"},
        {"certificate for another name",
         wrongName.Port(),
         {MAIL_TLS_STARTTLS, true},
         plain,
         "certificate verify failed: IP address mismatch"},
        {"implicit TLS, certificate for another name",
         wrongName.TlsPort(),
         {MAIL_TLS_IMPLICIT, true},
         plain,
         "certificate verify failed: IP address mismatch"},
        {"a host name the certificate does not carry",
         server.Port(),
         {MAIL_TLS_STARTTLS, true},
         plain,
         "certificate verify failed: hostname mismatch",
         "localhost"},
        {"AUTH never answered over TLS",
         server.HangPort(),
         {MAIL_TLS_IMPLICIT, true},
         plain,
         "AUTH failed: Socket Error! error code=0x274C",
         "127.0.0.1",
         300},
        {"expired certificate",
         outOfDate.Port(),
         {MAIL_TLS_STARTTLS, true},
         plain,
         "certificate verify failed: certificate has expired"},
        {"implicit TLS, expired certificate",
         outOfDate.TlsPort(),
         {MAIL_TLS_IMPLICIT, true},
         plain,
         "certificate verify failed: certificate has expired"},
        {"implicit TLS against a plain port",
         server.Port(),
         {MAIL_TLS_IMPLICIT, true},
         plain,
         "TLS handshake failed"},
        {"no TLS: AUTH refused in clear",
         server.Port(),
         {MAIL_TLS_NONE, true},
         plain,
         "AUTH failed: 530"},
    };
    int delivered = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CMailMessage m;
        m.SetFrom("camera@example.org");
        m.AddRecipient("admin@example.org");
        m.SetSubject(c.what);
        m.SetBody("through TLS");
        CSMTP smtp(c.host, c.port);
        smtp.SetSecurity(c.security);
        smtp.SetLogin(c.login);
        smtp.SetTimeouts(5000, 5000, c.receiveMs);
        int ok = smtp.ConnectServer() && smtp.Send(m);
        std::string error = smtp.LastError();
        smtp.DisconnectServer();
        if (*c.error == '\0') {
            ASSERT_EQ(ok, 1) << error << server.Log();
            auto f = test::ParseMessage(server.Message(delivered++));
            EXPECT_EQ(f["subject"], c.what);
        } else {
            EXPECT_EQ(ok, 0);
            EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(server.Message(delivered)));
}

TEST(MailTlsTest, Pop3sAndStlsWithSslRequired) {
    TempDir certs;
    TestCert good = MakeCert(certs, "good", "127.0.0.1");
    TestCert other = MakeCert(certs, "other", "other.example");
    TestCert expired = MakeCert(certs, "expired", "127.0.0.1", true);
    Dovecot dovecot(good.cert, good.key);
    Dovecot wrongName(other.cert, other.key);
    Dovecot outOfDate(expired.cert, expired.key);
    dovecot.Deliver("1.a.host", "From: <a@b>\r\nSubject: one\r\n\r\nx\r\n");
    for (Dovecot* d : {&dovecot, &wrongName, &outOfDate})
        ASSERT_TRUE(d->Start() && WaitListening(d->TlsPort(), 20)) << d->Log();
    struct Case {
        const char* what;
        int port;
        MailSecurity security;
        const char* reply;  // "" when the login must succeed
    };
    const MailSecurity implicit{MAIL_TLS_IMPLICIT, true}, stls{MAIL_TLS_STARTTLS, true};
    const Case cases[] = {
        {"POP3S", dovecot.TlsPort(), implicit, ""},
        {"STLS", dovecot.Port(), stls, ""},
        {"POP3S, self-signed refused", dovecot.TlsPort(), {MAIL_TLS_IMPLICIT, false},
         "certificate verify failed: self-signed certificate"},
        {"STLS, self-signed refused", dovecot.Port(), {MAIL_TLS_STARTTLS, false},
         "certificate verify failed: self-signed certificate"},
        {"POP3S, certificate for another name", wrongName.TlsPort(), implicit,
         "certificate verify failed: IP address mismatch"},
        {"STLS, certificate for another name", wrongName.Port(), stls,
         "certificate verify failed: IP address mismatch"},
        {"POP3S, expired certificate", outOfDate.TlsPort(), implicit,
         "certificate verify failed: certificate has expired"},
        {"STLS, expired certificate", outOfDate.Port(), stls,
         "certificate verify failed: certificate has expired"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CPop3Client pop;
        pop.SetSecurity(c.security);
        const int ok = *c.reply == '\0';
        EXPECT_EQ(pop.Login("127.0.0.1", c.port, "camuser", "s3cret"), ok) << pop.ReplyText();
        if (ok) {
            EXPECT_EQ(pop.MessageCount(), 1);
        } else {
            EXPECT_EQ(pop.ReplyText(), c.reply);
            EXPECT_FALSE(pop.Usable()) << "nothing more is sent on a refused connection";
        }
        pop.Logout();
    }
    // The refused servers never saw a login; the good one logs each.
    EXPECT_NE(dovecot.Log().find("user=<camuser>"), std::string::npos) << dovecot.Log();
    for (Dovecot* d : {&wrongName, &outOfDate})
        EXPECT_EQ(d->Log().find("user=<camuser>"), std::string::npos) << d->Log();
}

// The owner side as the checker sees it: records each command and answers with a result and
// the web settings the test chose per camera.
class RecordingHost : public IMailCommandHost {
public:
    MailCommandOutcome ExecuteMailCommand(const std::string& word, int cameraNo,
                                          const std::shared_ptr<NamedEvent>&) override {
        commands.push_back(word + " " + std::to_string(cameraNo));
        MailCommandOutcome o;
        o.result = cameraNo == 1 || cameraNo == 2 ? 0 : 1;
        if (cameraNo == 2) o.web = {true, true, true, 8080};
        return o;
    }
    std::string ExternalAddress(const std::shared_ptr<NamedEvent>&) override { return address; }
    std::vector<std::string> commands;
    std::string address = "192.0.3.2";
};

TEST(MailCommandCheckerTest, PollExecutesDeletesAndRepliesOverTls) {
    TempDir certs;
    TestCert good = MakeCert(certs, "good", "127.0.0.1");
    Dovecot dovecot(good.cert, good.key);
    TlsSmtpServer smtp(good);
    auto mail = [&](const std::string& name, const std::string& from, const std::string& subject) {
        dovecot.Deliver(name, "From: " + from + "\r\nSubject: " + subject + "\r\n\r\nbody\r\n");
    };
    mail("1.a", "Boss <boss@example.org>", "ovn start 2");
    mail("2.a", "<boss@example.org>", "OVN start");     // no command: stays
    mail("3.a", "<intruder@example.org>", "ovn stop");  // sender refused: stays
    mail("4.a", "<boss@example.org>", "ovn Snap 9");    // invalid camera: error reply
    mail("5.a", "<boss@example.org>", "ovn start 1099511627776");
    mail("6.a", "boss@example.org", "ovn rec");                          // no brackets, refused
    mail("7.a", "<boss@example.org>", "x " + std::string(700000, 'h'));  // huge header
    mail("8.a", "<boss@example.org>", "ovn reconnect");
    ASSERT_TRUE(dovecot.Start() && smtp.Ready()) << dovecot.Log() << smtp.Log();

    SystemInfo s;
    s.enableSenderCheck = 1;
    s.fromAddress = "boss@example.org";
    s.enableReply = 1;
    s.pop3Address = "127.0.0.1";
    s.pop3Port = dovecot.TlsPort();
    s.pop3Security = MAIL_TLS_IMPLICIT;
    s.pop3User = "camuser";
    s.pop3Password = "s3cret";
    s.smtpAddress = "127.0.0.1";
    s.smtpPort = smtp.Port();
    s.smtpSecurity = MAIL_TLS_STARTTLS;
    s.smtpUser = "camuser";
    s.smtpPassword = "s3cret";
    s.acceptSelfSignedCertificate = 1;
    s.mailAddress = "camera@example.org";
    RecordingHost host;
    CLogger log;
    TempDir logDir;
    log.SetPath(logDir.Path() + "/log.txt");
    log.SetDebug(1);
    log.SetMessageBox(0);
    log.SetNotify(0);
    auto stop = NamedEvent::Create("");
    PollMailCommands(s, host, log, stop);

    EXPECT_EQ(host.commands,
              (std::vector<std::string>{"start 2", "Snap 9", "start 2147483647", "reconnect 1"}));
    EXPECT_EQ(dovecot.Count(), 4u);  // the capital OVN, the refused senders, the huge header
    std::vector<std::string> subjects, bodies;
    for (int i = 0; std::filesystem::exists(smtp.Message(i)); ++i) {
        auto f = test::ParseMessage(smtp.Message(i));
        subjects.push_back(f["subject"]);
        bodies.push_back(NoCr(f["text"]));
        EXPECT_EQ(f["to"], "boss@example.org");
        EXPECT_EQ(f["from"], "camera@example.org");
    }
    EXPECT_EQ(subjects,
              (std::vector<std::string>{"Re: ovn start [ok]", "Re: ovn Snap [error]",
                                        "Re: ovn start [error]", "Re: ovn reconnect [ok]"}));
    ASSERT_EQ(bodies.size(), 4u);
    EXPECT_EQ(bodies[0], "http://192.0.3.2:8080/\nhttp://192.0.3.2:8080/i\n\n");
    EXPECT_EQ(bodies[3], "\n\n");  // empty body: only the line ends the message adds
    std::string text = ReadWholeFile(logDir.Path() + "/log.txt");
    EXPECT_NE(text.find("受信したOVNコマンドは許可された送信者からのものではありません。[intruder@"
                        "example.org]"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Received mail count=8..."), std::string::npos) << text;

    // Without the external address the body says so; a hostile POP3 server is only logged.
    host.address = "";
    EXPECT_EQ(MailCommandReplyBody("start", host.ExecuteMailCommand("start", 2, stop), host, stop),
              "Can't get external address!");
    EXPECT_EQ(MailCommandReplyBody("Start", host.ExecuteMailCommand("Start", 2, stop), host, stop),
              "");
}

}  // namespace
}  // namespace ocv
