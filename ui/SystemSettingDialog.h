#pragma once
// The "System Setting" sheet: the log page and the e-mail command page over a copy of the system
// record; Result() holds the edited copy after OK.
#include <QDialog>

#include "config/SystemInfo.h"

namespace ocv {

class CSystemSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CSystemSettingDialog(const SystemInfo& system, QWidget* parent = nullptr);
    SystemInfo Result() const { return system_; }

private:
    SystemInfo system_;
};

}  // namespace ocv
