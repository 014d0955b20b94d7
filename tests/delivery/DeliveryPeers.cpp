#include "DeliveryPeers.h"

#include <filesystem>

namespace ocv::test {
namespace {

const char* kPython = "/usr/bin/python3";

const char* kFtpServer = R"PY(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
port, root, anon = int(sys.argv[1]), sys.argv[2], sys.argv[3]
Base = FTPHandler
if len(sys.argv) > 6:
    # Explicit TLS (AUTH TLS) required on the control and the data connections.
    from OpenSSL import SSL
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
    class DTP(TLS_DTPHandler):
        # curl starts a data connection's TLS handshake before it sends STOR; the stock handler
        # takes that early ClientHello for a dropped connection and closes it.
        def readable(self):
            return True if self._ssl_accepting else super().readable()
    ctx = SSL.Context(SSL.TLS_SERVER_METHOD)
    ctx.use_certificate_chain_file(sys.argv[5])
    ctx.use_privatekey_file(sys.argv[6])
    # Lets the client resume the control connection's session on each data connection.
    ctx.set_session_id(b'ocv-ftps-test')
    class Base(TLS_FTPHandler):
        dtp_handler = DTP
        ssl_context = ctx
        tls_control_required = True
        tls_data_required = True
logging.basicConfig(level=logging.DEBUG, stream=sys.stderr)
auth = DummyAuthorizer()
auth.add_user('camuser', 's3cret', root, perm='elradfmw')
auth.add_anonymous(anon, perm='elradfmw')
auth.override_perm('camuser', root + '/readonly', perm='elr', recursive=True)
class Handler(Base):
    pass
Handler.authorizer = auth
Handler.auth_failed_timeout = 0.2
Handler.passive_ports = range(int(sys.argv[4]), int(sys.argv[4]) + 50)
FTPServer(('127.0.0.1', port), Handler).serve_forever()
)PY";

}  // namespace

FtpServer::FtpServer(const std::string& tlsStem) : port_(FreePort()) {
    std::filesystem::create_directories(Root());
    std::filesystem::create_directories(AnonRoot());
    std::filesystem::create_directories(Root() + "/readonly");
    std::string script = dir_.Write("ftpserver.py", kFtpServer);
    int passive = FreePort();  // a base that is free now; the range above it is a best guess
    if (passive > 65000) passive = 30100;
    std::vector<std::string> argv{kPython, script,     std::to_string(port_),
                                  Root(),  AnonRoot(), std::to_string(passive)};
    if (!tlsStem.empty()) {
        argv.push_back(tlsStem + ".pem");
        argv.push_back(tlsStem + ".key");
    }
    process_ = std::make_unique<PeerProcess>(argv, dir_.Path() + "/server.log");
    ready_ = WaitListening(port_, 20);
}

SmtpServer::SmtpServer() : port_(FreePort()) {
    std::filesystem::create_directory(dir_.Path() + "/out");
    std::string script = dir_.Write("smtpserver.py", kSmtpSinkScript);
    process_ = std::make_unique<PeerProcess>(
        std::vector<std::string>{kPython, script, std::to_string(port_), dir_.Path() + "/out"},
        dir_.Path() + "/server.log");
    ready_ = WaitListening(port_, 20);
}

int SmtpServer::MessageCount() const {
    int n = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path() + "/out", ec))
        if (e.path().extension() == ".eml") ++n;
    return n;
}

std::string SmtpServer::Message(int n) const {
    return dir_.Path() + "/out/msg" + std::to_string(n) + ".eml";
}

std::string SmtpServer::Envelope(int n) const {
    return ReadWholeFile(dir_.Path() + "/out/msg" + std::to_string(n) + ".rcpt");
}

}  // namespace ocv::test
