// The UPnP client and the web server's port mapping against miniupnpd, in network namespaces
// made by the test (nothing is sent from the machine's own namespace).
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "GatewayNamespaces.h"

using ocvtest::Shell;

namespace {

std::map<std::string, std::string> KeyValues(const std::string& text) {
    std::map<std::string, std::string> kv;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (size_t eq = line.rfind('='); eq != std::string::npos)
            kv[line.substr(0, eq)] = line.substr(eq + 1);
    return kv;
}

const std::string kProbe = OCV_BINARY_DIR "/tests/net/net_upnp_probe";

class UPnPGateway : public ocvtest::GatewayNamespaces {
protected:
    UPnPGateway() : GatewayNamespaces("miniupnpd nft upnpc") {}
};

// One router for every probe run: what the probe inside the client namespace reports.
TEST_F(UPnPGateway, AdaptersSearchActionsAndTheServersPortMapping) {
    const std::string ip = "urn:schemas-upnp-org:service:WANIPConnection:1";
    struct Row {
        const char* probe;
        std::vector<std::pair<std::string, std::string>> expected;
    };
    const Row rows[] = {
        // Loopback comes last, so that the default "Nic Index" 0 is reachable from the network;
        // a six-byte hardware address reads as eight groups, the last two "00".
        {"nics",
         {{"nic0", "lan1|lan1|10.200.0.2|02-00-00-AA-BB-CC-00-00"},
          {"nic1", "lo|lo|127.0.0.1|00-00-00-00-00-00-00-00"},
          {"nic2", ""}}},
        {"search",
         {{"found", "1"}, {"location", "http://10.200.0.1:5000/rootDesc.xml"}, {"port", "20000"}}},
        {"search-occupied", {{"found", "1"}, {"port", "20001"}}},
        // The gateway may answer the WANPPPConnection search first; its description lists only
        // WANIPConnection, which the lookup then falls back to.
        {"actions",
         {{"control_ok", "1"},
          {"st", ip},
          {"ppp_fallback", "1 " + ip},
          {"ppp_strict", "0"},
          {"external_ok", "1"},
          {"external", "192.0.3.2"},
          {"chain", "192.0.3.2"},
          {"add_ok", "1"},
          {"listing", "1"},
          {"denied_ok", "0"},
          {"denied_text", "s:ClientUPnPError606Action not authorized"},
          {"conflict_ok", "0"},
          {"conflict_text", "s:ClientUPnPError718ConflictInMappingEntry"},
          {"delete_ok", "1"},
          {"listing_after", "0"}}},
        {"server 0",
         {{"ready", "1"},
          {"mapped", "1"},
          {"after", "0"},
          {"log:[WebServer] UPnP Searching Internet Gateway Device...", "1"},
          {"log:found", "1"},
          {"log:[WebServer] UPnP Searching control URL...", "1"},
          {"log:[WebServer] UPnP Add port mapping...", "1"},
          {"log:[WebServer] UPnP Port mapping finished!", "1"},
          {"log:[WebServer] UPnP Delete port mapping...", "1"},
          {"errors", "0"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.probe);
        std::string out = Shell("ip netns exec " + Ns("cli") + " " + kProbe + " " + row.probe);
        auto got = KeyValues(out);
        for (const auto& [key, value] : row.expected)
            EXPECT_EQ(got[key], value) << key << "\n" << out;
    }
}

}  // namespace
