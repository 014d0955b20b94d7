// The mail clients against real servers started on loopback, once for the suite: aiosmtpd
// keeps every message it receives (checked with Python's email package) and dovecot serves
// POP3, POP3S and STLS.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <random>

#include "MailTestKit.h"
#include "PeerScripts.h"
#include "TestCertificate.h"
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
using test::TempDir;
using test::WaitListening;

std::string NoCr(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '\r') out += c;
    return out;
}

struct TestCert {
    std::string cert, key;
};

// aiosmtpd (kSmtpSinkScript): plain on port 0; with a certificate STARTTLS on port 1, TLS from
// the first byte on port 2, and on port 3 TLS with every AUTH left unanswered.
class SmtpSink {
public:
    explicit SmtpSink(const TestCert* tls = nullptr) {
        for (int& p : ports_) p = FreePort();
        std::filesystem::create_directory(dir_.Path() + "/out");
        std::vector<std::string> argv{"/usr/bin/python3",
                                      dir_.Write("server.py", test::kSmtpSinkScript),
                                      std::to_string(ports_[0]), dir_.Path() + "/out"};
        if (tls != nullptr)
            argv.insert(argv.end(), {tls->cert, tls->key, std::to_string(ports_[1]),
                                     std::to_string(ports_[2]), std::to_string(ports_[3])});
        process_ = std::make_unique<PeerProcess>(argv, dir_.Path() + "/server.log");
        for (size_t i = 0; i < (tls != nullptr ? 4 : 1); ++i)
            ready_ = (i == 0 || ready_) && WaitListening(ports_[i], 20);
    }
    bool Ready() const { return ready_; }
    int Port(int n = 0) const { return ports_[n]; }
    std::string Message(int n) const {
        return dir_.Path() + "/out/msg" + std::to_string(n) + ".eml";
    }
    int Count() const {
        int n = 0;
        while (std::filesystem::exists(Message(n))) ++n;
        return n;
    }
    std::string Recipients(int n) const {
        return ReadWholeFile(dir_.Path() + "/out/msg" + std::to_string(n) + ".rcpt");
    }
    std::string Log() const { return ReadWholeFile(dir_.Path() + "/server.log"); }

private:
    TempDir dir_;
    int ports_[4];
    std::unique_ptr<PeerProcess> process_;
    bool ready_ = false;
};

// dovecot with POP3 (STLS offered, plain login allowed) and POP3S; every user's password is
// "s3cret" and each has a maildir of its own. Failed logins slow no later one down.
class Dovecot {
public:
    Dovecot(const TestCert& tls, const std::vector<std::string>& users)
        : port_(FreePort()), tlsPort_(FreePort()) {
        std::string conf = R"(protocols = pop3
listen = 127.0.0.1
base_dir = @/run
state_dir = @/run/state
log_path = @/dovecot.log
ssl = yes
ssl_cert = <CERT
ssl_key = <KEY
disable_plaintext_auth = no
auth_mechanisms = plain login
auth_failure_delay = 0
mail_location = maildir:@/mail/%u
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u @/users
}
userdb {
  driver = static
  args = uid=65534 gid=65534 home=@/mail/%u
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = PORT
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = TLSPORT
    ssl = yes
  }
}
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
)";
        for (auto [from, to] :
             {std::pair<std::string, std::string>{"TLSPORT", std::to_string(tlsPort_)},
              {"PORT", std::to_string(port_)},
              {"CERT", tls.cert},
              {"KEY", tls.key},
              {"@", dir_.Path()}})
            for (size_t at; (at = conf.find(from)) != std::string::npos;)
                conf.replace(at, from.size(), to);
        std::filesystem::permissions(dir_.Path(), std::filesystem::perms(0755));
        std::filesystem::create_directories(dir_.Path() + "/run");
        dir_.Write("dovecot.conf", conf);
        std::string passwords;
        for (const std::string& user : users) {
            passwords += user + ":{PLAIN}s3cret\n";
            for (const char* sub : {"cur", "new", "tmp"})
                std::filesystem::create_directories(Mailbox(user) + sub);
        }
        dir_.Write("users", passwords);
        std::system(("chown -R 65534:65534 " + dir_.Path() + "/mail").c_str());
        process_ = std::make_unique<PeerProcess>(
            std::vector<std::string>{"dovecot", "-F", "-c", dir_.Path() + "/dovecot.conf"},
            dir_.Path() + "/stdout.log");
        ready_ = WaitListening(port_, 20) && WaitListening(tlsPort_, 20);
    }
    bool Ready() const { return ready_; }
    int Port() const { return port_; }
    int TlsPort() const { return tlsPort_; }
    std::string Log() const { return ReadWholeFile(dir_.Path() + "/dovecot.log"); }
    // Drops a message into the user's mailbox (written in tmp/, then moved into new/).
    void Deliver(const std::string& user, const std::string& name, const std::string& message) {
        std::string tmp = dir_.Write("mail/" + user + "/tmp/" + name, message);
        std::filesystem::rename(tmp, Mailbox(user) + "new/" + name);
    }
    // The messages still in the user's mailbox (new/ and cur/).
    size_t Count(const std::string& user) const {
        size_t n = 0;
        for (const char* sub : {"new", "cur"})
            for ([[maybe_unused]] auto& e :
                 std::filesystem::directory_iterator(Mailbox(user) + sub))
                ++n;
        return n;
    }

