// Writes pictures of the connection wizard's pages, the format pages and the camera-setting
// dialog, in English and Japanese, into the directory given as the first argument. With the base
// URL of a running camera simulator as the second argument the camera-setting dialog shows a
// connected camera.
#include <cstdio>
#include <memory>
#include <string>

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include "WizardDriver.h"
#include "controller/OcvCtrl.h"
#include "platform/Dispatcher.h"
#include "sources/SourceFactory.h"
#include "ui/CameraSettingDialog.h"
#include "ui/CaptureFormatDialog.h"
#include "ui/ModelFormatPanel.h"
#include "ui/UiText.h"

using namespace ocv;

namespace {

bool Grab(QWidget& w, const QString& dir, const QString& name) {
    w.show();
    QApplication::processEvents();
    const QString path = QDir(dir).filePath(name + ".png");
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toUtf8().constData());
    w.hide();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: wizard_screenshots <directory>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    auto devices = std::make_shared<ocvtest::ListedDevices>(std::vector<CaptureDeviceEntry>{
        {"/dev/video0", "USB Camera", "uvcvideo", "usb-0000:00:14.0-1"},
        {"/dev/video2", "HD Webcam", "uvcvideo", "usb-0000:00:14.0-2"}});
    bool ok = true;
    for (UiLanguage lang : {UiLanguage::English, UiLanguage::Japanese}) {
        SetUiLanguage(lang);
        const QString suffix = lang == UiLanguage::English ? "-en" : "-ja";
        CameraSelection initial;
        initial.name = "Door";
        CSelectCameraDialog w(initial, devices);
        w.show();
        ok &= Grab(w, dir, "wizard-connection-type" + suffix);
        struct Shot {
            int type;
            const char* name;
        };
        for (Shot s : {Shot{DEVICE_LOCAL_CAPTURE, "wizard-local-device"},
                       Shot{DEVICE_AXIS, "wizard-axis"}, Shot{DEVICE_VIVOTEK, "wizard-vivotek"},
                       Shot{DEVICE_PEER_INSTANCE, "wizard-peer"}, Shot{0, "wizard-file"}}) {
            ocvtest::GoToLastPage(w, s.type);
            ok &= Grab(w, dir, s.name + suffix);
        }
        ocvtest::GoToLastPage(w, DEVICE_AXIS);
        w.back();
        ok &= Grab(w, dir, "wizard-network-camera" + suffix);

        DeviceInfo pana;
        pana.deviceType = DEVICE_PANASONIC;
        pana.deviceName = "http://192.168.0.20/";
        CModelFormatDialog format(DEVICE_PANASONIC, pana);
        ok &= Grab(format, dir, "wizard-format-panasonic" + suffix);

        DeviceInfo local;
        local.deviceType = DEVICE_LOCAL_CAPTURE;
        local.deviceName = "USB Camera";
        local.frameWidth = 640;
        local.frameHeight = 480;
        local.frameRate = 30;
        CCaptureFormatDialog capture({{"YUYV", 640, 480, {30, 15}}, {"YUYV", 320, 240, {30}}}, local);
        ok &= Grab(capture, dir, "wizard-format-capture" + suffix);

        ThreadDispatcher dispatcher;
        for (bool connected : {false, argc > 2}) {
            COcvCtrl ctrl(dispatcher, &CreateCameraSource, QDir::tempPath().toStdString());
            ctrl.Create();
            OcvParam p = ctrl.Param();
            p.deviceInfo.deviceType = DEVICE_AXIS;
            p.deviceInfo.deviceName = connected ? argv[2] : "http://192.168.0.30/";
            p.deviceInfo.frameWidth = 320;
            p.deviceInfo.frameHeight = 240;
            ctrl.SetParam(p);
            if (connected && ctrl.ConnectCamera() != 1) ok = false;
            CCameraSettingDialog setting(ctrl, nullptr, {});
            ok &= Grab(setting, dir,
                       QString(connected ? "wizard-camera-setting-connected" : "wizard-camera-setting") +
                           suffix);
            ctrl.Disconnect();
        }
    }
    return ok ? 0 : 1;
}
