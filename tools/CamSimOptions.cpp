#include "CamSimOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace camsim {
namespace {

bool ParseInt(const char* s, int& out, int lo, int hi) {
    char* end = nullptr;
    long v = std::strtol(s, &end, 10);
    if (!*s || *end || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseSize(const char* s, int& w, int& h) {
    int a = 0, b = 0;
    char x = 0, extra = 0;
    if (std::sscanf(s, "%d%c%d%c", &a, &x, &b, &extra) != 3 || (x != 'x' && x != 'X')) {
        return false;
    }
    if (a < 16 || b < 16 || a > 4096 || b > 4096) return false;
    w = a;
    h = b;
    return true;
}

}  // namespace

const char* HelpText() {
    return R"(ocv-camsim - a network camera simulator serving Motion-JPEG over HTTP on 127.0.0.1

Usage: ocv-camsim --port N [options]

It prints "ocv-camsim listening on 127.0.0.1:PORT" once it accepts connections and ends cleanly
on SIGTERM or SIGINT.

Pictures
  --port N              TCP port on 127.0.0.1; 0 picks a free port (printed)
  --size WxH            picture size (default 640x480)
  --fps N               pictures per second per client; 0 sends as fast as the client reads
                        (default 15)
  --quality Q           JPEG quality 1-100 (default 75)
  --prerender N         pre-encode a loop of N pictures (the clock shows the frame number);
                        used by default with --fps 0 (30 pictures)
  --still               hold the scene still: no moving shape, no clock
  --change-every S      with --still: the shape jumps between two places every S seconds

Request paths (the query parameters set size, quality and camera)
  /MotionJpeg?Quality=Q&Password=P                         another instance (quality 0-100)
  /nphMotionJpeg?Resolution=WxH&Quality=Motion|Standard|Clarity
  /axis-cgi/mjpg/video.cgi?[camera=N&]resolution=WxH
  /cgi-bin/video.jpg?[cam=N&]quality=1-5&size=1-3          size 1 half, 2 as --size, 3 double
  /cgi-bin/quad.jpg?quality=1-5&size=1-3                   four cameras in one picture
  /GetData.cgi, /video.mjpg, /                             the stream at --size
  /snapshot.jpg                                            one picture (image/jpeg)
  Any other path answers 404.

Framing
  --boundary NAME       multipart boundary (default myboundary)
  --no-length           parts without a Content-Length line
  --length-case C       spelling of the length line: title (Content-Length), lower
                        (content-length), upper (CONTENT-LENGTH), mixed (Content-length)
  --no-crlf-after       no CR LF after the picture: the next boundary follows at once
  --chunked             HTTP/1.1 with Transfer-Encoding: chunked

Faults (counts are pictures on one connection)
  --max-clients N       with more than N stream viewers a new viewer gets one image/jpeg picture
  --single-no-length    that single picture is sent without Content-Length
  --auth basic|digest   require authentication (--user, --password; default camuser/s3cret)
  --user U, --password P
  --resize-after N      after N pictures send pictures of --resize-to WxH (default 320x240)
  --resize-to WxH
  --stall-after N       after N pictures send nothing more but keep the connection open
  --garbage-after N     after N pictures send a part without length whose body is not a JPEG,
                        then close the connection
  --corrupt-after N     after N pictures send one part that runs from FF D8 to FF D9 but is
                        not a decodable picture
  --oversize-after N    after N pictures send one picture larger than 1 MiB
  --huge-length-after N after N pictures send a part that claims 100000000 bytes, then close
  --drop-after N        close the connection after N pictures
  --http-status CODE    answer every request with this HTTP status and a short text body
  --no-status-line      answer without any status line or headers (bare picture bytes)
  --verbose             log requests to stderr
  --help                this text
)";
}

bool ParseOptions(int argc, char** argv, Options& o, bool& help, std::string& error) {
    help = false;
    bool portGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto need = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                error = a + " needs " + what;
                return nullptr;
            }
            return argv[++i];
        };
        auto intArg = [&](int& out, int lo, int hi) {
            const char* v = need("a number");
            if (!v) return false;
            if (!ParseInt(v, out, lo, hi)) {
                error = "bad number for " + a + ": " + v;
                return false;
            }
            return true;
        };
        auto sizeArg = [&](int& w, int& h) {
            const char* v = need("WxH");
            if (!v) return false;
            if (!ParseSize(v, w, h)) {
                error = "bad size for " + a + ": " + v;
                return false;
            }
            return true;
        };
        bool ok = true;
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        } else if (a == "--port") {
            ok = intArg(o.port, 0, 65535);
            portGiven = true;
        } else if (a == "--size") {
            ok = sizeArg(o.width, o.height);
        } else if (a == "--fps") {
            ok = intArg(o.scene.fps, 0, 1000);
        } else if (a == "--quality") {
            ok = intArg(o.quality, 1, 100);
        } else if (a == "--prerender") {
            ok = intArg(o.scene.prerender, 1, 10000);
        } else if (a == "--still") {
            o.scene.still = true;
        } else if (a == "--change-every") {
            ok = intArg(o.scene.changeEverySec, 1, 86400);
        } else if (a == "--boundary") {
            const char* v = need("a name");
            ok = v != nullptr;
            if (ok) o.boundary = v;
        } else if (a == "--no-length") {
            o.noLength = true;
        } else if (a == "--length-case") {
            const char* v = need("title|lower|upper|mixed");
            ok = v != nullptr;
            if (ok) {
                std::string c = v;
                if (c == "title")
                    o.lengthName = "Content-Length";
                else if (c == "lower")
                    o.lengthName = "content-length";
                else if (c == "upper")
                    o.lengthName = "CONTENT-LENGTH";
                else if (c == "mixed")
                    o.lengthName = "Content-length";
                else {
                    error = "bad --length-case: " + c;
                    ok = false;
                }
            }
        } else if (a == "--no-crlf-after") {
            o.crlfAfter = false;
        } else if (a == "--chunked") {
            o.chunked = true;
        } else if (a == "--max-clients") {
            ok = intArg(o.maxClients, 0, 100000);
        } else if (a == "--single-no-length") {
            o.singleNoLength = true;
        } else if (a == "--auth") {
            const char* v = need("basic|digest");
            ok = v != nullptr;
            if (ok) {
                o.auth = v;
                if (o.auth != "basic" && o.auth != "digest") {
                    error = "bad --auth: " + o.auth;
                    ok = false;
                }
            }
        } else if (a == "--user") {
            const char* v = need("a name");
            ok = v != nullptr;
            if (ok) o.user = v;
        } else if (a == "--password") {
            const char* v = need("a password");
            ok = v != nullptr;
            if (ok) o.password = v;
        } else if (a == "--resize-after") {
            ok = intArg(o.resizeAfter, 0, 1 << 30);
        } else if (a == "--resize-to") {
            ok = sizeArg(o.resizeWidth, o.resizeHeight);
        } else if (a == "--stall-after") {
            ok = intArg(o.stallAfter, 0, 1 << 30);
        } else if (a == "--garbage-after") {
            ok = intArg(o.garbageAfter, 0, 1 << 30);
        } else if (a == "--corrupt-after") {
            ok = intArg(o.corruptAfter, 0, 1 << 30);
        } else if (a == "--oversize-after") {
            ok = intArg(o.oversizeAfter, 0, 1 << 30);
        } else if (a == "--huge-length-after") {
            ok = intArg(o.hugeLengthAfter, 0, 1 << 30);
        } else if (a == "--drop-after") {
            ok = intArg(o.dropAfter, 1, 1 << 30);
        } else if (a == "--http-status") {
            ok = intArg(o.httpStatus, 100, 999);
        } else if (a == "--no-status-line") {
            o.noStatusLine = true;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else {
            error = "unknown option: " + a;
            ok = false;
        }
        if (!ok) return false;
    }
    if (!portGiven) {
        error = "--port is required (0 picks a free port)";
        return false;
    }
    if (o.scene.fps == 0 && o.scene.prerender == 0 && !o.scene.still) o.scene.prerender = 30;
    return true;
}

}  // namespace camsim
