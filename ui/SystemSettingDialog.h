#pragma once
// The "System Setting" sheet: the log page and the e-mail command page over a copy of the system
// record; Result() holds the edited copy after OK.
#include <QDialog>

#include "config/SystemInfo.h"

class QTabWidget;

namespace ocv {

class CPropLogPage;
class CPropMailCommandPage;

class CSystemSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CSystemSettingDialog(const SystemInfo& system, QWidget* parent = nullptr);
    SystemInfo Result() const { return system_; }

    // OK copies the pages into the record; Cancel leaves it as it came.
    void accept() override;

private:
    SystemInfo system_;
    QTabWidget* tabs_ = nullptr;
    CPropLogPage* logPage_ = nullptr;
    CPropMailCommandPage* mailPage_ = nullptr;
};

}  // namespace ocv
