#pragma once
// What the web server thread shares with its handler threads for its whole life.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "net/ClientLimits.h"
#include "net/JpegHub.h"
#include "net/SessionTable.h"
#include "net/StillCache.h"
#include "net/WebServerHost.h"
#include "platform/NamedEvent.h"

namespace ocv {

class TcpSock;

struct WebServerContext {
    std::unique_ptr<const WebServerBlock> block;
    std::shared_ptr<IWebServerHost> host;
    std::shared_ptr<NamedEvent> stop;      // the controller's stop event (may be null)
    std::shared_ptr<NamedEvent> shutdown;  // set when the server ends; every handler watches it
    std::unique_ptr<CJpegHub> hub;
    CStillCache stills;            // still pictures, shared by concurrent requests
    CSessionTable sessions;        // mobile session numbers, per client address
    CAuthFailureLimit failures;    // wrong passwords and session numbers, per client address
    CConnectionLimit connections;  // open connections, per client address

    std::mutex mutex;
    std::condition_variable idle;
    int streams = 0;   // running Motion-JPEG streams
    int handlers = 0;  // running handler threads

    const WebServerSetting& Settings() const { return block->param.webServer; }
    CLogger& Log() const { return host->Log(); }
};

// Serves one accepted connection from the client address `peer` on the calling thread: reads the
// request within the block's time-out, dispatches it and answers. Closes the connection at the
// end.
void ServeConnection(const std::shared_ptr<WebServerContext>& ctx, std::unique_ptr<TcpSock> conn,
                     const std::string& peer);

}  // namespace ocv
