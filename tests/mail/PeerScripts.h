#pragma once
// Real servers the tests start (their scripts run with /usr/bin/python3).
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PeerProcess.h"

namespace ocv::test {

// An SMTP sink on aiosmtpd: arguments port and output directory, then per certificate the
// certificate, its key and two TLS ports; see PeerScripts.cpp.
extern const char* const kSmtpSinkScript;

// kSmtpSinkScript on loopback, keeping every message and its envelope. Recipients whose address
// starts with "refuse" get 550. Plain on Port(0); for certificate n (of "<stem>.pem" files)
// STARTTLS on Port(2n + 1) and TLS from the first byte on Port(2n + 2), both requiring AUTH
// (camuser, s3cret).
class SmtpSink {
public:
    explicit SmtpSink(const std::vector<std::string>& certStems = {});
    bool Ready() const { return ready_; }
    int Port(int n = 0) const { return ports_[n]; }
    int Count() const;
    // The path of message n as received.
    std::string Message(int n) const { return Out(n, ".eml"); }
    // The envelope of message n: the sender, then the accepted recipients, a line each.
    std::string Envelope(int n) const { return ReadWholeFile(Out(n, ".rcpt")); }
    std::string Log() const { return ReadWholeFile(dir_.File("server.log")); }

private:
    std::string Out(int n, const char* ext) const {
        return dir_.File("out/msg" + std::to_string(n) + ext);
    }
    TempDir dir_;
    std::vector<int> ports_;
    std::unique_ptr<PeerProcess> process_;
    bool ready_ = true;
};

// A received message taken apart by Python's email package: "from", "to", "subject",
// "content-type", "text", "text-charset", "files", "fileN-name", "fileN" (decoded bytes),
// "defects".
std::map<std::string, std::string> ParseMessage(const std::string& path);

}  // namespace ocv::test
