// The UPnP client and the web server's port mapping against miniupnpd, in network namespaces
// made by the test (nothing is sent from the machine's own namespace).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

#include "../foundation/TempDir.h"
#include "GatewayNamespaces.h"
#include "WebTestSupport.h"

using ocvtest::Shell;

namespace {

std::map<std::string, std::string> KeyValues(const std::string& text) {
    std::map<std::string, std::string> kv;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string line = text.substr(pos, nl == std::string::npos ? nl : nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        size_t eq = line.rfind('=');
        if (eq != std::string::npos) kv[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return kv;
}

const std::string kProbe = OCV_BINARY_DIR "/tests/net/net_upnp_probe";

class UPnPGateway : public ocvtest::GatewayNamespaces {
protected:
    UPnPGateway() : GatewayNamespaces("miniupnpd nft upnpc") {}

    std::map<std::string, std::string> Probe(const std::string& args) {
        std::string out = Shell("ip netns exec " + Ns("cli") + " " + kProbe + " " + args);
        last_ = out;
        return KeyValues(out);
    }

    std::string last_;
};

TEST_F(UPnPGateway, AdaptersSearchAndPortBinding) {
    // Loopback and one other adapter: the other one comes first, so that the default
    // "Nic Index" 0 is reachable from the network; loopback is last.
    auto nics = Probe("nics");
    // A six-byte hardware address reads as eight groups, the last two "00".
    EXPECT_EQ(nics["nic0"], "lan1|lan1|10.200.0.2|02-00-00-AA-BB-CC-00-00") << last_;
    EXPECT_EQ(nics["nic1"], "lo|lo|127.0.0.1|00-00-00-00-00-00-00-00") << last_;
    EXPECT_EQ(nics.count("nic2"), 0u);

    auto found = Probe("search");
    EXPECT_EQ(found["found"], "1") << last_;
    EXPECT_EQ(found["location"], "http://10.200.0.1:5000/rootDesc.xml");
    // miniupnpd answers the searches for both service types; the first answer counts.
    EXPECT_TRUE(found["st"] == "urn:schemas-upnp-org:service:WANIPConnection:1" ||
                found["st"] == "urn:schemas-upnp-org:service:WANPPPConnection:1")
        << last_;
    EXPECT_EQ(found["port"], "20000");

    auto occupied = Probe("search-occupied");
    EXPECT_EQ(occupied["found"], "1") << last_;
    EXPECT_EQ(occupied["port"], "20001");
}

TEST_F(UPnPGateway, ActionsAndFaults) {
    auto r = Probe("actions");
    EXPECT_EQ(r["control_ok"], "1") << last_;
    EXPECT_EQ(r["control"].rfind("http://10.200.0.1:5000/", 0), 0u) << last_;
    EXPECT_EQ(r["st"], "urn:schemas-upnp-org:service:WANIPConnection:1");
    EXPECT_EQ(r["ppp_fallback"], "1 urn:schemas-upnp-org:service:WANIPConnection:1");
    EXPECT_EQ(r["ppp_strict"], "0");
    EXPECT_EQ(r["external_ok"], "1");
    EXPECT_EQ(r["external"], "192.0.3.2");
    EXPECT_EQ(r["chain"], "192.0.3.2");
    EXPECT_EQ(r["add_ok"], "1") << last_;
    EXPECT_EQ(r["listing"], "1") << last_;
    EXPECT_EQ(r["denied_ok"], "0");
    EXPECT_EQ(r["denied_text"], "s:ClientUPnPError606Action not authorized") << last_;
    EXPECT_EQ(r["delete_ok"], "1");
    EXPECT_EQ(r["listing_after"], "0") << last_;
    // A mapping request rejected with a SOAP fault gives the fault's text content.
    EXPECT_EQ(r["conflict_ok"], "0");
    EXPECT_EQ(r["conflict_text"], "s:ClientUPnPError718ConflictInMappingEntry") << last_;
}

TEST_F(UPnPGateway, WebServerMapsItsPortAndRemovesTheMapping) {
    auto r = Probe("server 0");  // the default adapter
    EXPECT_EQ(r["ready"], "1") << last_;
    EXPECT_EQ(r["mapped"], "1") << last_;
    EXPECT_EQ(r["after"], "0") << last_;
    EXPECT_EQ(r["log:[WebServer] UPnP Searching Internet Gateway Device..."], "1");
    EXPECT_EQ(r["log:found"], "1");
    EXPECT_EQ(r["log:[WebServer] UPnP Searching control URL..."], "1");
    EXPECT_EQ(r["log:[WebServer] UPnP Add port mapping..."], "1");
    EXPECT_EQ(r["log:[WebServer] UPnP Port mapping finished!"], "1");
    EXPECT_EQ(r["log:[WebServer] UPnP Delete port mapping..."], "1");
    EXPECT_EQ(r["errors"], "0") << last_;
}

// A responder that answers every search first as another device type, then as a gateway, with
// header names in unusual letter cases.
const char* kFakeResponder = R"(
import socket, struct, sys
mode = sys.argv[1]
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("0.0.0.0", 1900))
s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
             struct.pack("4s4s", socket.inet_aton("239.255.255.250"), socket.inet_aton("10.201.0.1")))
open(sys.argv[2], "w").close()
while True:
    data, peer = s.recvfrom(4096)
    if b"WANIPConnection" not in data:
        continue
    if mode == "other-first":
        s.sendto(b"HTTP/1.1 200 OK\r\nLOCATION: http://10.201.0.1:1/media.xml\r\n"
                 b"ST: urn:schemas-upnp-org:device:MediaServer:1\r\n\r\n", peer)
    s.sendto(b"HTTP/1.1 200 OK\r\nlOcAtIoN:http://10.201.0.1:5000/gw.xml\r\n"
             b"sT:   urn:schemas-upnp-org:service:WANIPConnection:1 \r\n\r\n", peer)
)";

