// The "UPnP test" dialog against miniupnpd, in network namespaces the test makes (nothing is sent
// from the machine's own namespace): the whole sequence with a real gateway, and the failure
// lines where there is none.
#include <gtest/gtest.h>

#include <string>

#include "../../net/GatewayNamespaces.h"

namespace {

const std::string kProbe = OCV_BINARY_DIR "/tests/ui/sheet/ui_sheet_upnp_probe";

using ocvtest::Shell;

// The router, its client and "alone", a namespace with no gateway at all.
class Gateway : public ocvtest::GatewayNamespaces {
protected:
    Gateway() : GatewayNamespaces("miniupnpd nft", {"alone"}) {}

    std::string Dialog(const std::string& ns, const std::string& args) {
        return Shell("ip netns exec " + Ns(ns) + " " + kProbe + " " + args);
    }
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
              "Searching Internet Gateway Device...\r\nURL:http://10.200.0.1:5000/rootDesc.xml\r\n"
              "Searching control URL...\r\nControl URL:" + control + "\r\n"
              "Query Grobal IP Address...\r\nGrobal IP Address:192.0.3.2\r\n"
              "Execute port mapping...\r\n192.0.3.2:8080 ----> 10.200.0.2:8080\r\n"
              "Delete port mapping...\r\n"
              "UPnPによる一連の処理が正常に終了しました。\r\nUPnPが使用できます。\r\n");
    // The gateway refuses a mapping to an address outside its allowed network.
    const std::string mapping = "Execute port mapping...\r\n", refused = Dialog("cli", "8080 10.99.0.5");
    // The gateway's own fault text comes first, then the failure lines end the test.
    ASSERT_NE(refused.find(mapping), std::string::npos) << refused;
    EXPECT_TRUE(refused.ends_with("\r\n\r\nERROR : Port mapping failed!\r\n" + kUnusable)) << refused;
    EXPECT_LT(refused.find(mapping) + mapping.size(), refused.find("\r\n\r\nERROR")) << refused;
    // A network without a gateway.
    EXPECT_EQ(Dialog("alone", "8080 127.0.0.1"),
              "Searching Internet Gateway Device...\r\n"
              "ERROR : Internet Gateway Device not found!\r\n" + kUnusable);
}

}  // namespace
