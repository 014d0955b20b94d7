// The entry points of the motion settings dialog and the recording-profile dialog.
#include "ui/MotionSettingDialog.h"
#include "ui/SettingDialogs.h"
#include "ui/WmvProfileDialog.h"

namespace ocv {

bool RunMotionSettingDialog(QWidget* parent, MotionCapSetting& motion, COcvCtrl* camera) {
    CMotionSettingDialog dlg(motion, camera, parent);
    if (dlg.exec() != QDialog::Accepted) return false;
    motion = dlg.Result();
    return true;
}

bool RunWmvProfileDialog(QWidget* parent, RecordingInfo& recording) {
    CWmvProfileDialog dlg(recording, parent);
    if (dlg.exec() != QDialog::Accepted) return false;
    recording = dlg.Result();
    return true;
}

}  // namespace ocv
