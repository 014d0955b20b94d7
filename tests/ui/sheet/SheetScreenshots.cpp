// Writes pictures of the capture-setting sheet (every page) and of its own dialogs into a
// directory: sheet-<page>.png in English and sheet-<page>_ja.png in Japanese.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QThread>

#include "config/OcvParam.h"
#include "net/NicMgr.h"
#include "ui/CapSettingDialog.h"
#include "ui/LiveModeSettingDialog.h"
#include "ui/NicInfoDialog.h"
#include "ui/SheetHooks.h"
#include "ui/StreamSettingDialog.h"
#include "ui/UPnPTestDialog.h"
#include "ui/UiText.h"
#include "ui/iModeSettingDialog.h"

namespace {

using namespace ocv;

void Settle(int rounds = 10) {
    for (int i = 0; i < rounds; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

bool Save(QWidget& w, const QString& dir, const QString& name) {
    w.show();
    Settle();
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool ok = w.grab().save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", path.toUtf8().constData(), w.width(),
                w.height());
    w.hide();
    return ok;
}

OcvParam Sample() {
    OcvParam p = MakeDefaultOcvParam("/opt/ocuvane");
    p.name = "Entrance";
    p.vistrel.enableFtp = 1;
    p.motion.enableMotionCapture = 1;
    p.motion.enableLocal = 1;
    p.motion.enableSmtp = 1;
    p.snapShot.local.saveDirectoryName = "/home/guard/snapshots";
    p.recording.local.saveDirectoryName = "/home/guard/video";
    p.schedule.enable = 1;
    p.schedule.execWeek = 0x3E;
    p.schedule.startHour = 8;
    p.schedule.endHour = 18;
    p.schedule.endMinute = 30;
    p.webServer.enable = 1;
    p.webServer.enableUPnP = 1;
    CNicMgr nics([](const std::string&) {});
    nics.Enumerate();
    p.webServer.nicIndex = nics.GetCount() > 0 ? 0 : 0;
    return p;
}

UPnPSteps Steps() {
    UPnPSteps s;
    s.search = [](std::string& loc, std::string& type, StopEvent) {
        loc = "http://192.168.0.1:5000/rootDesc.xml";
        type = "urn:schemas-upnp-org:service:WANIPConnection:1";
        return true;
    };
    s.controlUrl = [](const std::string&, std::string&, std::string& url, StopEvent) {
        url = "http://192.168.0.1:5000/ctl/IPConn";
        return true;
    };
    s.externalAddress = [](const std::string&, const std::string&, std::string& t, StopEvent) {
        t = "203.0.113.7";
        return true;
    };
    s.addMapping = [](const std::string&, const std::string&, const std::string&, int, int,
                      std::string&, StopEvent) { return true; };
    s.deleteMapping = [](const std::string&, const std::string&, int, std::string&, StopEvent) {
        return true;
    };
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(dir);
    // The global address comes from a stand-in, not from the router of this machine.
    CurrentSheetHooks().globalAddress = [](std::shared_ptr<NamedEvent>) {
        return std::string("203.0.113.7");
    };
    const char* pages[] = {"files", "live", "motion", "snapshot", "video", "schedule", "broadcast"};
    bool ok = true;
    for (UiLanguage lang : {UiLanguage::English, UiLanguage::Japanese}) {
        SetUiLanguage(lang);
        const QString suffix = lang == UiLanguage::Japanese ? QStringLiteral("_ja") : QString();
        auto name = [&](const char* n) { return QStringLiteral("sheet-") + QLatin1String(n) + suffix; };
        {
            CCapSettingDialog sheet(Sample());
            for (int i = 0; i < sheet.Tabs()->count(); ++i) {
                sheet.Tabs()->setCurrentIndex(i);
                ok &= Save(sheet, dir, name(pages[i]));
            }
        }
        CLiveModeSettingDialog live(300000);
        ok &= Save(live, dir, name("live-interval"));
        WebServerSetting web;
        web.enablePassword = 1;
        web.password = "secret";
        CStreamSettingDialog stream(web);
        ok &= Save(stream, dir, name("stream-details"));
        CiModeSettingDialog phone(web);
        ok &= Save(phone, dir, name("phone-details"));
        CNicMgr nics([](const std::string&) {});
        nics.Enumerate();
        CNicInfoDialog nic(nics, 0);
        ok &= Save(nic, dir, name("nic-info"));
        CUPnPTestDialog upnp(8080, "192.168.0.10", Steps());
        upnp.show();
        upnp.Start();
        for (int i = 0; i < 200 && !upnp.Finished(); ++i) Settle(1);
        ok &= Save(upnp, dir, name("upnp-test"));
    }
    return ok ? 0 : 1;
}
