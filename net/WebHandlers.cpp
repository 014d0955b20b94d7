// The handler side of the web server: reading one request and sending its reply.
#include <chrono>
#include <cstdlib>
#include <vector>

#include "foundation/Logger.h"
#include "imaging/DibImage.h"
#include "imaging/NoSignal.h"
#include "mail/TcpSock.h"
#include "net/HttpRequest.h"
#include "net/WebReplies.h"
#include "net/WebResources.h"
#include "net/WebRouter.h"
#include "net/WebServerContext.h"
#include "platform/SocketErrors.h"

namespace ocv {
namespace {

constexpr int kSendTimeoutMs = 30000;
// A stream viewer whose socket has accepted no data for this long is dropped, so that viewers
// that stopped reading do not hold the stream slots.
constexpr int kStreamStallMs = 5000;

using Clock = std::chrono::steady_clock;

// Reads header lines until the empty line, all within `timeoutMs`. Throws WSAException.
std::vector<std::string> ReadRequestLines(TcpSock& conn, int timeoutMs) {
    CRequestReader reader;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[CRequestReader::kLineBuffer];
    while (reader.State() == CRequestReader::Status::NeedMore) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) throw WSAException(sockerr::kTimedOut);
        conn.SetReceiveTimeout(static_cast<int>(left));
        conn.SetTimeoutLimit(1);
        int n = conn.ReceiveSome(buffer, sizeof buffer);
        if (n <= 0) throw WSAException(sockerr::kDisconnecting);
        reader.Feed(buffer, static_cast<size_t>(n));
    }
    if (reader.State() != CRequestReader::Status::Complete)
        throw WSAException(sockerr::kInvalidArgument);
    return reader.Lines();
}

void SendResource(WebServerContext& ctx, TcpSock& conn, int id, const char* kind,
                  const std::string* filled = nullptr) {
    std::string bytes;
    if (filled) {
        bytes = *filled;
    } else if (!FindWebResource(id, bytes)) {
        ctx.Log().Error("FindResource() failed! [%s]", kind);
        return;
    }
    std::string error;
    if (!SendDocument(conn, bytes.data(), bytes.size(), WebResourceContentType(id), error))
        ctx.Log().Error("[WebServer] Network error! : [%s]", error.c_str());
}

void ViewerPage(WebServerContext& ctx, TcpSock& conn) {
    std::string page;
    if (!FindWebResource(kResViewerPage, page)) {
        ctx.Log().Error("FindResource() failed! [RT_HTML]");
        return;
    }
    std::string filled =
        FillPlaceholders(page, {ctx.Settings().enablePassword ? "enable" : "disable"});
    SendResource(ctx, conn, kResViewerPage, "RT_HTML", &filled);
}

void MobilePage(WebServerContext& ctx, TcpSock& conn, int resource, const std::string& session) {
    std::string page;
    if (!FindWebResource(resource, page)) {
        ctx.Log().Error("FindResource() failed! [RT_HTML]");
        return;
    }
    if (resource == kResMobilePicture) {
        const auto& ws = ctx.Settings();
        page =
            FillPlaceholders(page, {std::to_string(ws.imodeQuality), std::to_string(ws.imodeSizeW),
                                    std::to_string(ws.imodeSizeH), session, session});
    }
    SendResource(ctx, conn, resource, "RT_HTML", &page);
}

// Width and height of a "Size" text such as "160x120"; false unless both are positive and
// within the picture limits.
bool ParseSize(const std::string& text, int& width, int& height) {
    size_t x = text.find('x');
    if (x == std::string::npos) return false;
    long w = std::strtol(text.substr(0, x).c_str(), nullptr, 10);
    long h = std::strtol(text.substr(x + 1).c_str(), nullptr, 10);
    if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide ||
        static_cast<int64_t>(w) * h > kMaxImagePixels)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