private:
    std::string Mailbox(const std::string& user) const {
        return dir_.Path() + "/mail/" + user + "/";
    }
    TempDir dir_;
    int port_, tlsPort_;
    std::unique_ptr<PeerProcess> process_;
    bool ready_ = false;
};

// The servers of the suite, with certificates for 127.0.0.1, for another name and out of date.
struct Peers {
    TempDir certs;
    TestCert good = Make("good", "127.0.0.1"), other = Make("other", "other.example"),
             expired = Make("expired", "127.0.0.1", true);
    SmtpSink smtp{&good}, wrongName{&other}, outOfDate{&expired};
    Dovecot dovecot{good, {"camuser", "tlsuser", "checker"}};

    TestCert Make(const std::string& file, const std::string& name, bool old = false) {
        std::string stem = certs.Path() + "/" + file;
        EXPECT_TRUE(test::MakeTestCertificate(stem, name, old)) << stem;
        return {stem + ".pem", stem + ".key"};
    }
};

class MailServers : public testing::Test {
protected:
    static void SetUpTestSuite() { peers_ = new Peers; }
    static void TearDownTestSuite() { delete peers_; }
    void SetUp() override {
        for (const SmtpSink* s : {&peers_->smtp, &peers_->wrongName, &peers_->outOfDate})
            ASSERT_TRUE(s->Ready()) << s->Log();
        ASSERT_TRUE(peers_->dovecot.Ready()) << peers_->dovecot.Log();
    }
    static inline Peers* peers_ = nullptr;
};

TEST_F(MailServers, PictureMailAndPlainMailArriveIntact) {
    SmtpSink& server = peers_->smtp;
    const int first = server.Count();
    std::mt19937 rng(99);
    std::string picture(54 * 40 + 17, '\0');
    for (char& c : picture) c = static_cast<char>(rng());
    TempDir files;
    std::string path = files.Write("20240305090703-001.jpg", picture);

    const std::string subject = "【カメラ1】動きを検知しました";
    const std::string body =
        "カメラ1で動きを検知しました。\r\n.\r\n.hidden line\r\n日付: 2024年3月5日 9時7分3秒\r\n"
        "Plain ASCII line with words enough to be wrapped somewhere after the seventy-sixth "
        "column of text.";
    std::string jisSubject = subject, jisBody = body;
    ASSERT_TRUE(ToJisText(jisSubject) && ToJisText(jisBody));
    CMIMEMessage m;
    m.SetFrom("camera@example.org");
    m.AddRecipientList("one@example.org;Refused <refuse@example.org>;Two <two@example.org>");
    m.AddRecipient("copy@example.org", "", CMailMessage::CC);
    m.SetSubject(jisSubject);
    m.SetBody(jisBody);
    m.AddPart(path, CMIMEMessage::APPLICATION_OCTETSTREAM, "", 0, true);

    // Only refused recipients: the RCPT reply is not examined, the server then refuses DATA.
    CMailMessage refused;
    refused.SetFrom("camera@example.org");
    refused.AddRecipient("refuse-me@example.org");

    CSMTP smtp("127.0.0.1", server.Port());
    ASSERT_EQ(smtp.ConnectServer(), 1) << smtp.LastError();
    ASSERT_EQ(smtp.Send(m), 1) << smtp.LastError();
    EXPECT_EQ(smtp.Send(refused), 0);
    EXPECT_EQ(smtp.LastError(), "503:SMTP server not ready for data");
    EXPECT_EQ(smtp.DisconnectServer(), 1) << smtp.LastError();
    ASSERT_EQ(server.Count(), first + 1);

    EXPECT_EQ(server.Recipients(first),
              "camera@example.org\none@example.org\ntwo@example.org\ncopy@example.org\n");
    auto f = test::ParseMessage(server.Message(first));
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
    auto squash = [](std::string s) {
        std::erase_if(s, [](char c) { return c == ' ' || c == '\r' || c == '\n'; });
        return s;
    };
    EXPECT_EQ(squash(text), squash(body));
    EXPECT_EQ(f["files"], "1");
    EXPECT_EQ(f["file0-name"], "20240305090703-001.jpg");
    EXPECT_EQ(f["file0"], picture);
    EXPECT_EQ(f["defects"], "");

    // The raw message carries the ASCII fields byte for byte.
    EXPECT_NE(ReadWholeFile(server.Message(first)).find("\r\nX-Mailer: Ocuvane Mailer\r\n"),
              std::string::npos);
}

