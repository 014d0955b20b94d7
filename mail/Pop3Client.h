#pragma once
// POP3 client of the mail-command checker: log in, count messages, fetch a header, delete,
// log out. Never throws; every failure is a 0 / -1 result plus a readable reply text.
#include <memory>
#include <string>

#include "mail/MailSecurity.h"
#include "mail/TcpSock.h"
#include "platform/NamedEvent.h"

namespace ocv {

class CPop3Client {
public:
    static constexpr int kReceiveTimeoutMs = 5000;
    // A silent server ends a read after this many receive time-outs in a row (30 s in all).
    static constexpr int kMaxConsecutiveTimeouts = 6;
    static constexpr size_t kMaxCommand = 1024;
    static constexpr size_t kMaxHost = 259;
    static constexpr size_t kMaxHeaderBytes = 1024 * 1024;

    CPop3Client() = default;
    ~CPop3Client();
    CPop3Client(const CPop3Client&) = delete;
    CPop3Client& operator=(const CPop3Client&) = delete;

    // A set stop event ends any blocked exchange at once (as a receive or send failure).
    void SetStopEvent(std::shared_ptr<NamedEvent> stop) { stop_ = std::move(stop); }
    // Overrides the receive time-out and the number of time-outs in a row that end a read;
    // connecting and the TLS handshake may take as long as such a read in all.
    void SetTimeouts(int receiveTimeoutMs, int maxConsecutiveTimeouts);
    // POP3S (TLS from the start) or STLS after the greeting, with the certificate checked for
    // the host name given to Login. The default is the plain dialogue.
    void SetSecurity(const MailSecurity& security) { security_ = security; }

    int Login(const std::string& host, int port, const std::string& user,
              const std::string& password);
    // Number of messages, or -1.
    int MessageCount();
    // Appends the header lines of message `index` (from 1) and the terminating ".\r\n".
    int GetHeader(int index, std::string& output);
    int Delete(int index);
    int Logout();
    std::string ReplyText() const { return replyText_; }
    bool IsConnected() const { return socket_ != nullptr; }
    // False once a receive failed: the connection is closed then, so that the commands after it
    // fail at once instead of waiting for a server that broke off or fell out of step.
    bool Usable() const { return socket_ && socket_->IsOpen(); }

private:
    // Formats and sends a command; false when it could not be sent whole.
    bool SendCommand(const std::string& command);
    bool ReadStatusLine();
    bool StartTls(const std::string& host);

    std::unique_ptr<TcpSock> socket_;
    std::shared_ptr<NamedEvent> stop_;
    std::string replyText_;
    MailSecurity security_;
    int receiveTimeoutMs_ = kReceiveTimeoutMs;
    int maxTimeouts_ = kMaxConsecutiveTimeouts;
};

}  // namespace ocv
