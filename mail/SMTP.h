#pragma once
// SMTP client: sends one prepared message to one server (greeting, HELO, MAIL From, RCPT TO,
// DATA, QUIT). By default the dialogue is plain TCP with HELO. When TLS or a login is asked for
// it becomes a submission: EHLO (HELO when EHLO is refused), STARTTLS or TLS from the start,
// AUTH PLAIN or LOGIN. Every operation returns 1 or 0 and leaves a readable error text.
#include <memory>
#include <string>

#include "mail/MailMessage.h"
#include "mail/MailSecurity.h"
#include "mail/TcpSock.h"
#include "platform/NamedEvent.h"

namespace ocv {

// The body with every line that begins with "." given one more "." in front, so that no line
// of the text can end the data early.
std::string DotStuff(const std::string& body);

class CSMTP {
public:
    enum ReplyKind { GENERIC_SUCCESS = 0, CONNECT_SUCCESS = 1, DATA_SUCCESS = 2, QUIT_SUCCESS = 3 };
    static constexpr int kConnectTimeoutMs = 30000;
    static constexpr int kSendTimeoutMs = 60000;
    static constexpr int kReceiveTimeoutMs = 120000;
    static constexpr size_t kMaxHostName = 80;

    CSMTP(const std::string& server, int port);
    virtual ~CSMTP();
    CSMTP(const CSMTP&) = delete;
    CSMTP& operator=(const CSMTP&) = delete;

    // A set stop event ends any blocked exchange at once (reported as a socket error 0x2714).
    void SetStopEvent(std::shared_ptr<NamedEvent> stop) { stop_ = std::move(stop); }
    void SetTimeouts(int connectMs, int sendMs, int receiveMs);
    // TLS and the server certificate check; the host name given at construction is the name
    // the certificate must carry.
    void SetSecurity(const MailSecurity& security) { security_ = security; }
    // Logs in after the (TLS) greeting when the user is not empty.
    void SetLogin(const SmtpLogin& login) { login_ = login; }

    int ConnectServer();
    int Send(CMailMessage& message);
    int DisconnectServer();
    std::string LastError() const { return lastError_; }
    bool IsConnected() const { return connected_; }

protected:
    virtual int PrepareMessage(CMailMessage& message);
    virtual int SendEnvelopeAndData(CMailMessage& message);
    // Reads one reply and compares its code with the kind's expected code.
    int ReadReply(int kind);
    // Sends the whole text; on failure sets the socket error text and returns 0.
    int SendText(const std::string& text);

    // The lines of the last reply read ("250-...\r\n250 ..."), for capabilities and errors.
    const std::string& LastReply() const { return lastReply_; }

private:
    void CloseSocket();
    // The submission part of ConnectServer: EHLO, STARTTLS, EHLO again, AUTH.
    int Submission();
    // EHLO; when refused, HELO. Returns the EHLO reply lines ("" after HELO), or 0 on failure.
    int Hello(std::string& capabilities);
    int StartTls();
    int Authenticate(const std::string& capabilities);
    // Sends a step of a login and reads the reply; 0 with "AUTH failed: ..." unless `code`.
    int AuthStep(const std::string& text, int code);
    // The code of the next reply (0 when it has none); -1 after a socket or TLS error, with the
    // error text set.
    int ReadCode();

    std::string server_;
    int port_;
    std::string lastError_ = "OK";
    bool connected_ = false;
    std::unique_ptr<TcpSock> socket_;
    std::shared_ptr<NamedEvent> stop_;
    MailSecurity security_;
    SmtpLogin login_;
    std::string lastReply_;
    int connectTimeoutMs_ = kConnectTimeoutMs;
    int sendTimeoutMs_ = kSendTimeoutMs;
    int receiveTimeoutMs_ = kReceiveTimeoutMs;
};

}  // namespace ocv