class FakeResponderNamespaces : public UPnPGateway {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "network namespaces need root";
        prefix_ = "ocvf" + std::to_string(::getpid());
        for (const char* n : {"gw", "cli"}) {
            int st = 0;
            Shell("ip netns add " + Ns(n) + " 2>&1", &st);
            if (st != 0) GTEST_SKIP() << "cannot make network namespaces here";
            made_.push_back(Ns(n));
            Run("ip -n " + Ns(n) + " link set lo up");
        }
        Run("ip -n " + Ns("gw") + " link add lan0 type veth peer name lan1 netns " + Ns("cli"));
        Run("ip -n " + Ns("gw") + " addr add 10.201.0.1/24 dev lan0");
        Run("ip -n " + Ns("cli") + " addr add 10.201.0.2/24 dev lan1");
        Run("ip -n " + Ns("gw") + " link set lan0 up");
        Run("ip -n " + Ns("cli") + " link set lan1 up");
        Run("ip -n " + Ns("cli") + " route add default via 10.201.0.1");
        std::ofstream(dir_.Path() + "/responder.py") << kFakeResponder;
    }
    void TearDown() override {
        if (responder_ > 0) {
            ::kill(-responder_, SIGTERM);
            ::waitpid(responder_, nullptr, 0);
        }
        GatewayNamespaces::TearDown();
    }
    void StartResponder(const std::string& mode) {
        const std::string ready = dir_.Path() + "/ready-" + mode;
        responder_ = ::fork();
        if (responder_ == 0) {
            ::setpgid(0, 0);
            ::execlp("ip", "ip", "netns", "exec", Ns("gw").c_str(), "/usr/bin/python3",
                     (dir_.Path() + "/responder.py").c_str(), mode.c_str(), ready.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && ::access(ready.c_str(), F_OK) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(::access(ready.c_str(), F_OK), 0) << "responder did not start";
    }
    pid_t responder_ = -1;
};

TEST_F(FakeResponderNamespaces, HeaderNamesInAnyCaseAreAccepted) {
    StartResponder("gateway");
    auto r = Probe("search");
    EXPECT_EQ(r["found"], "1") << last_;
    EXPECT_EQ(r["location"], "http://10.201.0.1:5000/gw.xml");
    EXPECT_EQ(r["st"], "urn:schemas-upnp-org:service:WANIPConnection:1");
}

TEST_F(FakeResponderNamespaces, OnlyTheFirstAnswerCounts) {
    StartResponder("other-first");
    auto r = Probe("search");
    EXPECT_EQ(r["found"], "0") << last_;
}

}  // namespace
