// Scripts of the real servers the tests start.
#include "PeerScripts.h"

#include <filesystem>
#include <sstream>

#include "mail/Base64.h"

namespace ocv::test {

// aiosmtpd keeping each message ("msgN.eml", as delivered) and its envelope ("msgN.rcpt": the
// sender, then the accepted recipients) in the directory given; recipients whose address starts
// with "refuse" get 550. Arguments: port, directory, then per certificate: the certificate, its
// key and two ports requiring AUTH (camuser, s3cret), STARTTLS and TLS from the first byte.
// Ends on SIGTERM.
const char* const kSmtpSinkScript = R"PY(
import asyncio, os, signal, ssl, sys
from aiosmtpd.smtp import SMTP, AuthResult
port, out = int(sys.argv[1]), sys.argv[2]
class Keep:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith('refuse'): return '550 5.1.1 no such user here'
        envelope.rcpt_tos.append(address)
        return '250 OK'
    async def handle_DATA(self, server, session, envelope):
        base = os.path.join(out, 'msg%d' % len([f for f in os.listdir(out) if f.endswith('.eml')]))
        with open(base + '.rcpt', 'w') as f:
            f.write('\n'.join([envelope.mail_from] + envelope.rcpt_tos) + '\n')
        with open(base + '.tmp', 'wb') as f: f.write(envelope.content)
        os.rename(base + '.tmp', base + '.eml')
        return '250 Message accepted'
def auth(server, session, envelope, mechanism, data):
    return AuthResult(success=(data.login, data.password) == (b'camuser', b's3cret'), handled=False)
loop = asyncio.new_event_loop()
def serve(port, handler, tls=None, **options):
    loop.run_until_complete(loop.create_server(
        lambda: SMTP(handler, hostname='smtp.test', **options), '127.0.0.1', port, ssl=tls))
serve(port, Keep())
login = dict(auth_required=True, authenticator=auth)
for i in range(3, len(sys.argv), 4):
    ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    ctx.load_cert_chain(sys.argv[i], sys.argv[i + 1])
    serve(int(sys.argv[i + 2]), Keep(), tls_context=ctx, require_starttls=True, **login)
    serve(int(sys.argv[i + 3]), Keep(), ctx, auth_require_tls=False, **login)
loop.add_signal_handler(signal.SIGTERM, loop.stop)
loop.run_forever()
)PY";

// Prints "key<TAB>base64(value)" lines for the headers and parts of a received message, parsed
// with Python's email package. Argument: the message file.
const char* const kMessageCheckerScript = R"PY(
import base64, email, sys
from email import policy
msg = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=policy.default)
def out(k, v):
    if isinstance(v, str): v = v.encode('utf-8')
    print(k + '\t' + base64.b64encode(v).decode())
for h in ('from', 'to', 'subject'):
    out(h, str(msg[h]) if msg[h] is not None else '<none>')
out('content-type', msg.get_content_type())
n = 0
for part in msg.walk():
    if part.is_multipart(): continue
    if part.get_filename() is None and part.get_content_type() == 'text/plain':
        out('text', part.get_content())
        out('text-charset', str(part.get_content_charset()))
    else:
        out('file%d-name' % n, part.get_filename() or '')
        out('file%d' % n, part.get_payload(decode=True))
        n += 1
out('files', str(n))
out('defects', ' '.join(type(d).__name__ for p in msg.walk() for d in p.defects))
)PY";

SmtpSink::SmtpSink(const std::vector<std::string>& certStems) {
    std::vector<std::string> argv{"/usr/bin/python3", dir_.Write("s.py", kSmtpSinkScript), "",
                                  dir_.File("out")};
    for (const std::string& stem : certStems)
        argv.insert(argv.end(), {stem + ".pem", stem + ".key", "", ""});
    for (std::string& a : argv)
        if (a.empty()) a = std::to_string(ports_.emplace_back(FreePort()));
    std::filesystem::create_directory(dir_.File("out"));
    process_ = std::make_unique<PeerProcess>(argv, dir_.File("server.log"));
    for (int p : ports_) ready_ = ready_ && WaitListening(p, 20);
}

int SmtpSink::Count() const {
    int n = 0;
    while (std::filesystem::exists(Message(n))) ++n;
    return n;
}

std::map<std::string, std::string> ParseMessage(const std::string& path) {
    TempDir dir;
    std::istringstream lines(RunCapture(
        "/usr/bin/python3 " + dir.Write("check.py", kMessageCheckerScript) + " '" + path + "'"));
    std::map<std::string, std::string> fields;
    for (std::string line; std::getline(lines, line);) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos)
            CBase64().Decode(line.substr(tab + 1), fields[line.substr(0, tab)]);
    }
    return fields;
}

}  // namespace ocv::test
