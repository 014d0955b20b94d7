#pragma once
// Real servers for the delivery tests, each started on 127.0.0.1 in its own temporary directory
// and stopped by its pid: pyftpdlib (FTP) and aiosmtpd (SMTP).
#include <memory>
#include <string>

#include "PeerProcess.h"
#include "PeerScripts.h"
#include "TestCertificate.h"

namespace ocv::test {

// A Python server script run with `args` after its port; its output is the log.
class PeerServer {
public:
    bool Ready() const { return ready_; }
    int Port() const { return port_; }
    // The server's log: for FTP every command received ("<- STOR name") and reply sent.
    std::string Log() const { return ReadWholeFile(dir_.Path() + "/server.log"); }

protected:
    void Start(const char* script, std::vector<std::string> args);
    TempDir dir_;
    int port_ = FreePort();
    std::unique_ptr<PeerProcess> process_;
    bool ready_ = false;
};

// pyftpdlib with the user camuser/s3cret (home "root/") and an anonymous user (home "anon/"),
// both allowed to write except in "root/readonly". Failed logins are answered after 0.2 s instead
// of 3 s. With a certificate stem the server requires explicit TLS (AUTH TLS, PROT P) for the
// login and every data connection.
class FtpServer : public PeerServer {
public:
    explicit FtpServer(const std::string& tlsStem = {});
    std::string Root() const { return dir_.Path() + "/root"; }
    std::string AnonRoot() const { return dir_.Path() + "/anon"; }
};

// aiosmtpd keeping every message ("msgN.eml") and its envelope ("msgN.rcpt": sender, then the
// accepted recipients). Recipients whose address starts with "refuse" get 550.
class SmtpServer : public PeerServer {
public:
    SmtpServer();
    int MessageCount() const;
    std::string Message(int n) const { return Out(n) + ".eml"; }
    std::string Envelope(int n) const { return ReadWholeFile(Out(n) + ".rcpt"); }

private:
    std::string Out(int n) const { return dir_.Path() + "/out/msg" + std::to_string(n); }
};

}  // namespace ocv::test
