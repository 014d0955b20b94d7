#include "mail/Pop3Client.h"

#include <algorithm>
#include <climits>

#include "mail/HostResolve.h"
#include "mail/Pop3Reader.h"

namespace ocv {
namespace {

constexpr const char* kNotLoggedIn = "Not logged in POP3 server.";

// A user name or password holding a line break would smuggle in a command of its own.
bool HasLineBreak(const std::string& s) {
    return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

}  // namespace

CPop3Client::~CPop3Client() { Logout(); }

void CPop3Client::SetTimeouts(int receiveTimeoutMs, int maxConsecutiveTimeouts) {
    receiveTimeoutMs_ = receiveTimeoutMs;
    maxTimeouts_ = maxConsecutiveTimeouts;
}

bool CPop3Client::SendCommand(const std::string& command) {
    if (!socket_) return false;
    if (command.size() > kMaxCommand) return false;
    try {
        return socket_->Send(command) == static_cast<int>(command.size());
    } catch (const WSAException&) {
        return false;
    }
}

bool CPop3Client::ReadStatusLine() {
    if (!socket_) {
        replyText_ = kNotLoggedIn;
        return false;
    }
    Pop3Status status = ReadPop3StatusLine(*socket_, replyText_);
    if (status == Pop3Status::Failed) socket_->Close();
    return status == Pop3Status::Positive;
}

bool CPop3Client::StartTls(const std::string& host) {
    try {
        socket_->StartTls({host, security_.acceptSelfSigned});
    } catch (const WSAException& e) {
        // The socket closed the connection: no later command (STAT, QUIT) goes out in clear.
        replyText_ = e.Text();
        return false;
    }
    return true;
}

int CPop3Client::Login(const std::string& host, int port, const std::string& user,
                       const std::string& password) {
    Logout();
    replyText_.clear();

    socket_ = std::make_unique<TcpSock>(true);
    socket_->SetStopEvent(stop_);
    try {
        socket_->Open();
    } catch (const WSAException&) {
        replyText_ = "ERROR: socket unsuccessful";
        socket_.reset();
        return 0;
    }
    socket_->SetReceiveTimeout(receiveTimeoutMs_);
    socket_->SetTimeoutLimit(maxTimeouts_);
    // Connecting and the TLS handshake wait for the server as long as one read may.
    const long long connectMs = static_cast<long long>(receiveTimeoutMs_) * maxTimeouts_;
    socket_->SetConnectTimeout(static_cast<int>(std::min<long long>(connectMs, INT_MAX)));
    std::string dotted;
    if (host.size() > kMaxHost || ResolveIPv4(host, dotted) != 0) {
        replyText_ = "ERROR: convert server address failed [" + host + "]";
        return 0;
    }
    try {
        socket_->Connect(dotted, port, receiveTimeoutMs_);
    } catch (const WSAException&) {
        replyText_ = "ERROR: connect unsuccessful";
        return 0;
    }
    if (security_.tlsMode == MAIL_TLS_IMPLICIT && !StartTls(host)) return 0;
    if (!ReadStatusLine()) return 0;
    if (security_.tlsMode == MAIL_TLS_STARTTLS) {
        // Nothing, the user name included, goes out in clear when TLS was asked for.
        if (!SendCommand("STLS\r\n")) {
            replyText_ = "Send STLS Command Failed!";
            return 0;
        }
        if (!ReadStatusLine()) {
            replyText_ = "STLS refused: " + replyText_;
            socket_->Close();  // not even QUIT in clear
            return 0;
        }
        if (!StartTls(host)) return 0;
    }

    if (HasLineBreak(user) || !SendCommand("USER " + user + "\r\n")) {
        replyText_ = "Send USER Command Failed!";
        return 0;
    }
    if (!ReadStatusLine()) return 0;

    if (HasLineBreak(password) || !SendCommand("PASS " + password + "\r\n")) {
        replyText_ = "Send PASS Command Failed!";
        return 0;
    }
    return ReadStatusLine() ? 1 : 0;
}

int CPop3Client::MessageCount() {
    if (!socket_) {
        replyText_ = kNotLoggedIn;
        return -1;
    }
    if (!SendCommand("STAT\r\n")) {
        replyText_ = "Send STAT Command Failed!";
        return -1;
    }
    if (!ReadStatusLine()) return -1;
    return ParsePop3StatCount(replyText_);
}

int CPop3Client::GetHeader(int index, std::string& output) {
    if (!socket_) {
        replyText_ = kNotLoggedIn;
        return 0;
    }
    if (!SendCommand("TOP " + std::to_string(index) + " 0\r\n")) {
        replyText_ = "Send TOP Command Failed!";
        return 0;
    }
    if (!ReadStatusLine()) return 0;
    bool broken = false;
    if (!ReadPop3MultiLine(*socket_, output, kMaxHeaderBytes, &broken)) {
        if (broken) socket_->Close();
        replyText_ = "Recv Body Failed!";
        return 0;
    }
    return 1;
}

int CPop3Client::Delete(int index) {
    if (!socket_) {
        replyText_ = kNotLoggedIn;
        return 0;
    }
    if (!SendCommand("DELE " + std::to_string(index) + "\r\n")) {
        replyText_ = "Send DELE Command Failed!";
        return 0;
    }
    return ReadStatusLine() ? 1 : 0;
}

int CPop3Client::Logout() {
    if (!socket_) return 1;
    int result = 0;
    if (socket_->IsOpen() && SendCommand("QUIT\r\n")) result = ReadStatusLine() ? 1 : 0;
    socket_->Close();
    socket_.reset();
    return result;
}

}  // namespace ocv
