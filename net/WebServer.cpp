#include "net/WebServer.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "foundation/Logger.h"
#include "foundation/UrlMask.h"
#include "mail/TcpSock.h"
#include "net/ClientLimits.h"
#include "net/NicMgr.h"
#include "net/UPnP.h"
#include "net/WebReplies.h"
#include "net/WebServerContext.h"
#include "platform/SocketErrors.h"

namespace ocv {
namespace {

// Listening queue. Requests are taken off it at once by the accept loop, so a burst of
// simultaneous viewers only needs room while their handler threads start.
constexpr int kBacklog = 128;
// Handler threads alive at once; a connection beyond that is closed unanswered.
constexpr int kMaxHandlers = 512;
// How long the end of the server waits for its handler threads to notice the shutdown.
constexpr int kHandlerDrainMs = 3000;
constexpr int kGatewaySearchMs = 5000;

struct UPnPState {
    std::string location;
    std::string serviceType;
    std::string controlUrl;
};

void MapPort(CLogger& log, const std::string& address, int port, UPnPState& upnp,
             const std::shared_ptr<NamedEvent>& stop) {
    log.Info("[WebServer] UPnP Searching Internet Gateway Device...");
    if (!SearchGateway(upnp.location, upnp.serviceType, kGatewaySearchMs, stop)) {
        log.Error("[WebServer] UPnP failed! Can't get location URL!");
        return;
    }
    log.Info("[WebServer] UPnP Internet Gateway Device was found! [%s]", MaskUrlPassword(upnp.location).c_str());
    log.Info("[WebServer] UPnP Searching control URL...");
    if (!FindControlUrl(upnp.location, upnp.serviceType, upnp.controlUrl, stop)) {
        log.Error("[WebServer] UPnP failed! Can't get control URL!");
        return;
    }
    log.Info("[WebServer] UPnP control URL=%s", MaskUrlPassword(upnp.controlUrl).c_str());
    log.Info("[WebServer] UPnP Add port mapping...");
    std::string error;
    if (!AddPortMapping(upnp.controlUrl, upnp.serviceType, address, port, port, error, stop)) {
        log.Error("[WebServer] UPnP failed! Can't add port mapping![%s]", error.c_str());
        return;
    }
    log.Info("[WebServer] UPnP Port mapping finished!");
}

void StartHandler(const std::shared_ptr<WebServerContext>& ctx, std::unique_ptr<TcpSock> conn) {
    // One client address may hold only so many connections, so that it cannot take the server
    // from the others; the connection beyond that is closed unanswered.
    std::string peer = PeerAddress(conn->Handle());
    auto admission = ctx->connections.Add(peer);
    if (admission != CConnectionLimit::Admission::Admitted) {
        if (admission == CConnectionLimit::Admission::RefusedFirst)
            ctx->Log().Warning("[WebServer] Too many connections from %s! [%d]", peer.c_str(),
                               CConnectionLimit::kMaxPerAddress);
        conn->Close();
        return;
    }
    {
        std::lock_guard lock(ctx->mutex);
        if (ctx->handlers >= kMaxHandlers) {
            ctx->Log().Warning("[WebServer] Too many connections! [%d]", ctx->handlers);
            ctx->connections.Remove(peer);
            conn->Close();
            return;
        }
        ++ctx->handlers;
    }
    // The holder keeps the connection when the thread cannot start, so it is closed here then.
    auto holder = std::make_shared<std::unique_ptr<TcpSock>>(std::move(conn));
    try {
        std::thread([ctx, holder, peer] {
            ServeConnection(ctx, std::move(*holder), peer);
            ctx->connections.Remove(peer);
            std::lock_guard lock(ctx->mutex);
            if (--ctx->handlers == 0) ctx->idle.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        ctx->Log().Error("[WebServer] AfxBeginThread() failed!");
        ctx->connections.Remove(peer);
        std::lock_guard lock(ctx->mutex);
        --ctx->handlers;
    }
}

}  // namespace

uint32_t WebServerThread(std::unique_ptr<WebServerBlock> blockIn) {
    auto ctx = std::make_shared<WebServerContext>();
    ctx->host = blockIn->host;
    ctx->block = std::move(blockIn);
    ctx->shutdown = NamedEvent::Create("");
    IWebServerHost& host = *ctx->host;
    CLogger& log = host.Log();
    const WebServerSetting& ws = ctx->Settings();

    TcpSock listener;
    CNicMgr nics([h = ctx->host](const std::string& text) { h->ShowMessageBox(text); });
    log.Info("[WebServer] WWW server initialize...");
    host.SetState(kWebServerRunningBit, 0);

    UPnPState upnp;
    bool listening = false;
    std::string address;
    ctx->stop = NamedEvent::Open(ctx->block->stopEventName);
    if (!ctx->stop) {
        log.Error("[WebServer] OpenEvent() failed!");
    } else {
        log.Info("[WebServer] Get IP address...");
        nics.Enumerate();
        address = nics.GetIpAddress(ws.nicIndex);
        if (address.empty()) {
            log.Error("[WebServer] Get IP address failed!");
        } else {
            log.Debug("[WebServer] IP address=[%s]", address.c_str());
            log.Info("[WebServer] Binding...");
            try {
                listener.SetStopEvent(ctx->stop);
                listener.Listen(address, ws.port, kBacklog);
                listening = true;
            } catch (const WSAException& e) {
                log.Error("[WebServer] Bind failed! : [%s]", e.Text().c_str());
            }
        }
    }

    if (listening) {
        if (ws.enableUPnP) MapPort(log, address, ws.port, upnp, ctx->stop);
        ctx->hub = std::make_unique<CJpegHub>(ctx->host, ctx->block->format, ws.maxFrame);
        log.Info("[WebServer] WEBサーバ起動開始");
        // Accept loop: blocks in poll() on the listening socket and the stop event.
        while (!ctx->stop->IsSet()) {
            std::unique_ptr<TcpSock> conn;
            try {
                conn = listener.Accept(true);
            } catch (const WSAException& e) {
                if (e.Code() == sockerr::kInterrupted) break;
                log.Error("[WebServer] Accept Failed! Client socket is null!");
                // Out of descriptors and the like: pause so the loop does not spin.
                if (ctx->stop->Wait(100)) break;
                continue;
            }
            if (!conn) {
                log.Error("[WebServer] Accept Failed! Client socket is null!");
                continue;
            }
            StartHandler(ctx, std::move(conn));
        }
    }

    log.Info("[WebServer] Webサーバ停止します・・・");
    if (ws.enableUPnP) {
        log.Info("[WebServer] UPnP Delete port mapping...");
        std::string error;
        // The stop event is set by now: the deletion must not be cut short by it.
        if (!DeletePortMapping(upnp.controlUrl, upnp.serviceType, ws.port, error))
            log.Error("[WebServer] UPnP failed! Can't delete port mapping![%s]", error.c_str());
    }
    ctx->shutdown->Set();
    if (ctx->hub) ctx->hub->Stop();
    listener.Close();
    {
        std::unique_lock lock(ctx->mutex);
        ctx->idle.wait_for(lock, std::chrono::milliseconds(kHandlerDrainMs),
                           [&] { return ctx->handlers == 0; });
    }
    host.SetState(0, kWebServerRunningBit);
    return 0;
}

}  // namespace ocv
