// The UPnP client and the web server's port mapping against miniupnpd, in network namespaces
// made by the test (nothing is sent from the machine's own namespace). The test runs this same
// program inside the client namespace, where the disabled InsideGateway tests do the work.
#include <gtest/gtest.h>

#include "GatewayNamespaces.h"
#include "net/SsdpSearcher.h"
#include "net/UPnP.h"

using namespace ocv;
using ocvtest::Shell;

namespace {

class UPnPGateway : public ocvtest::GatewayNamespaces {
protected:
    UPnPGateway() : GatewayNamespaces("miniupnpd nft upnpc") {}
};

TEST_F(UPnPGateway, AdaptersSearchActionsAndTheServersPortMapping) {
    int status = 0;
    std::string out = Shell("ip netns exec " + Ns("cli") + " " OCV_BINARY_DIR
                            "/tests/net/net_upnp_tests --gtest_also_run_disabled_tests "
                            "--gtest_filter='DISABLED_InsideGateway.*' 2>&1",
                            &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 2 tests."), std::string::npos) << out;
}

// Mappings of the gateway that upnpc lists and that match `grep`.
std::string Mappings(const std::string& location, const std::string& grep) {
    return Shell("upnpc -u " + location + " -l 2>&1 | grep -c '" + grep + "'");
}

// Loopback comes last, so that the default "Nic Index" 0 is reachable from the network; a
// six-byte hardware address reads as eight groups, the last two "00". The search answers from
// the first free port from 20000 up.
TEST(DISABLED_InsideGateway, AdaptersAndSearch) {
    std::vector<std::string> boxes;
    CNicMgr nics([&](const std::string& t) { boxes.push_back(t); });
    nics.Enumerate();
    std::string all;
    for (int i = 0; i < nics.GetCount(); ++i)
        all += nics.Adapters()[i].name + " " + nics.GetDescription(i) + " " + nics.GetIpAddress(i) +
               " " + nics.GetMacAddress(i) + "\n";
    EXPECT_EQ(all, "lan1 lan1 10.200.0.2 02-00-00-AA-BB-CC-00-00\n"
                   "lo lo 127.0.0.1 00-00-00-00-00-00-00-00\n");
    EXPECT_TRUE(boxes.empty());
    for (bool occupy : {false, true}) {
        int blocker = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in sin = ocvtest::Loopback(CSsdpSearcher::kFirstPort, "0.0.0.0");
        if (occupy) {
            ASSERT_EQ(::bind(blocker, reinterpret_cast<sockaddr*>(&sin), sizeof sin), 0);
        }
        std::string location, st;
        int port = 0;
        EXPECT_TRUE(SearchGateway(location, st, 5000, nullptr, &port));
        EXPECT_EQ(location, "http://10.200.0.1:5000/rootDesc.xml");
        EXPECT_EQ(port, occupy ? 20001 : 20000);
        ::close(blocker);
    }
}

// The web server on "Nic Index" 0 maps its port while it runs and removes the mapping at the
// end; a mapping the gateway refuses comes back with its fault text. The gateway may answer the
// WANPPPConnection search first; its description lists only WANIPConnection, which the lookup
// then falls back to.
TEST(DISABLED_InsideGateway, ServerMapsItsPortAndActions) {
    TempDir dir;
    auto host = std::make_shared<ocvtest::TestHost>(64, 48, dir.Path());
    OcvParam p;
    p.webServer.enable = p.webServer.enableUPnP = 1;
    p.webServer.port = 18090;
    p.webServer.nicIndex = 0;
    std::string location, st, control, text, ppp = kWanPppService;
    {
        ocvtest::ServerRun run(host, p);
        EXPECT_TRUE(run.Ready());
        ASSERT_TRUE(SearchGateway(location, st, 5000));
        EXPECT_EQ(Mappings(location, "TCP 18090->10.200.0.2:18090"), "1\n");
        EXPECT_TRUE(FindControlUrl(location, ppp, control));
        EXPECT_EQ(ppp, kWanIpService);
        EXPECT_FALSE(GetControlUrl(location, kWanPppService, text));
        EXPECT_TRUE(FindControlUrl(location, st, control));
        EXPECT_EQ(st, kWanIpService);
        EXPECT_TRUE(GetExternalIpAddress(control, st, text));
        EXPECT_EQ(text, "192.0.3.2");
        EXPECT_EQ(QueryExternalAddress(), "192.0.3.2");
        EXPECT_FALSE(AddPortMapping(control, st, "10.200.0.3", 18090, 18090, text));  // taken
        EXPECT_EQ(text, "s:ClientUPnPError718ConflictInMappingEntry");
        EXPECT_FALSE(AddPortMapping(control, st, "10.200.0.2", 80, 80, text));  // denied
        EXPECT_EQ(text, "s:ClientUPnPError606Action not authorized");
    }
    EXPECT_EQ(Mappings(location, "TCP 18090->"), "0\n");
    for (const std::string& line : std::vector<std::string>{
             "Searching Internet Gateway Device...",
             "Internet Gateway Device was found! [" + location + "]", "Searching control URL...",
             "Add port mapping...", "Port mapping finished!", "Delete port mapping..."})
        EXPECT_EQ(host->Lines().Count("[WebServer] UPnP " + line), 1) << line;
    EXPECT_EQ(host->Lines().Count("", LOG_ERROR), 0) << host->Lines().Dump();
}

}  // namespace