TEST_F(MailServers, Pop3LoginCountHeaderDeleteAndWrongPassword) {
    Dovecot& dovecot = peers_->dovecot;
    const std::string header1 =
        "From: boss@example.org\r\nSubject: stop camera 1.\r\nTo: cam@example.org\r\n"
        "X-Note: ends with a period.\r\n";
    dovecot.Deliver("camuser", "1000.a.host", header1 + "\r\nstop 1\r\n.\r\nafter dot\r\n");
    dovecot.Deliver("camuser", "1001.b.host",
                    "From: x@example.org\r\nSubject: second\r\n\r\nx\r\n");
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
    CPop3Client pop;
    EXPECT_EQ(pop.Login("127.0.0.1", dovecot.Port(), "camuser", "wrong"), 0);
    EXPECT_EQ(pop.ReplyText(), "[AUTH] Authentication failed.");
    EXPECT_EQ(pop.MessageCount(), -1);  // not in the transaction state

    test::LogFile log;
    EXPECT_EQ(PopBeforeSmtp("127.0.0.1", dovecot.Port(), "camuser", "s3cret", log.log, "Live"), 1);
    EXPECT_EQ(PopBeforeSmtp("127.0.0.1", dovecot.Port(), "camuser", "bad", log.log, "Live"), 0);
    EXPECT_TRUE(log.Has("[Live] POP3 Authorized!")) << log.Text();
    EXPECT_TRUE(log.Has("[Live] POP3 Unauthorized! [PASSWORD]")) << log.Text();
}

