#include "TestCertificate.h"

#include <sys/stat.h>

#include <filesystem>

#include "PeerProcess.h"

namespace ocv::test {

bool MakeTestCertificate(const std::string& stem, const std::string& name, bool expired) {
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
