// Writes pictures of the motion dialogs into a directory: motion-<dialog>.png in English and
// motion-<dialog>_ja.png in Japanese, the motion dialog over the camera simulator.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>

#include "MotionCamera.h"
#include "ui/LiveShotDialog.h"
#include "ui/MotionSettingDialog.h"
#include "ui/MotionTimeoutSettingDialog.h"
#include "ui/RangeSettingDialog.h"
#include "ui/UiText.h"
#include "ui/WmvProfileDialog.h"

namespace {

using namespace ocv;

bool Save(QDialog& dlg, const QString& dir, const QString& name) {
    dlg.show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    const QString path = dir + QStringLiteral("/motion-") + name + QStringLiteral(".png");
    const bool ok = dlg.grab().save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", path.toUtf8().constData(), dlg.width(),
                dlg.height());
    dlg.hide();
    return ok;
}

MotionCapSetting Sample() {
    MotionCapSetting m;
    m.motionCaptureThreshold = 0.5f;
    m.motionCaptureSoundFilename = "/opt/ocuvane/moving.wav";
    m.enableRecording = 1;
    m.recordingStartTimeBefore = 3;
    m.rangeLeft = 40;
    m.rangeTop = 30;
    m.rangeRight = 260;
    m.rangeBottom = 200;
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    motiontest::SimCamera camera("320x240", {});
    if (!camera.Connected()) std::fprintf(stderr, "camera simulator not connected\n");
    bool ok = true;
    for (UiLanguage lang : {UiLanguage::English, UiLanguage::Japanese}) {
        SetUiLanguage(lang);
        const QString suffix = lang == UiLanguage::Japanese ? QStringLiteral("_ja") : QString();
        {
            CMotionSettingDialog dlg(Sample(), camera.Ctrl());
            dlg.show();
            // Enough steps for two pictures of the moving scene.
            const uint64_t first = camera.Pictures();
            ocvtest::WaitFor(
                [&] {
                    dlg.PreviewTick();
                    QApplication::processEvents();
                    return camera.Pictures() >= first + 3;
                },
                5000);
            dlg.PreviewTick();
            ok &= Save(dlg, dir, QStringLiteral("setting") + suffix);
        }
        {
            CMotionSettingDialog dlg(Sample(), nullptr);
            ok &= Save(dlg, dir, QStringLiteral("setting-nocamera") + suffix);
        }
        {
            BITMAPINFOHEADER format{};
            std::vector<uint8_t> pixels;
            if (camera.Ctrl() && camera.Ctrl()->Source())
                camera.Ctrl()->Source()->CopySample(format, pixels);
            CRangeSettingDialog dlg(format, pixels, {40, 30, 260, 200});
            ok &= Save(dlg, dir, QStringLiteral("scope") + suffix);
        }
        {
            CLiveShotDialog dlg(Sample());
            ok &= Save(dlg, dir, QStringLiteral("detail") + suffix);
        }
        {
            CMotionTimeoutSettingDialog dlg(Sample());
            ok &= Save(dlg, dir, QStringLiteral("timeout") + suffix);
        }
        {
            RecordingInfo rec;
            rec.wmvCustomProfilePath = "/opt/ocuvane/ovndefault.prx";
            CWmvProfileDialog dlg(rec);
            ok &= Save(dlg, dir, QStringLiteral("profile") + suffix);
        }
    }
    return ok ? 0 : 1;
}
