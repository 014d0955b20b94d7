// The UPnP client and the web server's port mapping against miniupnpd, in network namespaces
// made by the test (nothing is sent from the machine's own namespace). The test runs this same
// program inside the client namespace, where the disabled InsideGateway tests do the work.
#include <gtest/gtest.h>

#include "../foundation/TempDir.h"
#include "GatewayNamespaces.h"
#include "net/NicMgr.h"
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
    std::string out = Shell("ip netns exec " + Ns("cli") +
                                " " OCV_BINARY_DIR
                                "/tests/net/net_upnp_tests --gtest_also_run_disabled_tests "
                                "--gtest_filter='DISABLED_InsideGateway.*' 2>&1",
                            &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 4 tests."), std::string::npos) << out;
}

// Mappings of the gateway that upnpc lists and that match `grep`.
std::string Mappings(const std::string& location, const std::string& grep) {
    return Shell("upnpc -u " + location + " -l 2>&1 | grep -c '" + grep + "'");
}

// Loopback comes last, so that the default "Nic Index" 0 is reachable from the network; a
// six-byte hardware address reads as eight groups, the last two "00".
TEST(DISABLED_InsideGateway, Adapters) {
    std::vector<std::string> boxes;
    CNicMgr nics([&](const std::string& t) { boxes.push_back(t); });
    nics.Enumerate();
    ASSERT_EQ(nics.GetCount(), 2);
    EXPECT_EQ(nics.Adapters()[0].name + nics.GetDescription(0), "lan1lan1");
    EXPECT_EQ(nics.GetIpAddress(0), "10.200.0.2");
    EXPECT_EQ(nics.GetMacAddress(0), "02-00-00-AA-BB-CC-00-00");
    EXPECT_EQ(nics.Adapters()[1].name + nics.GetDescription(1), "lolo");
    EXPECT_EQ(nics.GetIpAddress(1), "127.0.0.1");
    EXPECT_EQ(nics.GetMacAddress(1), "00-00-00-00-00-00-00-00");
    EXPECT_TRUE(boxes.empty());
}

// The search answers from the first free port from 20000 up.
TEST(DISABLED_InsideGateway, Search) {
    for (bool occupy : {false, true}) {
        int blocker = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in sin = ocvtest::Loopback(CSsdpSearcher::kFirstPort, "0.0.0.0");
        if (occupy) ASSERT_EQ(::bind(blocker, reinterpret_cast<sockaddr*>(&sin), sizeof sin), 0);
        std::string location, st;
        int port = 0;
        EXPECT_TRUE(SearchGateway(location, st, 5000, nullptr, &port));
        EXPECT_EQ(location, "http://10.200.0.1:5000/rootDesc.xml");
        EXPECT_EQ(port, occupy ? 20001 : 20000);
        ::close(blocker);
    }
}

// The gateway may answer the WANPPPConnection search first; its description lists only
// WANIPConnection, which the lookup then falls back to.
TEST(DISABLED_InsideGateway, Actions) {
    const std::string ip = kWanIpService;
    std::string location, st, control, text, ppp = kWanPppService, pppControl;
    ASSERT_TRUE(SearchGateway(location, st, 5000));
    EXPECT_TRUE(FindControlUrl(location, st, control));
    EXPECT_EQ(st, ip);
    EXPECT_TRUE(FindControlUrl(location, ppp, pppControl));
    EXPECT_EQ(ppp, ip);
    EXPECT_FALSE(GetControlUrl(location, kWanPppService, pppControl));
    EXPECT_TRUE(GetExternalIpAddress(control, st, text));
    EXPECT_EQ(text, "192.0.3.2");
    EXPECT_EQ(QueryExternalAddress(), "192.0.3.2");
    EXPECT_TRUE(AddPortMapping(control, st, "10.200.0.2", 18080, 18081, text)) << text;
    EXPECT_EQ(Mappings(location, "TCP 18080->10.200.0.2:18081"), "1\n");
    EXPECT_FALSE(AddPortMapping(control, st, "10.200.0.3", 18080, 18081, text));  // taken
    EXPECT_EQ(text, "s:ClientUPnPError718ConflictInMappingEntry");
    EXPECT_FALSE(AddPortMapping(control, st, "10.200.0.2", 80, 80, text));  // denied
    EXPECT_EQ(text, "s:ClientUPnPError606Action not authorized");
    EXPECT_TRUE(DeletePortMapping(control, st, 18080, text));
    EXPECT_EQ(Mappings(location, "TCP 18080->"), "0\n");
}

// The web server on "Nic Index" 0 maps its port while it runs and removes the mapping at the end.
TEST(DISABLED_InsideGateway, ServerMapsItsPort) {
    TempDir dir;
    auto host = std::make_shared<ocvtest::TestHost>(64, 48, dir.Path());
    OcvParam p;
    p.webServer.enable = 1;
    p.webServer.enableUPnP = 1;
    p.webServer.port = 18090;
    p.webServer.nicIndex = 0;
    std::string location, st;
    {
        ocvtest::ServerRun run(host, p);
        EXPECT_TRUE(run.Ready());
        SearchGateway(location, st, 5000);
        EXPECT_EQ(Mappings(location, "TCP 18090->10.200.0.2:18090"), "1\n");
    }
    EXPECT_EQ(Mappings(location, "TCP 18090->"), "0\n");
    const std::string found = "Internet Gateway Device was found! [" + location + "]";
    for (const std::string& line :
         {std::string("Searching Internet Gateway Device..."), found,
          std::string("Searching control URL..."), std::string("Add port mapping..."),
          std::string("Port mapping finished!"), std::string("Delete port mapping...")})
        EXPECT_EQ(host->Lines().Count("[WebServer] UPnP " + line), 1) << line;
    EXPECT_EQ(host->Lines().CountLevel(LOG_ERROR), 0) << host->Lines().Dump();
}

}  // namespace
