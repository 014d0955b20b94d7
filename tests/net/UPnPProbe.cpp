// Runs the UPnP client and the web server inside a test's network namespace and prints what
// they found as "key=value" lines for the test to check.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "../foundation/TempDir.h"
#include "WebTestSupport.h"
#include "net/NicMgr.h"
#include "net/SsdpSearcher.h"
#include "net/UPnP.h"

using namespace ocv;

using ocvtest::Shell;

namespace {

int Nics() {
    CNicMgr nics([](const std::string& t) { std::printf("box=%s\n", t.c_str()); });
    nics.Enumerate();
    for (int i = 0; i < nics.GetCount(); ++i)
        std::printf("nic%d=%s|%s|%s|%s\n", i, nics.Adapters()[i].name.c_str(),
                    nics.GetDescription(i).c_str(), nics.GetIpAddress(i).c_str(),
                    nics.GetMacAddress(i).c_str());
    return 0;
}

int Search(bool occupy) {
    int blocker = -1;
    if (occupy) {
        blocker = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in sin{};
        sin.sin_family = AF_INET;
        sin.sin_port = htons(CSsdpSearcher::kFirstPort);
        if (::bind(blocker, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0)
            std::printf("blocker=failed\n");
    }
    std::string location, st;
    int port = 0;
    bool found = SearchGateway(location, st, 5000, nullptr, &port);
    std::printf("found=%d\nlocation=%s\nst=%s\nport=%d\n", found, location.c_str(), st.c_str(),
                port);
    if (blocker >= 0) ::close(blocker);
    return 0;
}

int Actions() {
    std::string location, st, control, text;
    if (!SearchGateway(location, st, 5000)) return 1;
    // The gateway may have answered the WANPPPConnection search; its description lists only
    // WANIPConnection, which the lookup then falls back to.
    bool ok = FindControlUrl(location, st, control);
    std::printf("control_ok=%d\ncontrol=%s\nst=%s\n", ok, control.c_str(), st.c_str());
    std::string ppp = kWanPppService, pppControl;
    std::printf("ppp_fallback=%d %s\n", FindControlUrl(location, ppp, pppControl), ppp.c_str());
    std::printf("ppp_strict=%d\n", GetControlUrl(location, kWanPppService, pppControl));
    ok = GetExternalIpAddress(control, st, text);
    std::printf("external_ok=%d\nexternal=%s\n", ok, text.c_str());
    std::printf("chain=%s\n", QueryExternalAddress().c_str());
    ok = AddPortMapping(control, st, "10.200.0.2", 18080, 18081, text);
    std::printf("add_ok=%d\nadd_text=%s\n", ok, text.c_str());
    std::printf(
        "listing=%s\n",
        Shell("upnpc -u " + location + " -l 2>&1 | grep -c 'TCP 18080->10.200.0.2:18081'").c_str());
    ok = AddPortMapping(control, st, "10.200.0.3", 18080, 18081, text);  // taken by another
    std::printf("conflict_ok=%d\nconflict_text=%s\n", ok, text.c_str());
    ok = AddPortMapping(control, st, "10.200.0.2", 80, 80, text);  // a port the gateway denies
    std::printf("denied_ok=%d\ndenied_text=%s\n", ok, text.c_str());
    ok = DeletePortMapping(control, st, 18080, text);
    std::printf("delete_ok=%d\n", ok);
    std::printf("listing_after=%s\n",
                Shell("upnpc -u " + location + " -l 2>&1 | grep -c 'TCP 18080->'").c_str());
    return 0;
}

int Server(int nicIndex) {
    TempDir dir;
    auto host = std::make_shared<ocvtest::TestHost>(64, 48, dir.Path());
    OcvParam p;
    p.webServer.enable = 1;
    p.webServer.enableUPnP = 1;
    p.webServer.nicIndex = nicIndex;
    p.webServer.port = 18090;
    std::string location, st;
    {
        ocvtest::ServerRun run(host, p);
        std::printf("ready=%d\n", run.Ready());
        SearchGateway(location, st, 5000);
        std::printf("mapped=%s\n", Shell("upnpc -u " + location +
                                         " -l 2>&1 | grep -c 'TCP 18090->10.200.0.2:18090'")
                                       .c_str());
    }
    std::printf("after=%s\n",
                Shell("upnpc -u " + location + " -l 2>&1 | grep -c 'TCP 18090->'").c_str());
    for (const char* line :
         {"[WebServer] UPnP Searching Internet Gateway Device...",
          "[WebServer] UPnP Searching control URL...", "[WebServer] UPnP Add port mapping...",
          "[WebServer] UPnP Port mapping finished!", "[WebServer] UPnP Delete port mapping..."})
        std::printf("log:%s=%d\n", line, host->Lines().Count(line));
    std::printf("log:found=%d\n",
                host->Lines().Count("[WebServer] UPnP Internet Gateway Device was found! [" +
                                    location + "]"));
    std::printf("errors=%d\n", host->Lines().CountLevel(LOG_ERROR));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "nics") return Nics();
    if (mode == "search") return Search(false);
    if (mode == "search-occupied") return Search(true);
    if (mode == "actions") return Actions();
    if (mode == "server") return Server(argc > 2 ? std::atoi(argv[2]) : 0);
    std::fprintf(stderr, "usage: %s nics|search|search-occupied|actions|server N\n", argv[0]);
    return 2;
}
