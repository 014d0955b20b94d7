#pragma once
#include <map>
#include <string>
// Scripts of the real servers the tests start (run with /usr/bin/python3).

namespace ocv::test {

// An SMTP sink on aiosmtpd: arguments port and output directory, then per certificate the
// certificate, its key and two TLS ports; see PeerScripts.cpp.
extern const char* const kSmtpSinkScript;

// A received message taken apart by Python's email package: "from", "to", "subject",
// "content-type", "text", "text-charset", "files", "fileN-name", "fileN" (decoded bytes),
// "defects".
std::map<std::string, std::string> ParseMessage(const std::string& path);

}  // namespace ocv::test
