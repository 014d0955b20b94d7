#include "DeliveryPeers.h"

#include <filesystem>

namespace ocv::test {
namespace {

// With a certificate and its key after the passive port base, explicit TLS (AUTH TLS) is required
// on the control and the data connections. curl starts a data connection's TLS handshake before
// it sends STOR; the stock data handler takes that early ClientHello for a dropped connection and
// closes it, hence readable(). The session id lets the client resume the control connection's
// session on each data connection.
const char* kFtpServer = R"PY(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler as Handler
from pyftpdlib.servers import FTPServer
port, root, anon, passive = int(sys.argv[1]), sys.argv[2], sys.argv[3], int(sys.argv[4])
if len(sys.argv) > 6:
    from OpenSSL import SSL
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler as Handler
    class DTP(TLS_DTPHandler):
        def readable(self):
            return True if self._ssl_accepting else super().readable()
    Handler.ssl_context = SSL.Context(SSL.TLS_SERVER_METHOD)
    Handler.ssl_context.use_certificate_chain_file(sys.argv[5])
    Handler.ssl_context.use_privatekey_file(sys.argv[6])
    Handler.ssl_context.set_session_id(b'ocv-ftps-test')
    Handler.dtp_handler = DTP
    Handler.tls_control_required = Handler.tls_data_required = True
logging.basicConfig(level=logging.DEBUG, stream=sys.stderr)
Handler.authorizer = DummyAuthorizer()
Handler.authorizer.add_user('camuser', 's3cret', root, perm='elradfmw')
Handler.authorizer.add_anonymous(anon, perm='elradfmw')
Handler.authorizer.override_perm('camuser', root + '/readonly', perm='elr', recursive=True)
Handler.auth_failed_timeout = 0.2
Handler.passive_ports = range(passive, passive + 50)
FTPServer(('127.0.0.1', port), Handler).serve_forever()
)PY";

}  // namespace

void PeerServer::Start(const char* script, std::vector<std::string> args) {
    args.insert(args.begin(),
                {"/usr/bin/python3", dir_.Write("server.py", script), std::to_string(port_)});
    process_ = std::make_unique<PeerProcess>(args, dir_.Path() + "/server.log");
    ready_ = WaitListening(port_, 20);
}

FtpServer::FtpServer(const std::string& tlsStem) {
    std::filesystem::create_directories(Root() + "/readonly");
    std::filesystem::create_directories(AnonRoot());
    int passive = FreePort();  // a base that is free now; the range above it is a best guess
    std::vector<std::string> args{Root(), AnonRoot(),
                                  std::to_string(passive > 65000 ? 30100 : passive)};
    if (!tlsStem.empty()) args.insert(args.end(), {tlsStem + ".pem", tlsStem + ".key"});
    Start(kFtpServer, args);
}

SmtpServer::SmtpServer() {
    std::filesystem::create_directory(dir_.Path() + "/out");
    Start(kSmtpSinkScript, {dir_.Path() + "/out"});
}

int SmtpServer::MessageCount() const {
    int n = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path() + "/out", ec))
        n += e.path().extension() == ".eml";
    return n;
}

}  // namespace ocv::test
