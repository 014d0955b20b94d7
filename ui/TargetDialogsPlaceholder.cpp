// Bare entry points of the delivery-target and image dialogs until they land: nothing is edited.
#include "ui/SettingDialogs.h"

namespace ocv {

bool RunLocalSettingDialog(QWidget*, LocalSetting&) { return false; }
bool RunFtpDialog(QWidget*, FtpInfo&, ModeChoice*) { return false; }
bool RunSmtpDialog(QWidget*, SmtpInfo&, ModeChoice*) { return false; }
bool RunImageDialog(QWidget*, ImageSettings&, COcvCtrl*, const std::string&, ImageChoice*) {
    return false;
}

}  // namespace ocv
