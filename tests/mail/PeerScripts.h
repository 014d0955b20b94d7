#pragma once
// Scripts of the real servers the tests start (run with /usr/bin/python3).

namespace ocv::test {

// An SMTP sink on aiosmtpd: arguments port and output directory; see PeerScripts.cpp.
extern const char* const kSmtpSinkScript;
// Takes a received message apart: "key<TAB>base64(value)" lines; see PeerScripts.cpp.
extern const char* const kMessageCheckerScript;

}  // namespace ocv::test