TEST_F(MailServers, SubmissionWithStartTlsImplicitTlsAuthAndCertificateChecks) {
    const SmtpSink &server = peers_->smtp, &other = peers_->wrongName, &old = peers_->outOfDate;
    const MailSecurity implicit{MAIL_TLS_IMPLICIT, true};
    const SmtpLogin offered{"camuser", "s3cret", SMTP_AUTH_OFFERED};
    struct Case {
        const char* what;
        int port;
        const char* error;  // "" when the mail must arrive
        MailSecurity security{MAIL_TLS_STARTTLS, true};
        SmtpLogin login{"camuser", "s3cret", SMTP_AUTH_PLAIN};
        const char* host = "127.0.0.1";  // the name the certificate must carry
    };
    const char* selfSigned = "certificate verify failed: self-signed certificate";
    const Case cases[] = {
        {"STARTTLS, AUTH as offered", server.Port(1), "", {MAIL_TLS_STARTTLS, true}, offered},
        {"STARTTLS, AUTH LOGIN",
         server.Port(1),
         "",
         {MAIL_TLS_STARTTLS, true},
         {"camuser", "s3cret", SMTP_AUTH_LOGIN}},
        {"implicit TLS", server.Port(2), "", implicit},
        {"wrong password",
         server.Port(1),
         "AUTH failed: 535",
         {MAIL_TLS_STARTTLS, true},
         {"camuser", "bad", SMTP_AUTH_PLAIN}},
        {"self-signed refused by default", server.Port(1), selfSigned, {MAIL_TLS_STARTTLS, false}},
        {"implicit TLS, self-signed refused",
         server.Port(2),
         selfSigned,
         {MAIL_TLS_IMPLICIT, false}},
        {"certificate for another name", other.Port(1),
         "certificate verify failed: IP address mismatch"},
        {"a host name the certificate does not carry",
         server.Port(1),
         "certificate verify failed: hostname mismatch",
         {MAIL_TLS_STARTTLS, true},
         offered,
         "localhost"},
        {"expired certificate", old.Port(1), "certificate verify failed: certificate has expired"},
        {"no TLS: AUTH refused in clear",
         server.Port(1),
         "AUTH failed: 530",
         {MAIL_TLS_NONE, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = server.Count();
        CMailMessage m;
        m.SetFrom("camera@example.org");
        m.AddRecipient("admin@example.org");
        m.SetSubject(c.what);
        m.SetBody("through TLS");
        CSMTP smtp(c.host, c.port);
        smtp.SetSecurity(c.security);
        smtp.SetLogin(c.login);
        smtp.SetTimeouts(5000, 5000, 5000);
        int ok = smtp.ConnectServer() && smtp.Send(m);
        std::string error = smtp.LastError();
        smtp.DisconnectServer();
        if (*c.error == '\0') {
            ASSERT_EQ(ok, 1) << error << server.Log();
            ASSERT_EQ(server.Count(), before + 1);
            EXPECT_EQ(test::ParseMessage(server.Message(before))["subject"], c.what);
        } else {
            EXPECT_EQ(ok, 0);
            EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
            EXPECT_EQ(server.Count(), before);
        }
    }
}

// POP3S is met by the command poll below; here STLS, and a certificate check that refuses.
TEST_F(MailServers, Pop3WithStls) {
    Dovecot& dovecot = peers_->dovecot;
    dovecot.Deliver("tlsuser", "1.a.host", "From: <a@b>\r\nSubject: one\r\n\r\nx\r\n");
    for (bool selfSigned : {true, false}) {
        CPop3Client pop;
        pop.SetSecurity({MAIL_TLS_STARTTLS, selfSigned});
        EXPECT_EQ(pop.Login("127.0.0.1", dovecot.Port(), "tlsuser", "s3cret"), selfSigned)
            << pop.ReplyText();
        if (selfSigned)
            EXPECT_EQ(pop.MessageCount(), 1);
        else
            EXPECT_EQ(pop.ReplyText(), "certificate verify failed: self-signed certificate");
    }
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

TEST_F(MailServers, MailCommandPollExecutesDeletesAndRepliesOverTls) {
    Dovecot& dovecot = peers_->dovecot;
    SmtpSink& smtp = peers_->smtp;
    auto mail = [&](const std::string& name, const std::string& from, const std::string& subject) {
        dovecot.Deliver("checker", name,
                        "From: " + from + "\r\nSubject: " + subject + "\r\n\r\nbody\r\n");
    };
    mail("1.a", "Boss <boss@example.org>", "ovn start 2");
    mail("2.a", "<boss@example.org>", "OVN start");     // no command: stays
    mail("3.a", "<intruder@example.org>", "ovn stop");  // sender refused: stays
    mail("4.a", "<boss@example.org>", "ovn Snap 9");    // invalid camera: error reply
    mail("5.a", "<boss@example.org>", "ovn start 1099511627776");
    mail("6.a", "boss@example.org", "ovn rec");                          // no brackets, refused
    mail("7.a", "<boss@example.org>", "x " + std::string(700000, 'h'));  // huge header
    mail("8.a", "<boss@example.org>", "ovn reconnect");

    SystemInfo s;
    s.enableSenderCheck = 1;
    s.fromAddress = "boss@example.org";
    s.enableReply = 1;
    s.pop3Address = s.smtpAddress = "127.0.0.1";
    s.pop3Port = dovecot.TlsPort();
    s.pop3Security = MAIL_TLS_IMPLICIT;
    s.pop3User = "checker";
    s.pop3Password = "s3cret";
    s.smtpPort = smtp.Port(1);
    s.smtpSecurity = MAIL_TLS_STARTTLS;
    s.smtpUser = "camuser";
    s.smtpPassword = "s3cret";
    s.acceptSelfSignedCertificate = 1;
    s.mailAddress = "camera@example.org";
    RecordingHost host;
    test::LogFile log;
    log.log.SetDebug(1);
    auto stop = NamedEvent::Create("");
    const int first = smtp.Count();
    PollMailCommands(s, host, log.log, stop);

    EXPECT_EQ(host.commands,
              (std::vector<std::string>{"start 2", "Snap 9", "start 2147483647", "reconnect 1"}));
    EXPECT_EQ(dovecot.Count("checker"), 4u);  // the capital OVN, the refused senders, the huge one
    std::vector<std::string> subjects, bodies;
    for (int i = first; i < smtp.Count(); ++i) {
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
    EXPECT_TRUE(
        log.Has("受信したOVNコマンドは許可された送信者からのものではありません。[intruder@"
                "example.org]"))
        << log.Text();
    EXPECT_TRUE(log.Has("Received mail count=8...")) << log.Text();

    // Without the external address the body says so.
    host.address = "";
    EXPECT_EQ(MailCommandReplyBody("start", host.ExecuteMailCommand("start", 2, stop), host, stop),
              "Can't get external address!");
    EXPECT_EQ(MailCommandReplyBody("Start", host.ExecuteMailCommand("Start", 2, stop), host, stop),
              "");
}

}  // namespace
}  // namespace ocv
