#pragma once
// The dialogs that the pages of the capture-setting sheet open. Each edits the record it is
// given only on OK (true); on Cancel (false) the record is as it was.
#include <array>
#include <string>

#include <QWidget>

#include "config/OcvParam.h"

namespace ocv {

class COcvCtrl;

// The modes a package setup copies a target's settings to.
struct ModeChoice {
    bool live = false;
    bool motion = false;
    bool snapshot = false;
    bool operator==(const ModeChoice&) const = default;
};
// The targets an image package setup copies image settings to: [mode][target], modes live,
// motion, snapshot; targets hard disk, FTP, e-mail.
using ImageChoice = std::array<std::array<bool, 3>, 3>;

// "Save Location": the directory and the date-folder flag (the image settings are not touched).
bool RunLocalSettingDialog(QWidget* parent, LocalSetting& local);
// "FTP setting". When the user chose modes in "Package setup", `package` (if given) holds them
// and the caller copies the FTP settings there after OK.
bool RunFtpDialog(QWidget* parent, FtpInfo& ftp, ModeChoice* package = nullptr);
// "e-mail settings", with the POP-before-SMTP, port and reservation-word dialogs.
bool RunSmtpDialog(QWidget* parent, SmtpInfo& smtp, ModeChoice* package = nullptr);
// "Image setting". `camera` (may be null) gives the newest frame for the preview;
// `cameraName` is what the name stamp prints.
bool RunImageDialog(QWidget* parent, ImageSettings& image, COcvCtrl* camera,
                    const std::string& cameraName, ImageChoice* package = nullptr);
// "MOTION mode setting" with its live preview of `camera` (may be null: not connected).
bool RunMotionSettingDialog(QWidget* parent, MotionCapSetting& motion, COcvCtrl* camera);
// "profile preference" of the recording.
bool RunWmvProfileDialog(QWidget* parent, RecordingInfo& recording);

}  // namespace ocv
