// The mail clients against real servers started on loopback, once for the suite: aiosmtpd keeps
// every message it receives (checked with Python's email package), dovecot serves POP3 with STLS
// and POP3S.
#include <gtest/gtest.h>

#include <filesystem>

#include "MailTestKit.h"
#include "PeerScripts.h"
#include "TestCertificate.h"
#include "mail/MailCommandChecker.h"
#include "mail/PopBeforeSmtp.h"
#include "mail/SMTP.h"

namespace ocv {
namespace {

using test::FreePort;
using test::PeerProcess;
using test::ReadWholeFile;
using test::SmtpSink;
using test::TempDir;
using test::WaitListening;

std::string NoCr(std::string s) {
    std::erase(s, '\r');
    return s;
}

// dovecot with POP3 (STLS offered, plain login allowed) and POP3S for the user "checker" (password
// "s3cret"). Failed logins slow no later one down.
struct Dovecot {
    explicit Dovecot(const std::string& stem) {
        // "@" stands for the directory, "STEM" for the certificate files' stem, "PORT" and "TLSP"
        // for the ports.
        std::string conf =
            "protocols = pop3\nlisten = 127.0.0.1\nbase_dir = @/run\nstate_dir = @/run/state\n"
            "log_path = @/dovecot.log\nssl = yes\nssl_cert = <STEM.pem\nssl_key = <STEM.key\n"
            "disable_plaintext_auth = no\nauth_mechanisms = plain login\nauth_failure_delay = 0\n"
            "mail_location = maildir:@/mail/%u\npassdb {\n driver = passwd-file\n"
            " args = scheme=PLAIN username_format=%u @/users\n}\nuserdb {\n driver = static\n"
            " args = uid=65534 gid=65534 home=@/mail/%u\n}\nservice pop3-login {\n"
            " inet_listener pop3 {\n  address = 127.0.0.1\n  port = PORT\n }\n"
            " inet_listener pop3s {\n  address = 127.0.0.1\n  port = TLSP\n  ssl = yes\n }\n}\n"
            "service anvil {\n unix_listener anvil-auth-penalty {\n  mode = 0\n }\n}\n";
        const std::pair<std::string, std::string> fill[] = {
            {"TLSP", std::to_string(tlsPort)}, {"PORT", std::to_string(port)}, {"STEM", stem},
            {"@", dir.Path()}};
        for (const auto& [from, to] : fill)
            for (size_t at; (at = conf.find(from)) != std::string::npos;)
                conf.replace(at, from.size(), to);
        std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
        std::filesystem::create_directories(dir.Path() + "/run");
        dir.Write("dovecot.conf", conf);
        for (const char* sub : {"cur", "new", "tmp"})
            std::filesystem::create_directories(dir.File("mail/checker/") + sub);
        dir.Write("users", "checker:{PLAIN}s3cret\n");
        test::RunCapture("chown -R 65534:65534 '" + dir.Path() + "/mail'");
        process = std::make_unique<PeerProcess>(
            std::vector<std::string>{"dovecot", "-F", "-c", dir.File("dovecot.conf")},
            dir.File("stdout.log"));
        ready = WaitListening(port, 20) && WaitListening(tlsPort, 20);
    }
    std::string Log() const { return ReadWholeFile(dir.File("dovecot.log")); }
    // Drops a message into the user's mailbox (written in tmp/, then moved into new/).
    void Deliver(const std::string& name, const std::string& message) {
        std::filesystem::rename(dir.Write("mail/checker/tmp/" + name, message),
                                dir.File("mail/checker/new/" + name));
    }
    TempDir dir;
    int port = FreePort(), tlsPort = FreePort();
    std::unique_ptr<PeerProcess> process;
    bool ready = false;
};

// The servers of the suite, with certificates for 127.0.0.1, for another name and out of date
// (met on the SMTP sink's STARTTLS ports 3 and 5).
struct Peers {
    TempDir certs;
    std::string good = Make("good", "127.0.0.1"), other = Make("other", "other.example"),
                expired = Make("expired", "127.0.0.1", true);
    SmtpSink smtp{{good, other, expired}};
    Dovecot dovecot{good};

