#pragma once
// The message boxes and file choosers of the capture-setting sheet go through these hooks, so a
// test can answer them without a modal window; empty hooks show the real ones.
#include <functional>
#include <memory>
#include <string>

#include <QString>

#include "ui/SettingDialogs.h"

class QWidget;

namespace ocv {

class NamedEvent;

struct SheetHooks {
    // A warning with an OK button.
    std::function<void(QWidget* parent, const QString& text)> message;
    // A file to open (save false) or to write (save true) under a filter of the
    // The dialogs of SettingDialogs.h, or their stand-ins.
bool SheetLocalDialog(QWidget* parent, LocalSetting& local);
bool SheetFtpDialog(QWidget* parent, FtpInfo& ftp, ModeChoice* package);
bool SheetSmtpDialog(QWidget* parent, SmtpInfo& smtp, ModeChoice* package);
bool SheetImageDialog(QWidget* parent, ImageSettings& image, COcvCtrl* camera,
                      const std::string& cameraName, ImageChoice* package);
bool SheetMotionDialog(QWidget* parent, MotionCapSetting& motion, COcvCtrl* camera);
bool SheetWmvDialog(QWidget* parent, RecordingInfo& recording);
// "Text(*.x)|*.x|...||" form; an empty text when the user cancelled.
    std::function<QString(QWidget* parent, bool save, const char* filter)> file;
    // A folder, starting at `current`; empty when cancelled.
    std::function<QString(QWidget* parent, const QString& current)> folder;
    // The global address the web page shows; empty: asked of the gateway through UPnP.
    std::function<std::string(std::shared_ptr<NamedEvent> stop)> globalAddress;
    // Stand-ins for the dialogs the pages open; empty: the real ones.
    std::function<decltype(RunLocalSettingDialog)> localDialog;
    std::function<decltype(RunFtpDialog)> ftpDialog;
    std::function<decltype(RunSmtpDialog)> smtpDialog;
    std::function<decltype(RunImageDialog)> imageDialog;
    std::function<decltype(RunMotionSettingDialog)> motionDialog;
    std::function<decltype(RunWmvProfileDialog)> wmvDialog;
};

SheetHooks& CurrentSheetHooks();

void SheetMessage(QWidget* parent, const QString& text);
QString SheetFile(QWidget* parent, bool save, const char* filter);
QString SheetFolder(QWidget* parent, const QString& current);
// The dialogs of SettingDialogs.h, or their stand-ins.
bool SheetLocalDialog(QWidget* parent, LocalSetting& local);
bool SheetFtpDialog(QWidget* parent, FtpInfo& ftp, ModeChoice* package);
bool SheetSmtpDialog(QWidget* parent, SmtpInfo& smtp, ModeChoice* package);
bool SheetImageDialog(QWidget* parent, ImageSettings& image, COcvCtrl* camera,
                      const std::string& cameraName, ImageChoice* package);
bool SheetMotionDialog(QWidget* parent, MotionCapSetting& motion, COcvCtrl* camera);
bool SheetWmvDialog(QWidget* parent, RecordingInfo& recording);
// "Text(*.x)|*.x|All(*.*)|*.*||" as the filter list of a Qt file dialog: "Text(*.x);;All(*.*)".
QString QtFilterOf(const char* filter);

}  // namespace ocv