// Makes one still from a fresh frame copy: the camera's picture (or "NO SIGNAL" while the
// camera is lost) scaled to `width` x `height` when those are set. `keep` is false for a picture
// that is not live.
CStillCache::Jpeg MakeStill(WebServerContext& ctx, int width, int height, int quality,
                            std::string& error, bool& keep) {
    keep = false;
    BITMAPINFOHEADER format = ctx.block->format;
    std::vector<uint8_t> frame(format.biSizeImage, 0);
    IWebServerHost::Frame got = ctx.host->GetLiveFrame(format, frame);
    if (got == IWebServerHost::Frame::kStopped) {
        error = "Get sample image failed!";
        return nullptr;
    }
    CDibImage picture;
    if (got == IWebServerHost::Frame::kLost) {
        // A lost camera's last picture is not live: the still says so instead.
        if (!MakeNoSignalPicture(picture, format.biWidth, std::abs(format.biHeight))) {
            error = picture.GetErrorText();
            return nullptr;
        }
    } else if (!picture.CreateFromSample(format, frame.data(), nullptr, frame.size())) {
        error = picture.GetErrorText();
        return nullptr;
    }
    if (width > 0 && !picture.Resize(width, height))
        ctx.Log().Error("[WebServer] %s", picture.GetErrorText().c_str());
    auto jpeg = std::make_shared<std::vector<uint8_t>>();
    if (picture.EncodeJpeg(quality, *jpeg) == 0) {
        error = picture.GetErrorText();
        return nullptr;
    }
    keep = got == IWebServerHost::Frame::kPicture;
    return jpeg;
}

// A still picture: the streams' newest picture when it is of this frame, size and quality,
// else the one shared by every request for this frame, size and quality.
void SnapJpeg(WebServerContext& ctx, TcpSock& conn, const WebRoute& route) {
    StillKey key;
    key.quality = route.quality;
    if (!route.size.empty() && !ParseSize(route.size, key.width, key.height)) {
        ctx.Log().Error("[WebServer] Invalid parameter! [Size]");
        key.width = key.height = 0;
    }
    const uint64_t number = ctx.host->FrameNumber();
    CStillCache::Jpeg jpeg;
    size_t at = 0;  // a stream part carries its part header in front of the JPEG bytes
    bool fromStreams = key.width == 0 && ctx.hub && ctx.hub->Newest(key.quality, number, jpeg, at);
    if (!fromStreams) {
        std::string error;
        jpeg = ctx.stills.Get(
            key, number,
            [&](std::string& e, bool& keep) {
                return MakeStill(ctx, key.width, key.height, key.quality, e, keep);
            },
            error);
        at = 0;
        if (!jpeg) {
            ctx.Log().Error("[WebServer] %s", error.c_str());
            return;
        }
    }
    std::string error;
    if (!SendDocument(conn, jpeg->data() + at, jpeg->size() - at, "image/jpeg", error))
        ctx.Log().Error("[WebServer] Network error! : [%s]", error.c_str());
}

void MotionJpegStream(WebServerContext& ctx, TcpSock& conn, int quality) {
    CJpegHub& hub = *ctx.hub;
    hub.Subscribe(quality);
    try {
        conn.SetNoDelay(true);
        conn.SetSendTimeout(kStreamStallMs);
        conn.Send(StreamHeader(ctx.block->param.name));
        uint64_t last = 0;
        for (;;) {
            if (ctx.shutdown->IsSet()) break;
            uint64_t seq = 0;
            CJpegHub::Jpeg jpeg;
            std::string error;
            auto result = hub.WaitNext(quality, last, seq, jpeg, error);
            if (result == CJpegHub::Result::Stopped) break;
            if (result == CJpegHub::Result::FrameFailed) {
                ctx.Log().Error("[WebServer] Get sample image failed!");
                break;
            }
            if (result == CJpegHub::Result::EncodeFailed) {
                ctx.Log().Error("[WebServer] %s", error.c_str());
                break;
            }
            conn.Send(jpeg->data(), static_cast<int>(jpeg->size()));  // part header and JPEG
            last = seq;
        }
    } catch (const WSAException& e) {
        ctx.Log().Debug("[WebServer] %s", e.Text().c_str());
    }
    hub.Unsubscribe(quality);
}

// Counts a wrong password or session number of the client; the failure that locks the client
// out is reported once. True when the client is locked out now.
bool NoteFailure(WebServerContext& ctx, const std::string& peer, Clock::time_point now) {
    if (ctx.failures.RecordFailure(peer, now)) {
        ctx.Log().Warning(
            "[WebServer] Too many wrong passwords or session numbers from %s! Locked out for a "
            "minute.",
            peer.c_str());
        return true;
    }
    return ctx.failures.IsLocked(peer, now);
}

