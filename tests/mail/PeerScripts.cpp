// Scripts of the real servers the tests start.
#include "PeerScripts.h"

namespace ocv::test {

// aiosmtpd keeping each message ("msgN.eml", as delivered) and its envelope ("msgN.rcpt": the
// sender, then the accepted recipients) in the directory given; recipients whose address starts
// with "refuse" get 550. Arguments: port, directory. Ends on SIGTERM.
const char* const kSmtpSinkScript = R"PY(
import asyncio, os, signal, sys
from aiosmtpd.smtp import SMTP
port, out = int(sys.argv[1]), sys.argv[2]
class Keep:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith('refuse'):
            return '550 5.1.1 no such user here'
        envelope.rcpt_tos.append(address)
        return '250 OK'
    async def handle_DATA(self, server, session, envelope):
        n = len([f for f in os.listdir(out) if f.endswith('.eml')])
        base = os.path.join(out, 'msg%d' % n)
        with open(base + '.rcpt', 'w') as f:
            f.write(envelope.mail_from + '\n' + '\n'.join(envelope.rcpt_tos) + '\n')
        with open(base + '.tmp', 'wb') as f:
            f.write(envelope.content)
        os.rename(base + '.tmp', base + '.eml')
        return '250 Message accepted'
loop = asyncio.new_event_loop()
server = loop.run_until_complete(loop.create_server(
    lambda: SMTP(Keep(), hostname='smtp.test'), '127.0.0.1', port))
loop.add_signal_handler(signal.SIGTERM, loop.stop)
loop.run_forever()
)PY";

}  // namespace ocv::test
