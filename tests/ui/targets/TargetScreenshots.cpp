// Writes pictures of the delivery-target and image dialogs into a directory, in English
// (target-<dialog>.png) and Japanese (target-<dialog>_ja.png), filled with sample records.
// With a second argument, the port of an FTP server on 127.0.0.1 that lets anonymous users in,
// the folder browser is shown on it too.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>

#include "imaging/DibImage.h"
#include "ui/FtpBrowserDialog.h"
#include "ui/FtpDialog.h"
#include "ui/ImageDialog.h"
#include "ui/ImageEditDialog.h"
#include "ui/ImageFormatDialogs.h"
#include "ui/LocalSettingDialog.h"
#include "ui/MultiSettingDialogs.h"
#include "ui/PopBeforeSmtpDialog.h"
#include "ui/PortDialog.h"
#include "ui/PreviewImageDialog.h"
#include "ui/ReserveWordDialog.h"
#include "ui/SelectColorDialog.h"
#include "ui/SmtpDialog.h"
#include "ui/UiText.h"

namespace {

using namespace ocv;

int g_failures = 0;

void Save(QDialog& dlg, const QString& dir, const QString& name) {
    dlg.show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    const QString path = dir + QStringLiteral("/target-") + name + QStringLiteral(".png");
    const bool ok = dlg.grab().save(path);
    if (!ok) ++g_failures;
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", path.toUtf8().constData(), dlg.width(),
                dlg.height());
    dlg.hide();
}

ImageSettings SampleImage() {
    ImageSettings i;
    i.imageFilename = "entrance";
    i.enableAddNameDate = 1;
    i.enableAddNameTime = 1;
    i.fontName.faceName = "DejaVu Sans";
    i.fontDateTime.faceName = "DejaVu Sans";
    return i;
}

// A picture with a few colour fields and a magenta frame area.
QString WriteSamplePicture(const QTemporaryDir& dir) {
    QImage picture(320, 240, QImage::Format_RGB888);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            picture.setPixel(x, y, qRgb(x * 255 / 319, y * 255 / 239, 160));
    for (int y = 20; y < 220; ++y)
        for (int x = 20; x < 300; ++x) picture.setPixel(x, y, qRgb(255, 0, 255));
    const QString path = dir.filePath(QStringLiteral("frame.png"));
    picture.save(path);
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("shots");
    QDir().mkpath(dir);
    QTemporaryDir temp;
    const QString framePath = WriteSamplePicture(temp);

    LocalSetting local;
    local.saveDirectoryName = "/home/cam/pictures";
    local.enableMakeDateDirectory = 1;
    FtpInfo ftp;
    ftp.ftpServerAddress = "ftp.example.net";
    ftp.ftpUser = "camera";
    ftp.ftpPassword = "secret";
    ftp.ftpDirectory = "/upload/entrance";
    ftp.ftpPasvMode = 1;
    SmtpInfo smtp;
    smtp.smtpServerAddress = "mail.example.net";
    smtp.mailFrom = "camera@example.net";
    smtp.mailTo[0] = "guard@example.net";
    smtp.mailTo[1] = "office@example.net";
    smtp.mailSubject = "Motion at _$TIME$_";
    smtp.mailBody = "Picture: _$MAILFILENAME$_\r\nDate: _$DATE$_";
    smtp.enablePop3BeforeSmtp = 1;
    smtp.pop3ServerAddress = "pop.example.net";
    const ModeChoice modes{.live = true};
    ImageChoice grid{};
    grid[0][0] = grid[1][1] = true;
    ImageSettings image = SampleImage();
    ImageSettings withFrame = image;
    withFrame.enableFrameImage = 1;
    withFrame.frameImageFileName = framePath.toStdString();

    CDibImage frame;
    frame.LoadFromFile(framePath.toStdString());

    for (UiLanguage language : {UiLanguage::English, UiLanguage::Japanese}) {
        SetUiLanguage(language);
        const QString suffix = language == UiLanguage::Japanese ? QStringLiteral("_ja") : QString();
        auto shot = [&](QDialog& d, const char* name) {
            Save(d, dir, QString::fromLatin1(name) + suffix);
        };
        {
            CLocalSettingDialog d(local);
            shot(d, "local");
        }
        {
            CFTPDialog d(ftp, &modes);
            shot(d, "ftp");
        }
        {
            CSMTPDialog d(smtp, &modes);
            shot(d, "smtp");
        }
        {
            CPOPbeforeSMTPDialog d(smtp);
            shot(d, "pop-before-smtp");
        }
        {
            CPortDialog d(25, 25, "SMTP", "SMTP Server Port");
            shot(d, "port");
        }
        {
            CReserveWordDialog d;
            shot(d, "reservation-word");
        }
        {
            CImageDialog d(image, nullptr, &grid);
            shot(d, "image");
        }
        {
            CFormatJpegDialog d(image);
            shot(d, "jpeg");
        }
        {
            CFormatPngDialog d(image);
            shot(d, "png");
        }
        {
            CFormatPng8Dialog d(image);
            shot(d, "png8");
        }
        for (int tab = 0; tab < 3; ++tab) {
            CImageEditDialog d(withFrame, nullptr);
            d.findChild<QTabWidget*>()->setCurrentIndex(tab);
            const char* names[] = {"edit-date", "edit-name", "edit-frame"};
            shot(d, names[tab]);
        }
        {
            CSelectColorDialog d(framePath.toStdString(), 0xFF00FF, 128);
            shot(d, "select-color");
        }
        {
            ImageSettings s = image;
            s.enablePrintName = 1;
            s.fontName.height = -20;
            s.resizeRate = 1.5f;
            CPreviewImageDialog d(frame, s, "Entrance", nullptr);
            shot(d, "preview");
        }
        {
            CMultiSettingFtpDialog d(modes);
            shot(d, "ftp-package");
        }
        {
            CMultiSettingImageDialog d(grid);
            shot(d, "image-package");
        }
        if (argc > 2) {
            FtpEndpoint endpoint;
            endpoint.host = "127.0.0.1";
            endpoint.port = std::atoi(argv[2]);
            endpoint.anonymous = true;
            CFtpBrowserDialog d(endpoint, "/pictures", nullptr);
            if (d.LoggedIn()) shot(d, "ftp-browser");
        }
    }
    return g_failures == 0 ? 0 : 1;
}
