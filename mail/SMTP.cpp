#include "mail/SMTP.h"

#include <unistd.h>

#include <cstdio>

#include "mail/SmtpReply.h"

namespace ocv {
namespace {

struct ReplyRow {
    int code;
    const char* text;
};

constexpr ReplyRow kReplies[] = {
    {250, "SMTP server error"},
    {220, "SMTP server not available"},
    {354, "SMTP server not ready for data"},
    {221, "SMTP server didn't terminate session"},
};

std::string SocketErrorText(int code) {
    char text[64];
    std::snprintf(text, sizeof text, "Socket Error! error code=0x%X", code);
    return text;
}

std::string LocalHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    std::string host(name);
    if (host.size() > CSMTP::kMaxHostName) host.resize(CSMTP::kMaxHostName);
    if (HasControlChars(host) || host.find(' ') != std::string::npos) return "localhost";
    return host;
}

}  // namespace

std::string DotStuff(const std::string& body) {
    std::string out;
    out.reserve(body.size() + 16);
    bool lineStart = true;
    for (char c : body) {
        if (lineStart && c == '.') out += '.';
        out += c;
        lineStart = (c == '\n');
    }
    return out;
}

CSMTP::CSMTP(const std::string& server, int port) : server_(server), port_(port) {}

CSMTP::~CSMTP() {
    if (connected_) DisconnectServer();
}

void CSMTP::SetTimeouts(int connectMs, int sendMs, int receiveMs) {
    connectTimeoutMs_ = connectMs;
    sendTimeoutMs_ = sendMs;
    receiveTimeoutMs_ = receiveMs;
}

void CSMTP::CloseSocket() {
    if (socket_) socket_->Close();
    socket_.reset();
}

int CSMTP::SendText(const std::string& text) {
    if (!socket_) {
        lastError_ = "Must be connected";
        return 0;
    }
    try {
        if (socket_->Send(text) == static_cast<int>(text.size())) return 1;
        lastError_ = SocketErrorText(10058);
    } catch (const WSAException& e) {
        lastError_ = SocketErrorText(e.Code());
    }
    return 0;
}

int CSMTP::ReadReply(int kind) {
    if (!socket_) {
        lastError_ = "Must be connected";
        return 0;
    }
    int code = 0;
    try {
        std::string text;
        code = ReadSmtpReply(*socket_, text);
    } catch (const WSAException& e) {
        lastError_ = SocketErrorText(e.Code());
        return 0;
    }
    const ReplyRow& row = kReplies[kind];
    if (code == row.code) return 1;
    lastError_ = std::to_string(code) + ":" + row.text;
    return 0;
}

int CSMTP::ConnectServer() {
    if (connected_) return 1;
    socket_ = std::make_unique<TcpSock>(true);
    socket_->SetStopEvent(stop_);
    socket_->SetConnectTimeout(connectTimeoutMs_);
    socket_->SetSendTimeout(sendTimeoutMs_);
    try {
        socket_->Open();
    } catch (const WSAException&) {
        lastError_ = "Unable to create the socket.";
        socket_.reset();
        return 0;
    }
    try {
        socket_->Connect(server_, port_, receiveTimeoutMs_);
    } catch (const WSAException&) {
        lastError_ = "Unable to connect to server";
        CloseSocket();
        return 0;
    }
    if (!ReadReply(CONNECT_SUCCESS)) {
        lastError_ = "Server didn't respond.";
        CloseSocket();
        return 0;
    }
    if (!SendText("HELO " + LocalHostName() + "\r\n") || !ReadReply(GENERIC_SUCCESS)) {
        CloseSocket();
        return 0;
    }
    connected_ = true;
    return 1;
}

int CSMTP::Send(CMailMessage& message) {
    if (!connected_) {
        lastError_ = "Must be connected";
        return 0;
    }
    if (!PrepareMessage(message)) return 0;
    return SendEnvelopeAndData(message);
}

int CSMTP::PrepareMessage(CMailMessage& message) {
    if (message.RecipientCount(CMailMessage::TO) < 1) {
        lastError_ = "No Recipients";
        return 0;
    }
    // Nothing with a line break or another control character may reach a command or a header.
    bool unsafe = HasControlChars(message.From());
    for (int list : {CMailMessage::TO, CMailMessage::CC, CMailMessage::BCC})
        for (const auto& r : message.Recipients(list))
            unsafe = unsafe || HasControlChars(r.address) || HasControlChars(r.name);
    if (unsafe) {
        lastError_ = "Invalid address";
        return 0;
    }
    message.ComposeMessage();
    return 1;
}

int CSMTP::SendEnvelopeAndData(CMailMessage& message) {
    if (!connected_) {
        lastError_ = "Must be connected";
        return 0;
    }
    if (!SendText("MAIL From: <" + message.From() + ">\r\n") || !ReadReply(GENERIC_SUCCESS))
        return 0;
    for (int list : {CMailMessage::TO, CMailMessage::CC, CMailMessage::BCC}) {
        for (const auto& r : message.Recipients(list)) {
            if (!SendText("RCPT TO: <" + r.address + ">\r\n")) return 0;
            // A refused recipient does not stop the mail: the code is not examined, but a
            // broken connection still ends the send.
            std::string saved = lastError_;
            if (!ReadReply(GENERIC_SUCCESS)) {
                if (lastError_.rfind("Socket Error!", 0) == 0) return 0;
                lastError_ = saved;
            }
        }
    }
    if (!SendText("DATA\r\n") || !ReadReply(DATA_SUCCESS)) return 0;
    if (!SendText(message.Header())) return 0;
    if (!SendText(DotStuff(message.Body()))) return 0;
    if (!SendText("\r\n.\r\n") || !ReadReply(GENERIC_SUCCESS)) return 0;
    return 1;
}

int CSMTP::DisconnectServer() {
    if (!connected_) return 1;
    int result = SendText("QUIT\r\n") && ReadReply(QUIT_SUCCESS) ? 1 : 0;
    CloseSocket();
    connected_ = false;
    return result;
}

}  // namespace ocv
