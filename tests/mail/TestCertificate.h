#pragma once
// Server certificates for the TLS tests, made on the spot in a test's temporary directory.
#include <string>

namespace ocv::test {

// A self-signed certificate and its key as "<stem>.pem" and "<stem>.key", for `name` (an IP
// address or a host name, as subject and alternative name); `expired` makes one whose validity
// ended yesterday. The key is readable by every user, for servers that drop privileges. False
// when the files could not be made.
bool MakeTestCertificate(const std::string& stem, const std::string& name, bool expired = false);

}  // namespace ocv::test
