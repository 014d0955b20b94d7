#include "TestCertificate.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "PeerProcess.h"

namespace ocv::test {
namespace {

// Made with the cryptography module, which (unlike openssl req) can back-date a certificate.
const char* const kCertMaker = R"PY(
import datetime, ipaddress, sys
from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import rsa
out, name, expired = sys.argv[1], sys.argv[2], sys.argv[3] == '1'
key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
now = datetime.datetime.now(datetime.timezone.utc)
start, end = (now - datetime.timedelta(days=30), now - datetime.timedelta(days=1)) if expired \
    else (now - datetime.timedelta(days=1), now + datetime.timedelta(days=30))
subject = x509.Name([x509.NameAttribute(x509.NameOID.COMMON_NAME, name)])
try:
    alt = x509.IPAddress(ipaddress.ip_address(name))
except ValueError:
    alt = x509.DNSName(name)
cert = (x509.CertificateBuilder().subject_name(subject).issuer_name(subject)
        .public_key(key.public_key()).serial_number(x509.random_serial_number())
        .not_valid_before(start).not_valid_after(end)
        .add_extension(x509.SubjectAlternativeName([alt]), critical=False)
        .sign(key, hashes.SHA256()))
open(out + '.pem', 'wb').write(cert.public_bytes(serialization.Encoding.PEM))
open(out + '.key', 'wb').write(key.private_bytes(serialization.Encoding.PEM,
    serialization.PrivateFormat.TraditionalOpenSSL, serialization.NoEncryption()))
)PY";

}  // namespace

bool MakeTestCertificate(const std::string& stem, const std::string& name, bool expired) {
    std::ofstream(stem + "-maker.py") << kCertMaker;
    RunCapture("/usr/bin/python3 '" + stem + "-maker.py' '" + stem + "' '" + name + "' " +
               (expired ? "1" : "0") + " 2>&1");
    ::chmod((stem + ".key").c_str(), 0644);
    return std::filesystem::exists(stem + ".pem") && std::filesystem::exists(stem + ".key");
}

}  // namespace ocv::test
