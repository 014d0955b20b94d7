#pragma once
// Real servers for the delivery tests, each started on 127.0.0.1 in its own temporary directory
// and stopped by its pid: pyftpdlib (FTP) and aiosmtpd (SMTP).
#include <memory>
#include <string>

#include "PeerProcess.h"
#include "PeerScripts.h"
#include "TestCertificate.h"

namespace ocv::test {

// pyftpdlib with the user camuser/s3cret (home "root/") and an anonymous user (home "anon/"),
// both allowed to write except in "root/readonly". Failed logins are answered after 0.2 s instead
// of 3 s. With a certificate stem the server requires explicit TLS (AUTH TLS, PROT P) for the
// login and every data connection.
class FtpServer {
public:
    explicit FtpServer(const std::string& tlsStem = {});
    bool Ready() const { return ready_; }
    int Port() const { return port_; }
    std::string Root() const { return dir_.Path() + "/root"; }
    std::string AnonRoot() const { return dir_.Path() + "/anon"; }
    // The server's log: every command received ("<- STOR name") and reply sent.
    std::string Log() const { return ReadWholeFile(dir_.Path() + "/server.log"); }

private:
    TempDir dir_;
    int port_;
    std::unique_ptr<PeerProcess> process_;
    bool ready_ = false;
};

// aiosmtpd keeping every message ("msgN.eml") and its envelope ("msgN.rcpt": sender, then the
// accepted recipients). Recipients whose address starts with "refuse" get 550.
class SmtpServer {
public:
    SmtpServer();
    bool Ready() const { return ready_; }
    int Port() const { return port_; }
    int MessageCount() const;
    std::string Message(int n) const;
    std::string Envelope(int n) const;
    std::string Log() const { return ReadWholeFile(dir_.Path() + "/server.log"); }

private:
    TempDir dir_;
    int port_;
    std::unique_ptr<PeerProcess> process_;
    bool ready_ = false;
};

}  // namespace ocv::test
