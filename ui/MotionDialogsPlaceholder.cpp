// Bare entry points of the motion and recording-profile dialogs until they land.
#include "ui/SettingDialogs.h"

namespace ocv {

bool RunMotionSettingDialog(QWidget*, MotionCapSetting&, COcvCtrl*) { return false; }
bool RunWmvProfileDialog(QWidget*, RecordingInfo&) { return false; }

}  // namespace ocv
