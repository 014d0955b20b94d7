#pragma once
// A home router on a test network: network namespaces "igd" (miniupnpd between lan0 10.200.0.1
// and wan0 192.0.3.2), "cli" (a client at 10.200.0.2 behind it) and "isp" (192.0.3.1), plus any
// extra namespaces a suite asks for (with loopback only). Nothing is sent from the machine's own
// namespace; everything is removed at the end. Skips without root or the tools.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <fstream>

#include "../foundation/TempDir.h"
#include "WebTestSupport.h"

namespace ocvtest {

class GatewayNamespaces : public ::testing::Test {
protected:
    explicit GatewayNamespaces(std::string tools = "miniupnpd nft",
                               std::vector<std::string> extra = {})
        : tools_(std::move(tools)), names_{"igd", "cli", "isp"} {
        names_.insert(names_.end(), extra.begin(), extra.end());
    }

    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "network namespaces need root";
        // The tools live in sbin, which a plain user PATH may lack.
        const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        ::setenv("PATH", ("/usr/sbin:/sbin:" + path).c_str(), 1);
        std::string missing =
            Shell("for t in " + tools_ + "; do command -v $t >/dev/null || echo $t; done");
        if (!missing.empty()) GTEST_SKIP() << missing << " is not installed";
        prefix_ = "ocv" + std::to_string(::getpid());
        for (const std::string& n : names_) {
            int st = 0;
            Shell("ip netns add " + Ns(n) + " 2>&1", &st);
            if (st != 0) GTEST_SKIP() << "cannot make network namespaces here";
            made_.push_back(Ns(n));
            Run("ip -n " + Ns(n) + " link set lo up");
        }
        const std::string igd = "ip -n " + Ns("igd") + " ", cli = "ip -n " + Ns("cli") + " ",
                          isp = "ip -n " + Ns("isp") + " ", d = dir_.Path();
        std::ofstream(d + "/igd.nft") << R"(table inet miniupnpd {
  chain forward { type filter hook forward priority 0; policy accept; jump forward_miniupnpd; }
  chain forward_miniupnpd { }
  chain prerouting { type nat hook prerouting priority -100; policy accept; jump prerouting_miniupnpd; }
  chain postrouting { type nat hook postrouting priority 100; policy accept; jump postrouting_miniupnpd; }
  chain prerouting_miniupnpd { }
  chain postrouting_miniupnpd { }
}
)";
        std::ofstream(d + "/miniupnpd.conf")
            << "ext_ifname=wan0\nlistening_ip=lan0\nport=5000\nenable_natpmp=no\n"
               "enable_upnp=yes\n"
               "secure_mode=no\nupnp_table_name=miniupnpd\nupnp_nat_table_name=miniupnpd\n"
               "upnp_forward_chain=forward_miniupnpd\nupnp_nat_chain=prerouting_miniupnpd\n"
               "upnp_nat_postrouting_chain=postrouting_miniupnpd\nforce_igd_desc_v1=yes\n"
               "allow 1024-65535 10.200.0.0/24 1024-65535\ndeny 0-65535 0.0.0.0/0 0-65535\n"
               "lease_file=" << d << "/leases\n";
        for (const std::string& cmd :
             {igd + "link add lan0 type veth peer name lan1 netns " + Ns("cli"),
              igd + "link add wan0 type veth peer name wan1 netns " + Ns("isp"),
              cli + "link set lan1 address 02:00:00:aa:bb:cc",
              igd + "addr add 10.200.0.1/24 dev lan0", cli + "addr add 10.200.0.2/24 dev lan1",
              igd + "addr add 192.0.3.2/24 dev wan0", isp + "addr add 192.0.3.1/24 dev wan1",
              igd + "link set lan0 up", igd + "link set wan0 up", cli + "link set lan1 up",
              isp + "link set wan1 up", igd + "route add default via 192.0.3.1",
              cli + "route add default via 10.200.0.1",
              "ip netns exec " + Ns("igd") + " nft -f " + d + "/igd.nft",
              "ip netns exec " + Ns("igd") + " miniupnpd -f " + d + "/miniupnpd.conf -P " + d +
                  "/pid"})
            Run(cmd);
        // miniupnpd daemonises and writes its pid; wait until it answers HTTP.
        const std::string probe = "ip netns exec " + Ns("cli") +
                                  " curl -s -o /dev/null -w '%{http_code}' --max-time 1 "
                                  "http://10.200.0.1:5000/rootDesc.xml";
        if (!WaitUntil([&] { return Shell(probe) == "200"; }, 10000))
            FAIL() << "miniupnpd did not come up";
    }
    void TearDown() override {
        std::ifstream pidFile(dir_.Path() + "/pid");
        int pid = 0;
        if (pidFile >> pid && pid > 0) {
            ::kill(pid, SIGTERM);
            WaitUntil([&] { return ::kill(pid, 0) != 0; });
        }
        for (const auto& n : made_) Shell("ip netns del " + n + " 2>&1");
    }
    std::string Ns(const std::string& n) const { return prefix_ + "-" + n; }
    void Run(const std::string& cmd) {
        int st = 0;
        std::string out = Shell(cmd + " 2>&1", &st);
        ASSERT_EQ(st, 0) << cmd << ": " << out;
    }

    TempDir dir_;
    std::string prefix_;
    std::vector<std::string> made_;

private:
    std::string tools_;
    std::vector<std::string> names_;  // of the namespaces to make
};

}  // namespace ocvtest
