#pragma once
// Server certificates for the TLS tests, made on the spot in a test's temporary directory.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "PeerProcess.h"

namespace ocv::test {

// A self-signed certificate and its key as "<stem>.pem" and "<stem>.key", for `name` (an IP
// address or a host name, as subject and alternative name); `expired` makes one whose validity
// ended yesterday. The key is readable by every user, for servers that drop privileges. False
// when the files could not be made.
inline bool MakeTestCertificate(const std::string& stem, const std::string& name,
                                bool expired = false) {
    const std::string alt =
        name.find_first_not_of("0123456789.") == std::string::npos ? "IP:" : "DNS:";
    const std::string pem = "'" + stem + (expired ? ".new'" : ".pem'"), key = "'" + stem + ".key'";
    RunCapture("openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj '/CN=" + name +
               "' -addext 'subjectAltName=" + alt + name + "' -keyout " + key + " -out " + pem +
               " 2>&1");
    // Signed again with a validity that ended a day before it began: x509 takes a negative
    // -days, req does not.
    if (expired)
        RunCapture("openssl x509 -in " + pem + " -signkey " + key + " -days -1 -out '" + stem +
                   ".pem' 2>&1");
    ::chmod((stem + ".key").c_str(), 0644);
    return std::filesystem::exists(stem + ".pem") && std::filesystem::exists(stem + ".key");
}

}  // namespace ocv::test
