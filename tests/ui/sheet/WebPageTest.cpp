// The web-server page: local and global URLs from the chosen interface and the gateway's answer
// (a fake query), the details dialogs with their checks, and the UPnP test sequence's failures.
#include <gtest/gtest.h>

#include <atomic>

#include "SheetFixture.h"
#include "net/NicMgr.h"
#include "platform/NamedEvent.h"
#include "ui/PropWebServerPage.h"
#include "ui/StreamSettingDialog.h"
#include "ui/UPnPTestSequence.h"
#include "ui/iModeSettingDialog.h"

namespace {

using namespace ocv;
using namespace ocv::test;

QString Text(QWidget* page, const char* name) { return Child<QLineEdit>(page, name)->text(); }

TEST(WebServerPage, LocalAndGlobalUrlsAndTheQueryInProgressStoppedWhenClosed) {
    CNicMgr nics([](const std::string&) {});
    nics.Enumerate();
    const int lo = nics.IndexOfAddress("127.0.0.1");
    ASSERT_GE(lo, 0);
    const std::tuple<int, std::string, QString, QString> rows[] = {  // the query answers `global`
        {lo, "203.0.113.7", "http://127.0.0.1:8080", "http://203.0.113.7:8080"},
        {lo, "", "http://127.0.0.1:8080", "UPnP Failed!"},
        {250, "198.51.100.1", "--------------", "http://198.51.100.1:8080"}};
    for (const auto& [nicIndex, global, localUrl, globalUrl] : rows) {
        SheetContext ctx;
        ctx.work = MakeDefaultOcvParam("/opt/ocuvane");
        ctx.work.webServer.nicIndex = nicIndex;
        CPropWebServerPage page(ctx, nullptr, [&](std::shared_ptr<NamedEvent>) { return global; });
        EXPECT_EQ(Text(&page, "localUrl"), localUrl);
        EXPECT_EQ(Text(&page, "globalUrl"), QStringLiteral("--------------"));
        page.RefreshGlobalUrl();
        // The answer comes through the event queue; a fault fails after 5 s instead of hanging.
        EXPECT_TRUE(ocvtest::WaitFor(
            [&] { return QApplication::processEvents(), Text(&page, "globalUrl") == globalUrl; },
            5000))
            << Text(&page, "globalUrl").toStdString();
        // A new port shows in both addresses that exist.
        Apply(&page, {{"port", 9000}});
        EXPECT_EQ(Text(&page, "localUrl"),
                  nicIndex == lo ? QStringLiteral("http://127.0.0.1:9000") : localUrl);
        EXPECT_EQ(Text(&page, "globalUrl").endsWith(QStringLiteral(":9000")), !global.empty());
        page.Store();
        EXPECT_TRUE(ctx.work.webServer.nicIndex == nicIndex && ctx.work.webServer.port == 9000);
    }
    // Shown, the page asks at once and says so; closed, it stops the query.
    SheetContext ctx;
    ctx.work = MakeDefaultOcvParam("/opt/ocuvane");
    std::atomic<bool> stopped{false};
    {
        CPropWebServerPage page(ctx, nullptr, [&](std::shared_ptr<NamedEvent> stop) {
            stop->Wait(-1);  // a gateway that never answers
            stopped = true;
            return std::string();
        });
        page.show();  // the first show asks
        QApplication::processEvents();
        EXPECT_EQ(Text(&page, "globalUrl"), QString::fromUtf8("グローバルIPを取得中..."));
    }
    EXPECT_TRUE(stopped);
}

TEST(WebServerDetails, StreamAndPhoneDetailsRoundTripAndCheckTheConfirmation) {
    HookScope hooks;
    WebServerSetting base;
    base.enablePassword = base.imodeEnablePassword = 1, base.password = "abc", base.imodePassword = "xyz";
    CheckRoundTrip<WebServerSetting>(
        base, RunMade<CStreamSettingDialog, WebServerSetting>,
        {{"limits and password",
          {{"maxUser", 100}, {"maxFrame", 1}, {"password", "new"}, {"confirmPassword", "new"}},
          [](WebServerSetting& w) { w.maxUser = 100, w.maxFrame = 1, w.password = "new"; }}});
    CheckRoundTrip<WebServerSetting>(
        base, RunMade<CiModeSettingDialog, WebServerSetting>,
        {{"size, password off",
          {{"imodeWidth", 160}, {"imodeQuality", 55}, {"enablePassword", false}, {"password", "q"}},
          [](WebServerSetting& w) {
              w.imodeSizeW = 160, w.imodeQuality = 55, w.imodeEnablePassword = 0;
              w.imodePassword = "q";
          }}});
    // A password that differs from its confirmation is refused with the message.
    CStreamSettingDialog stream(base);
    CiModeSettingDialog phone(base);
    Apply(&stream, {{"confirmPassword", "abd"}});
    Apply(&phone, {{"password", "xy"}});
    for (QDialog* d : {static_cast<QDialog*>(&stream), static_cast<QDialog*>(&phone)}) {
        hooks.messages.clear();
        d->open();
        d->accept();
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(hooks.messages, std::vector{QStringLiteral("The password and its confirmation differ.")});
    }
    EXPECT_TRUE(stream.Result() == base && phone.Result() == base);
}

// The failures a real gateway (GatewayTest.cpp) cannot be made to give: no control URL, no
// global address, a refused deletion of the mapping; each ends the test with its lines.
TEST(UPnPTest, FailuresAfterTheSearchEndTheTest) {
    const std::string url = "URL:http://gw/d.xml\r\nSearching control URL...\r\n";
    const std::string control = url + "Control URL:http://gw/c\r\nQuery Grobal IP Address...\r\n";
    const std::string unusable =
        "UPnPが使用できる環境ではありません!\r\nﾙｰﾀの管理ﾂｰﾙを使用してﾎﾟｰﾄを開放してください。\r\n";
    const std::pair<int, std::string> rows[] = {
        {1, url + "ERROR : Control URL not found! \r\n"},
        {2, control + "ERROR : Grobal IP Address not found!\r\n"},
        {4, control + "Grobal IP Address:203.0.113.7\r\nExecute port mapping...\r\n"
                      "203.0.113.7:8080 ----> 192.168.0.10:8080\r\nDelete port mapping...\r\n"
                      "714 NoSuchEntryInArray\r\n\r\nERROR : Port mapping failed!\r\n"},
    };
    for (const auto& [failAt, text] : rows) {
        UPnPSteps s;  // an empty answer is a failure of its step
        s.search = [](std::string& loc, std::string&, StopEvent) { return loc = "http://gw/d.xml", true; };
        s.controlUrl = [&](const std::string&, std::string&, std::string& u, StopEvent) {
            return u = failAt == 1 ? "" : "http://gw/c", true;
        };
        s.externalAddress = [&](const std::string&, const std::string&, std::string& a, StopEvent) {
            return a = failAt == 2 ? "" : "203.0.113.7", true;
        };
        s.addMapping = [](auto&&...) { return true; };
        s.deleteMapping = [](const std::string&, const std::string&, int, std::string& e,
                             StopEvent) { return e = "714 NoSuchEntryInArray", false; };
        std::string out;
        EXPECT_FALSE(RunUPnPTest(s, 8080, "192.168.0.10", [&](const std::string& l) { out += l; }));
        EXPECT_EQ(out, text + unusable) << failAt;
    }
}

}  // namespace
