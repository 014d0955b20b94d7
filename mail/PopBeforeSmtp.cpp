#include "mail/PopBeforeSmtp.h"

#include <vector>

#include "mail/MailMessage.h"
#include "mail/TcpSock.h"
#include "platform/SocketErrors.h"

namespace ocv {
namespace {

std::string ReadLine(TcpSock& sock) {
    std::vector<char> line(kPopBeforeSmtpLine);
    int length = sock.ReceiveLine(line.data(), static_cast<int>(line.size()));
    return std::string(line.data(), static_cast<size_t>(length));
}

bool IsOk(const std::string& line) { return line.compare(0, 3, "+OK") == 0; }

}  // namespace

int PopBeforeSmtp(const std::string& server, int port, const std::string& user,
                  const std::string& password, CLogger& log, const std::string& mode,
                  std::shared_ptr<NamedEvent> stop, int receiveTimeoutMs,
                  const MailSecurity& security) {
    const char* m = mode.c_str();
    TcpSock sock(true);
    sock.SetStopEvent(std::move(stop));
    // Connecting and the TLS handshake are bounded like every read.
    sock.SetConnectTimeout(receiveTimeoutMs);
    try {
        log.Info("[%s] Connect to POP3 server...", m);
        sock.Connect(server, port, receiveTimeoutMs);
        if (security.tlsMode == MAIL_TLS_IMPLICIT)
            sock.StartTls({server, security.acceptSelfSigned});

        std::string reply = ReadLine(sock);
        log.Info("[%s] Response from POP3 server [%s]", m, reply.c_str());
        if (security.tlsMode == MAIL_TLS_STARTTLS) {
            sock.Send("STLS\r\n");
            reply = ReadLine(sock);
            if (!IsOk(reply)) {
                log.Error("[%s] POP3 Unauthorized! [STLS refused: %s]", m, reply.c_str());
                sock.Close();
                return 0;
            }
            sock.StartTls({server, security.acceptSelfSigned});
        }

        log.Info("[%s] Send USER command to server...", m);
        // A line break inside the user or password would send a command of its own.
        if (HasControlChars(user)) throw WSAException(sockerr::kInvalidArgument);
        sock.Send("USER " + user + "\r\n");
        reply = ReadLine(sock);
        log.Info("[%s] Response from POP3 server [%s]", m, reply.c_str());
        if (!IsOk(reply)) {
            log.Error("[%s] POP3 Unauthorized! [USER]", m);
            sock.Close();
            return 0;
        }

        log.Info("[%s] Send PASS command to server...", m);
        if (HasControlChars(password)) throw WSAException(sockerr::kInvalidArgument);
        sock.Send("PASS " + password + "\r\n");
        reply = ReadLine(sock);
        log.Info("[%s] Response from POP3 server [%s]", m, reply.c_str());
        if (!IsOk(reply)) {
            log.Error("[%s] POP3 Unauthorized! [PASSWORD]", m);
            sock.Close();
            return 0;
        }
    } catch (const WSAException& e) {
        log.Error("[%s] POP3 Unauthorized! [%s]", m, e.Text().c_str());
        sock.Close();
        return 0;
    }
    log.Info("[%s] POP3 Authorized!", m);
    sock.Close();
    return 1;
}

}  // namespace ocv