// Admission of a stream request: the stream limit, then the password.
void StreamRequest(WebServerContext& ctx, TcpSock& conn, const WebRoute& route,
                   const std::string& peer, Clock::time_point now) {
    const auto& ws = ctx.Settings();
    int notice = 0;
    bool wrongPassword = false;
    {
        std::lock_guard lock(ctx.mutex);
        ctx.Log().Debug("[WebServer] 現在%dユーザが動画を見ています...", ctx.streams + 1);
        if (ctx.streams >= ws.maxUser) {
            ctx.Log().Warning("[WebServer] It is over the number of the connection maximum users!");
            notice = kResNoticeMaxUsers;
        } else if (ws.enablePassword && route.password != ws.password) {
            ctx.Log().Warning("[WebServer] Login failed!");
            notice = kResNoticeWrongPassword;
            wrongPassword = true;
        } else {
            ++ctx.streams;
        }
    }
    if (wrongPassword) NoteFailure(ctx, peer, now);
    if (notice != 0) {
        SendResource(ctx, conn, notice, "JPEG");
        return;
    }
    MotionJpegStream(ctx, conn, route.quality);
    std::lock_guard lock(ctx.mutex);
    --ctx.streams;
}

// The session number a mobile picture page carries: a new one after a login, else the one the
// client sent, else (no password asked) the client's current one.
std::string PageSession(WebServerContext& ctx, const WebRoute& route, const std::string& peer,
                        Clock::time_point now) {
    if (route.loggedIn) return ctx.sessions.Issue(peer, now);
    if (!route.session.empty()) return route.session;
    return ctx.sessions.Current(peer, now);
}

}  // namespace

void ServeConnection(const std::shared_ptr<WebServerContext>& ctxPtr, std::unique_ptr<TcpSock> conn,
                     const std::string& peer) {
    WebServerContext& ctx = *ctxPtr;
    conn->SetStopEvent(ctx.shutdown);
    conn->SetSendTimeout(kSendTimeoutMs);
    ParsedRequest request;
    try {
        std::vector<std::string> lines = ReadRequestLines(*conn, ctx.block->requestTimeoutMs);
        if (!ParseRequestLines(&ctx.Log(), lines, request)) {
            conn->Close();
            return;
        }
    } catch (const WSAException& e) {
        if (e.Code() != sockerr::kInterrupted)
            ctx.Log().Error("[WebServer] Network error! : [%s]", e.Text().c_str());
        conn->Close();
        return;
    }

    const auto now = Clock::now();
    WebRoute route = RouteRequest(
        &ctx.Log(), ctx.Settings(),
        [&](const std::string& session) { return ctx.sessions.Valid(peer, session, now); },
        request);
    try {
        // A client locked out for guessing gets the wrong-password picture for whatever needs a
        // password or session number, right or wrong, until its lock-out ends.
        if (route.guarded && (ctx.failures.IsLocked(peer, now) ||
                              (route.badCredential && NoteFailure(ctx, peer, now)))) {
            SendResource(ctx, *conn, kResNoticeWrongPassword, "JPEG");
            conn->Close();
            return;
        }
        switch (route.action) {
            case WebAction::NotFound:
                SendSimpleResponse(*conn, 404, "Not Found", "Unknown request!", request.isHead);
                break;
            case WebAction::NotFoundEmpty:
                SendSimpleResponse(*conn, 404, "Not Found", "", request.isHead);
                break;
            case WebAction::Stream: StreamRequest(ctx, *conn, route, peer, now); break;
            case WebAction::Applet: SendResource(ctx, *conn, kResApplet, "Applet"); break;
            case WebAction::ViewerPage: ViewerPage(ctx, *conn); break;
            case WebAction::MobilePage:
                MobilePage(ctx, *conn, route.resource,
                           route.resource == kResMobilePicture ? PageSession(ctx, route, peer, now)
                                                               : std::string());
                break;
            case WebAction::SnapJpeg: SnapJpeg(ctx, *conn, route); break;
        }
    } catch (const WSAException& e) {
        if (e.Code() != sockerr::kInterrupted)
            ctx.Log().Error("[WebServer] Network error! : [%s]", e.Text().c_str());
    }
    conn->Close();
}

}  // namespace ocv