    std::string Make(const std::string& file, const std::string& name, bool old = false) {
        std::string stem = certs.Path() + "/" + file;
        EXPECT_TRUE(test::MakeTestCertificate(stem, name, old)) << stem;
        return stem;
    }
};

class MailServers : public testing::Test {
protected:
    static void SetUpTestSuite() { peers_ = new Peers; }
    static void TearDownTestSuite() { delete peers_; }
    void SetUp() override {
        ASSERT_TRUE(peers_->smtp.Ready()) << peers_->smtp.Log();
        ASSERT_TRUE(peers_->dovecot.ready) << peers_->dovecot.Log();
    }
    static inline Peers* peers_ = nullptr;
};

// Each mail has a refused recipient (the envelope goes on without it), a blind copy and lines
// that start with "." (dot-stuffed on the way, unstuffed by the server).
TEST_F(MailServers, SubmissionPlainWithStartTlsImplicitTlsAuthAndCertificateChecks) {
    const SmtpSink& server = peers_->smtp;
    const MailSecurity stls{MAIL_TLS_STARTTLS, true}, implicit{MAIL_TLS_IMPLICIT, true};
    const MailSecurity strict{MAIL_TLS_STARTTLS, false}, strictImplicit{MAIL_TLS_IMPLICIT, false};
    const SmtpLogin offered{"camuser", "s3cret"}, login{"camuser", "s3cret", SMTP_AUTH_LOGIN},
        bad{"camuser", "bad", SMTP_AUTH_PLAIN};
    const char* selfSigned = "certificate verify failed: self-signed certificate";
    const int tls = server.Port(1);
    const struct Case {
        const char* what;
        int port;
        const char* error;  // "" when the mail must arrive
        MailSecurity security = {MAIL_TLS_STARTTLS, true};
        SmtpLogin login = {"camuser", "s3cret", SMTP_AUTH_PLAIN};
        const char* host = "127.0.0.1";  // the name the certificate must carry
    } cases[] = {
        {"plain, no AUTH", server.Port(0), "", {}, {}},
        {"STARTTLS, AUTH as offered", tls, "", stls, offered},
        {"STARTTLS, AUTH LOGIN", tls, "", stls, login},
        {"implicit TLS", server.Port(2), "", implicit},
        {"wrong password", tls, "AUTH failed: 535", stls, bad},
        {"self-signed refused by default", tls, selfSigned, strict},
        {"implicit TLS, self-signed refused", server.Port(2), selfSigned, strictImplicit},
        {"certificate for another name", server.Port(3),
         "certificate verify failed: IP address mismatch"},
        {"a host name the certificate does not carry", tls,
         "certificate verify failed: hostname mismatch", stls, offered, "localhost"},
        {"expired certificate", server.Port(5),
         "certificate verify failed: certificate has expired"},
        {"no TLS: AUTH refused in clear", tls, "AUTH failed: 530", {MAIL_TLS_NONE, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = server.Count();
        CMailMessage m;
        m.SetFrom("camera@example.org"), m.SetSubject(c.what);
        m.AddRecipientList("admin@example.org;Refused <refuse@example.org>");
        m.AddRecipient("blind@example.org", "", CMailMessage::BCC);
        m.SetBody(".\r\n.hidden line\r\nplain");
        CSMTP smtp(c.host, c.port);
        smtp.SetSecurity(c.security), smtp.SetLogin(c.login);
        smtp.SetTimeouts(5000, 5000, 5000);
        int ok = smtp.ConnectServer() && smtp.Send(m);
        std::string error = smtp.LastError();
        EXPECT_EQ(smtp.DisconnectServer(), 1);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error << server.Log();
        EXPECT_EQ(ok, *c.error == '\0');
        ASSERT_EQ(server.Count(), before + ok);
        if (!ok) continue;
        auto f = test::ParseMessage(server.Message(before));
        EXPECT_EQ(f["subject"], c.what);
        EXPECT_EQ(NoCr(f["text"]), ".\n.hidden line\nplain\n\n");
        EXPECT_EQ(server.Envelope(before),
                  "camera@example.org\nadmin@example.org\nblind@example.org\n");
        EXPECT_EQ(ReadWholeFile(server.Message(before)).find("blind"), std::string::npos);
    }
}

// A poll over POP3S with the replies sent over STARTTLS, a second one over STLS, and the
// POP-before-SMTP login. Every header has a line ending in "." before the subject: read through
// the real terminating line, not cut there.
TEST_F(MailServers, MailCommandPollsOverPop3sAndStlsRepliesOverStartTls) {
    Dovecot& dovecot = peers_->dovecot;
    SmtpSink& smtp = peers_->smtp;
    const std::pair<const char*, std::string> mails[] = {
        {"Boss <boss@example.org>", "ovn start 2"},
        {"<boss@example.org>", "OVN start"},     // no command: stays
        {"<intruder@example.org>", "ovn stop"},  // sender refused: stays
        {"<boss@example.org>", "ovn Snap 9"},    // invalid camera: error reply
        {"<boss@example.org>", "ovn reconnect"}};
    int n = 0;
    for (const auto& [from, subject] : mails)
        dovecot.Deliver(std::to_string(++n) + ".a",
                        "From: " + std::string(from) +
                            "\r\nX-Note: ends with a period.\r\nSubject: " + subject +
                            "\r\n\r\nbody\r\n");
    SystemInfo s;
    s.enableSenderCheck = s.enableReply = s.acceptSelfSignedCertificate = 1;
    s.fromAddress = "boss@example.org", s.mailAddress = "camera@example.org";
    s.pop3Address = s.smtpAddress = "127.0.0.1";
    s.pop3Port = dovecot.tlsPort, s.pop3Security = MAIL_TLS_IMPLICIT;
    s.smtpPort = smtp.Port(1), s.smtpSecurity = MAIL_TLS_STARTTLS;
    s.pop3User = "checker", s.smtpUser = "camuser";
    s.pop3Password = s.smtpPassword = "s3cret";
    test::RecordingHost host;
    test::LogFile log;
    log.log.SetDebug(1);
    auto stop = NamedEvent::Create("");
    const int first = smtp.Count();
    PollMailCommands(s, host, log.log, stop);

    EXPECT_EQ(host.commands, (std::vector<std::string>{"start 2", "Snap 9", "reconnect 1"}));
    std::vector<std::string> subjects, bodies;
    for (int i = first; i < smtp.Count(); ++i) {
        auto f = test::ParseMessage(smtp.Message(i));
        subjects.push_back(f["subject"]);
        bodies.push_back(NoCr(f["text"]));
        EXPECT_EQ(f["to"], "boss@example.org");
        EXPECT_EQ(f["from"], "camera@example.org");
    }
    EXPECT_EQ(subjects, (std::vector<std::string>{"Re: ovn start [ok]", "Re: ovn Snap [error]",
                                                  "Re: ovn reconnect [ok]"}));
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(bodies[0], "http://192.0.3.2:8080/\nhttp://192.0.3.2:8080/i\n\n");
    EXPECT_EQ(bodies[2], "\n\n");  // empty body: only the line ends the message adds
    EXPECT_TRUE(
        log.Has("受信したOVNコマンドは許可された送信者からのものではありません。[intruder@"
                "example.org]"))
        << log.Text();
    EXPECT_TRUE(log.Has("Received mail count=5...")) << log.Text();
    // The second poll finds the two that stayed (the capital OVN and the refused sender) and
    // runs nothing.
    s.pop3Port = dovecot.port, s.pop3Security = MAIL_TLS_STARTTLS;
    PollMailCommands(s, host, log.log, stop);
    EXPECT_EQ(host.commands.size(), 3u);
    EXPECT_TRUE(log.Has("Received mail count=2...")) << log.Text();
    EXPECT_EQ(PopBeforeSmtp("127.0.0.1", dovecot.port, "checker", "s3cret", log.log, "Live"), 1);
    EXPECT_EQ(PopBeforeSmtp("127.0.0.1", dovecot.port, "checker", "bad", log.log, "Live"), 0);
    EXPECT_TRUE(log.Has("[Live] POP3 Authorized!")) << log.Text();
    EXPECT_TRUE(log.Has("[Live] POP3 Unauthorized! [PASSWORD]")) << log.Text();

    // Without the external address the body says so.
    host.address = "";
    EXPECT_EQ(MailCommandReplyBody("start", host.ExecuteMailCommand("start", 2, stop), host, stop),
              "Can't get external address!");
    EXPECT_EQ(MailCommandReplyBody("Start", host.ExecuteMailCommand("Start", 2, stop), host, stop),
              "");
}

}  // namespace
}  // namespace ocv
