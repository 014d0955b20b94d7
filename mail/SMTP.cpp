#include "mail/SMTP.h"

#include <unistd.h>

#include <cstdio>

#include <cctype>
#include <sstream>

#include "mail/Base64.h"
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

// The final line of a reply, for error texts.
std::string LastLine(const std::string& reply) {
    size_t cut = reply.rfind("\r\n");
    std::string line = cut == std::string::npos ? reply : reply.substr(cut + 2);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return line.substr(0, 200);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// True when an EHLO reply lists the keyword (a line "250-KEYWORD ..." or "250 KEYWORD").
bool Offers(const std::string& capabilities, const std::string& keyword) {
    std::istringstream lines(capabilities);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 4) continue;
        std::string word = Upper(line.substr(4));
        if (word == keyword || word.rfind(keyword + " ", 0) == 0 ||
            word.rfind(keyword + "=", 0) == 0)
            return true;
    }
    return false;
}

// True when an AUTH line of the EHLO reply names the mechanism.
bool OffersMechanism(const std::string& capabilities, const std::string& mechanism) {
    std::istringstream lines(capabilities);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 9) continue;
        std::string word = Upper(line.substr(4));
        if (word.rfind("AUTH", 0) != 0 || (word[4] != ' ' && word[4] != '=')) continue;
        std::istringstream names(word.substr(5));
        std::string name;
        while (names >> name)
            if (name == mechanism) return true;
    }
    return false;
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
    int code = ReadCode();
    if (code < 0) return 0;
    const ReplyRow& row = kReplies[kind];
    if (code == row.code) return 1;
    lastError_ = std::to_string(code) + ":" + row.text;
    return 0;
}

int CSMTP::ReadCode() {
    lastReply_.clear();
    if (!socket_) {
        lastError_ = "Must be connected";
        return -1;
    }
    try {
        return ReadSmtpReply(*socket_, lastReply_);
    } catch (const WSAException& e) {
        lastReply_.clear();
        lastError_ = e.Code() == TcpSock::kTlsError ? e.Text() : SocketErrorText(e.Code());
        return -1;
    }
}

int CSMTP::Hello(std::string& capabilities) {
    capabilities.clear();
    if (!SendText("EHLO " + LocalHostName() + "\r\n")) return 0;
    int code = ReadCode();
    if (code == 250) {
        capabilities = lastReply_;
        return 1;
    }
    if (code < 0) return 0;
    // A server that does not know EHLO: the plain greeting.
    return SendText("HELO " + LocalHostName() + "\r\n") && ReadReply(GENERIC_SUCCESS);
}

int CSMTP::StartTls() {
    try {
        socket_->StartTls({server_, security_.acceptSelfSigned});
    } catch (const WSAException& e) {
        lastError_ = e.Code() == TcpSock::kTlsError ? e.Text() : SocketErrorText(e.Code());
        return 0;
    }
    return 1;
}

int CSMTP::AuthStep(const std::string& text, int code) {
    if (!SendText(text)) {
        lastError_ = "AUTH failed: " + lastError_;
        return 0;
    }
    int got = ReadCode();
    if (got == code) return 1;
    lastError_ = "AUTH failed: " + (lastReply_.empty() ? lastError_ : LastLine(lastReply_));
    return 0;
}

int CSMTP::Authenticate(const std::string& capabilities) {
    int method = login_.method;
    if (method == SMTP_AUTH_OFFERED) {
        if (OffersMechanism(capabilities, "PLAIN")) {
            method = SMTP_AUTH_PLAIN;
        } else if (OffersMechanism(capabilities, "LOGIN")) {
            method = SMTP_AUTH_LOGIN;
        } else {
            lastError_ = "AUTH failed: the server offers neither PLAIN nor LOGIN";
            return 0;
        }
    }
    CBase64 base64;
    if (method == SMTP_AUTH_PLAIN) {
        std::string token = std::string(1, '\0') + login_.user + '\0' + login_.password;
        return AuthStep("AUTH PLAIN " + base64.Encode(token) + "\r\n", 235);
    }
    return AuthStep("AUTH LOGIN\r\n", 334) && AuthStep(base64.Encode(login_.user) + "\r\n", 334) &&
           AuthStep(base64.Encode(login_.password) + "\r\n", 235);
}

int CSMTP::Submission() {
    std::string capabilities;
    if (!Hello(capabilities)) return 0;
    if (security_.tlsMode == MAIL_TLS_STARTTLS) {
        // Nothing goes out in clear after this point unless TLS is up.
        if (!Offers(capabilities, "STARTTLS")) {
            lastError_ = "STARTTLS refused: the server does not offer it";
            return 0;
        }
        if (!SendText("STARTTLS\r\n")) return 0;
        int code = ReadCode();
        if (code != 220) {
            lastError_ =
                "STARTTLS refused: " + (lastReply_.empty() ? lastError_ : LastLine(lastReply_));
            return 0;
        }
        if (!StartTls() || !Hello(capabilities)) return 0;
    }
    if (!login_.user.empty() && !Authenticate(capabilities)) return 0;
    return 1;
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
    if (security_.tlsMode == MAIL_TLS_IMPLICIT && !StartTls()) {
        CloseSocket();
        return 0;
    }
    if (!ReadReply(CONNECT_SUCCESS)) {
        lastError_ = "Server didn't respond.";
        CloseSocket();
        return 0;
    }
    bool submission = security_.tlsMode != MAIL_TLS_NONE || !login_.user.empty();
    if (submission ? !Submission()
                   : !SendText("HELO " + LocalHostName() + "\r\n") || !ReadReply(GENERIC_SUCCESS)) {
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
