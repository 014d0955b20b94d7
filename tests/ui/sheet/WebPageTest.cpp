// The web-server page: local and global URLs from the chosen interface and the gateway's answer
// (a fake query), the details dialogs with their checks, and the UPnP test sequence and dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "SheetFixture.h"
#include "net/NicMgr.h"
#include "platform/NamedEvent.h"
#include "ui/NicInfoDialog.h"
#include "ui/PropWebServerPage.h"
#include "ui/StreamSettingDialog.h"
#include "ui/UPnPTestDialog.h"
#include "ui/UPnPTestSequence.h"
#include "ui/iModeSettingDialog.h"

namespace {

using namespace ocv;
using namespace ocv::test;

int LoopbackPosition() {
    CNicMgr nics([](const std::string&) {});
    nics.Enumerate();
    return nics.IndexOfAddress("127.0.0.1");
}

QString Text(QWidget* page, const char* name) { return Child<QLineEdit>(page, name)->text(); }

TEST(WebServerPage, LocalAndGlobalUrls) {
    const int lo = LoopbackPosition();
    ASSERT_GE(lo, 0);
    struct Row {
        int nicIndex;
        const char* global;  // what the query answers
        const char* localUrl;
        const char* globalUrl;
    } rows[] = {
        {lo, "203.0.113.7", "http://127.0.0.1:8080", "http://203.0.113.7:8080"},
        {lo, "", "http://127.0.0.1:8080", "UPnP Failed!"},
        {250, "198.51.100.1", "--------------", "http://198.51.100.1:8080"},
    };
    for (const Row& r : rows) {
        SheetContext ctx;
        ctx.work = MakeDefaultOcvParam("/opt/ocuvane");
        ctx.work.webServer.nicIndex = r.nicIndex;
        const std::string answer = r.global;
        CPropWebServerPage page(ctx, nullptr,
                                [answer](std::shared_ptr<NamedEvent>) { return answer; });
        EXPECT_EQ(Text(&page, "localUrl"), QString::fromUtf8(r.localUrl));
        EXPECT_EQ(Text(&page, "globalUrl"), QStringLiteral("--------------"));
        page.RefreshGlobalUrl();
        EXPECT_TRUE(SpinUntil([&] {
            return Text(&page, "globalUrl") == QString::fromUtf8(r.globalUrl);
        })) << Text(&page, "globalUrl").toStdString();
        // A new port shows in both addresses that exist.
        Child<QSpinBox>(&page, "port")->setValue(9000);
        const QString local = r.nicIndex == lo ? QStringLiteral("http://127.0.0.1:9000")
                                               : QStringLiteral("--------------");
        EXPECT_EQ(Text(&page, "localUrl"), local);
        const bool known = *r.global != 0;
        EXPECT_EQ(Text(&page, "globalUrl").endsWith(QStringLiteral(":9000")), known);
        page.Store();
        EXPECT_EQ(ctx.work.webServer.nicIndex, r.nicIndex);
        EXPECT_EQ(ctx.work.webServer.port, 9000);
    }
}

TEST(WebServerPage, ShowsTheQueryInProgressAndStopsItWhenClosed) {
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

TEST(NicInfoDialog, ShowsNameAddressAndEightHardwareGroups) {
    CNicMgr nics([](const std::string&) {});
    nics.Enumerate();
    const int lo = nics.IndexOfAddress("127.0.0.1");
    ASSERT_GE(lo, 0);
    for (int position : {lo, nics.GetCount(), -1}) {
        const bool known = position == lo;
        CNicInfoDialog dlg(nics, position);
        EXPECT_EQ(Text(&dlg, "nicIp"), known ? QStringLiteral("127.0.0.1") : QString());
        EXPECT_EQ(Text(&dlg, "nicMac").split(QLatin1Char('-')).size(), known ? 8 : 1);
        EXPECT_EQ(Text(&dlg, "nicName").isEmpty(), !known);
    }
}

TEST(WebServerDetails, StreamAndPhoneDetailsRoundTripAndCheckTheConfirmation) {
    HookScope hooks;
    WebServerSetting base;
    base.enablePassword = 1;
    base.password = "abc";
    base.imodeEnablePassword = 1;
    base.imodePassword = "xyz";
    // Shown, as the refused confirmation keeps the dialog open.
    auto shown = [](auto* type) {
        return [](WebServerSetting& w, const std::function<void(QDialog*)>& act) {
            std::remove_pointer_t<decltype(type)> d(w);
            d.open();
            act(&d);
            w = d.Result();
            return d.result() == QDialog::Accepted;
        };
    };
    CheckRoundTrip<WebServerSetting>(base, shown(static_cast<CStreamSettingDialog*>(nullptr)),
                                     {{"limits",
                                       {{"maxUser", 100}, {"maxFrame", 1}},
                                       [](WebServerSetting& w) {
                                           w.maxUser = 100;
                                           w.maxFrame = 1;
                                       }},
                                      {"new password",
                                       {{"password", "new"}, {"confirmPassword", "new"}},
                                       [](WebServerSetting& w) { w.password = "new"; }}});
    CheckRoundTrip<WebServerSetting>(
        base, shown(static_cast<CiModeSettingDialog*>(nullptr)),
        {{"size",
          {{"imodeWidth", 160}, {"imodeHeight", 120}, {"imodeQuality", 55}},
          [](WebServerSetting& w) {
              w.imodeSizeW = 160;
              w.imodeSizeH = 120;
              w.imodeQuality = 55;
          }},
         {"password off", {{"enablePassword", false}, {"password", "q"}}, [](WebServerSetting& w) {
              w.imodeEnablePassword = 0;
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
        Press(*d, QDialogButtonBox::Ok);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(hooks.messages, std::vector<QString>{
                                      QStringLiteral("The password and its confirmation differ.")});
    }
    EXPECT_EQ(stream.Result(), base);
    EXPECT_EQ(phone.Result(), base);
}

// Steps that succeed up to `failAt` (0 search ... 4 delete; 5 none fails).
UPnPSteps FakeSteps(int failAt) {
    UPnPSteps s;
    s.search = [=](std::string& loc, std::string& type, StopEvent) {
        loc = "http://192.168.0.1:5000/rootDesc.xml";
        type = "urn:schemas-upnp-org:service:WANIPConnection:1";
        return failAt != 0;
    };
    s.controlUrl = [=](const std::string&, std::string&, std::string& url, StopEvent) {
        url = failAt == 1 ? "" : "http://192.168.0.1:5000/ctl/IPConn";
        return failAt != 1;
    };
    s.externalAddress = [=](const std::string&, const std::string&, std::string& text, StopEvent) {
        text = failAt == 2 ? "" : "203.0.113.7";
        return failAt != 2;
    };
    s.addMapping = [=](const std::string&, const std::string&, const std::string& client, int ext,
                       int in, std::string& error, StopEvent) {
        if (client != "192.168.0.10" || ext != 8080 || in != 8080) return false;
        error = "718 ConflictInMappingEntry";
        return failAt != 3;
    };
    s.deleteMapping = [=](const std::string&, const std::string&, int ext, std::string& error,
                          StopEvent) {
        error = "714 NoSuchEntryInArray";
        return ext == 8080 && failAt != 4;
    };
    return s;
}

const std::string kUnusable =
    "UPnPが使用できる環境ではありません!\r\nﾙｰﾀの管理ﾂｰﾙを使用してﾎﾟｰﾄを開放してください。\r\n";
const std::string kUpToMapping =
    "URL:http://192.168.0.1:5000/rootDesc.xml\r\nSearching control URL...\r\n"
    "Control URL:http://192.168.0.1:5000/ctl/IPConn\r\nQuery Grobal IP Address...\r\n"
    "Grobal IP Address:203.0.113.7\r\nExecute port mapping...\r\n";
const std::string kMapped =
    "203.0.113.7:8080 ----> 192.168.0.10:8080\r\nDelete port mapping...\r\n";

TEST(UPnPTest, EachStepWritesItsLineAndTheFirstFailureEndsTheTest) {
    struct Row {
        int failAt;
        std::string text;
        bool ok;
    } rows[] = {
        {0, "ERROR : Internet Gateway Device not found!\r\n" + kUnusable, false},
        {1,
         "URL:http://192.168.0.1:5000/rootDesc.xml\r\nSearching control URL...\r\n"
         "ERROR : Control URL not found! \r\n" +
             kUnusable,
         false},
        {2,
         kUpToMapping.substr(0, kUpToMapping.find("Grobal IP Address:")) +
             "ERROR : Grobal IP Address not found!\r\n" + kUnusable,
         false},
        {3,
         kUpToMapping + "718 ConflictInMappingEntry\r\n\r\nERROR : Port mapping failed!\r\n" +
             kUnusable,
         false},
        {4,
         kUpToMapping + kMapped + "714 NoSuchEntryInArray\r\n\r\nERROR : Port mapping failed!\r\n" +
             kUnusable,
         false},
        {5,
         kUpToMapping + kMapped +
             "UPnPによる一連の処理が正常に終了しました。\r\nUPnPが使用できます。\r\n",
         true},
    };
    for (const Row& r : rows) {
        std::string text;
        const bool ok = RunUPnPTest(FakeSteps(r.failAt), 8080, "192.168.0.10",
                                    [&](const std::string& line) { text += line; });
        EXPECT_EQ(ok, r.ok) << r.failAt;
        EXPECT_EQ(text, r.text) << r.failAt;
    }
}

// The dialog shows the lines as the steps write them, after its first line.
TEST(UPnPTest, DialogShowsTheLinesAsTheyCome) {
    CUPnPTestDialog dlg(8080, "192.168.0.10", FakeSteps(3));
    EXPECT_EQ(dlg.Text(), kUPnPSearchingLine);
    dlg.show();
    ASSERT_TRUE(SpinUntil([&] { return dlg.Finished(); }));  // started by its own timer
    std::string expected = kUPnPSearchingLine;
    RunUPnPTest(FakeSteps(3), 8080, "192.168.0.10",
                [&](const std::string& line) { expected += line; });
    EXPECT_EQ(dlg.Text(), expected);
    QString shown = QString::fromStdString(expected);
    shown.remove(QLatin1Char('\r'));
    EXPECT_EQ(Child<QPlainTextEdit>(&dlg, "upnpText")->toPlainText(), shown);
}

}  // namespace
