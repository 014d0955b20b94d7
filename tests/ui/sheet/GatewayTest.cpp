// The "UPnP test" dialog against miniupnpd, in network namespaces the test makes (nothing is sent
// from the machine's own namespace): the whole sequence with a real gateway, and the failure
// lines where there is none.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../../foundation/TempDir.h"

namespace {

const std::string kProbe = OCV_BINARY_DIR "/tests/ui/sheet/ui_sheet_upnp_probe";

std::string Shell(const std::string& cmd, int* status = nullptr) {
    std::string out;
    FILE* f = ::popen(cmd.c_str(), "r");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    const int rc = ::pclose(f);
    if (status) *status = rc;
    return out;
}

class Gateway : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "network namespaces need root";
        const char* path = std::getenv("PATH");
        const std::string full = std::string("/usr/sbin:/sbin:") + (path ? path : "/usr/bin:/bin");
        ::setenv("PATH", full.c_str(), 1);
        if (Shell("for t in miniupnpd nft; do command -v $t; done | wc -l") != "2\n")
            GTEST_SKIP() << "miniupnpd or nftables is not installed";
        prefix_ = "ocvsh" + std::to_string(::getpid());
        for (const char* n : {"igd", "cli", "isp", "alone"}) {
            int st = 0;
            Shell("ip netns add " + Ns(n) + " 2>&1", &st);
            if (st != 0) GTEST_SKIP() << "cannot make network namespaces here";
            made_.push_back(Ns(n));
            Run("ip -n " + Ns(n) + " link set lo up");
        }
        Run("ip -n " + Ns("igd") + " link add lan0 type veth peer name lan1 netns " + Ns("cli"));
        Run("ip -n " + Ns("igd") + " link add wan0 type veth peer name wan1 netns " + Ns("isp"));
        Run("ip -n " + Ns("igd") + " addr add 10.200.0.1/24 dev lan0");
        Run("ip -n " + Ns("cli") + " addr add 10.200.0.2/24 dev lan1");
        Run("ip -n " + Ns("igd") + " addr add 192.0.3.2/24 dev wan0");
        Run("ip -n " + Ns("isp") + " addr add 192.0.3.1/24 dev wan1");
        for (const char* l : {"igd lan0", "igd wan0", "cli lan1", "isp wan1"}) {
            const std::string s = l;
            Run("ip -n " + Ns(s.substr(0, s.find(' '))) + " link set " + s.substr(s.find(' ') + 1) +
                " up");
        }
        Run("ip -n " + Ns("igd") + " route add default via 192.0.3.1");
        Run("ip -n " + Ns("cli") + " route add default via 10.200.0.1");

        const std::string d = dir_.Path();
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
               "enable_upnp=yes\nsecure_mode=no\nupnp_table_name=miniupnpd\n"
               "upnp_nat_table_name=miniupnpd\nupnp_forward_chain=forward_miniupnpd\n"
               "upnp_nat_chain=prerouting_miniupnpd\n"
               "upnp_nat_postrouting_chain=postrouting_miniupnpd\nlease_file="
            << d
            << "/leases\nforce_igd_desc_v1=yes\n"
               "allow 1024-65535 10.200.0.0/24 1024-65535\ndeny 0-65535 0.0.0.0/0 0-65535\n";
        Run("ip netns exec " + Ns("igd") + " nft -f " + d + "/igd.nft");
        Run("ip netns exec " + Ns("igd") + " miniupnpd -f " + d + "/miniupnpd.conf -P " + d +
            "/pid");
        for (int i = 0; i < 100; ++i) {
            if (Shell("ip netns exec " + Ns("cli") +
                      " curl -s -o /dev/null -w '%{http_code}' --max-time 1 "
                      "http://10.200.0.1:5000/rootDesc.xml") == "200")
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        FAIL() << "miniupnpd did not come up";
    }
    void TearDown() override {
        std::ifstream pidFile(dir_.Path() + "/pid");
        int pid = 0;
        if (pidFile >> pid && pid > 0) {
            ::kill(pid, SIGTERM);
            for (int i = 0; i < 50 && ::kill(pid, 0) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        for (const auto& n : made_) Shell("ip netns del " + n + " 2>&1");
    }
    std::string Ns(const std::string& n) const { return prefix_ + "-" + n; }
    void Run(const std::string& cmd) {
        int st = 0;
        const std::string out = Shell(cmd + " 2>&1", &st);
        ASSERT_EQ(st, 0) << cmd << ": " << out;
    }
    std::string Dialog(const std::string& ns, const std::string& args) {
        return Shell("ip netns exec " + Ns(ns) + " " + kProbe + " " + args);
    }

    TempDir dir_;
    std::string prefix_;
    std::vector<std::string> made_;
};

const std::string kUnusable =
    "UPnPが使用できる環境ではありません!\r\nﾙｰﾀの管理ﾂｰﾙを使用してﾎﾟｰﾄを開放してください。\r\n";

TEST_F(Gateway, TestDialogRunsEveryStepOrStopsAtTheFirstFailure) {
    const std::string text = Dialog("cli", "8080 10.200.0.2");
    // The control URL is the gateway's to choose; it is on the gateway's description server.
    const std::string tag = "Control URL:";
    const size_t at = text.find(tag);
    ASSERT_NE(at, std::string::npos) << text;
    const std::string control = text.substr(at + tag.size(), text.find("\r\n", at) - at - tag.size());
    EXPECT_EQ(control.rfind("http://10.200.0.1:5000/", 0), 0u) << control;
    EXPECT_EQ(text,
              "Searching Internet Gateway Device...\r\n"
              "URL:http://10.200.0.1:5000/rootDesc.xml\r\n"
              "Searching control URL...\r\n"
              "Control URL:" + control + "\r\n"
              "Query Grobal IP Address...\r\n"
              "Grobal IP Address:192.0.3.2\r\n"
              "Execute port mapping...\r\n"
              "192.0.3.2:8080 ----> 10.200.0.2:8080\r\n"
              "Delete port mapping...\r\n"
              "UPnPによる一連の処理が正常に終了しました。\r\n"
              "UPnPが使用できます。\r\n");
    // The gateway refuses a mapping to an address outside its allowed network.
    const std::string refused = Dialog("cli", "8080 10.99.0.5");
    const std::string mapping = "Execute port mapping...\r\n";
    ASSERT_NE(refused.find(mapping), std::string::npos) << refused;
    const std::string tail = refused.substr(refused.find(mapping) + mapping.size());
    // The gateway's own fault text comes first.
    EXPECT_GT(tail.find("\r\n\r\nERROR"), 0u) << tail;
    EXPECT_NE(tail.find("\r\n\r\nERROR : Port mapping failed!\r\n" + kUnusable), std::string::npos)
        << tail;
    EXPECT_EQ(tail.size() - tail.find("\r\n\r\nERROR"),
              ("\r\n\r\nERROR : Port mapping failed!\r\n" + kUnusable).size());
    // A network without a gateway.
    EXPECT_EQ(Dialog("alone", "8080 127.0.0.1"),
              "Searching Internet Gateway Device...\r\n"
              "ERROR : Internet Gateway Device not found!\r\n" + kUnusable);
}

}  // namespace
