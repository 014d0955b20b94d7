#include "ui/SheetHooks.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "ui/SheetText.h"

namespace ocv {

SheetHooks& CurrentSheetHooks() {
    static SheetHooks hooks;
    return hooks;
}

void SheetMessage(QWidget* parent, const QString& text) {
    if (CurrentSheetHooks().message) return CurrentSheetHooks().message(parent, text);
    QMessageBox::warning(parent, parent ? parent->window()->windowTitle() : QString(), text);
}

QString SheetFile(QWidget* parent, bool save, const char* filter) {
    if (CurrentSheetHooks().file) return CurrentSheetHooks().file(parent, save, filter);
    const QString f = QtFilterOf(filter);
    return save ? QFileDialog::getSaveFileName(parent, QString(), QString(), f)
                : QFileDialog::getOpenFileName(parent, QString(), QString(), f);
}

QString SheetFolder(QWidget* parent, const QString& current) {
    if (CurrentSheetHooks().folder) return CurrentSheetHooks().folder(parent, current);
    return QFileDialog::getExistingDirectory(parent, Sh(st::kChooseFolder), current);
}

bool SheetLocalDialog(QWidget* parent, LocalSetting& local) {
    auto& h = CurrentSheetHooks().localDialog;
    return h ? h(parent, local) : RunLocalSettingDialog(parent, local);
}
bool SheetFtpDialog(QWidget* parent, FtpInfo& ftp, ModeChoice* package) {
    auto& h = CurrentSheetHooks().ftpDialog;
    return h ? h(parent, ftp, package) : RunFtpDialog(parent, ftp, package);
}
bool SheetSmtpDialog(QWidget* parent, SmtpInfo& smtp, ModeChoice* package) {
    auto& h = CurrentSheetHooks().smtpDialog;
    return h ? h(parent, smtp, package) : RunSmtpDialog(parent, smtp, package);
}
bool SheetImageDialog(QWidget* parent, ImageSettings& image, COcvCtrl* camera,
                      const std::string& cameraName, ImageChoice* package) {
    auto& h = CurrentSheetHooks().imageDialog;
    return h ? h(parent, image, camera, cameraName, package)
             : RunImageDialog(parent, image, camera, cameraName, package);
}
bool SheetMotionDialog(QWidget* parent, MotionCapSetting& motion, COcvCtrl* camera) {
    auto& h = CurrentSheetHooks().motionDialog;
    return h ? h(parent, motion, camera) : RunMotionSettingDialog(parent, motion, camera);
}
bool SheetWmvDialog(QWidget* parent, RecordingInfo& recording) {
    auto& h = CurrentSheetHooks().wmvDialog;
    return h ? h(parent, recording) : RunWmvProfileDialog(parent, recording);
}

QString QtFilterOf(const char* filter) {
    // Pairs of description and pattern; only the descriptions carry the patterns Qt reads.
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList names;
    for (int i = 0; i < parts.size(); i += 2) names << parts[i];
    return names.join(QStringLiteral(";;"));
}

}  // namespace ocv
