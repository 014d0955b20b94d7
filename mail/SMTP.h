#pragma once
// SMTP client: sends one prepared message to one server over plain TCP (greeting, HELO,
// MAIL From, RCPT TO, DATA, QUIT). No authentication, no encryption. Every operation returns
// 1 or 0 and leaves a readable error text.
#include <memory>
#include <string>

#include "mail/MailMessage.h"
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

private:
    void CloseSocket();

    std::string server_;
    int port_;
    std::string lastError_ = "OK";
    bool connected_ = false;
    std::unique_ptr<TcpSock> socket_;
    std::shared_ptr<NamedEvent> stop_;
    int connectTimeoutMs_ = kConnectTimeoutMs;
    int sendTimeoutMs_ = kSendTimeoutMs;
    int receiveTimeoutMs_ = kReceiveTimeoutMs;
};

}  // namespace ocv
