#pragma once
// The "Log settings" page of the system settings: debug mode and the log file's directory.
#include <QWidget>

#include "config/SystemInfo.h"

class QCheckBox;
class QLineEdit;

namespace ocv {

class CPropLogPage : public QWidget {
    Q_OBJECT
public:
    explicit CPropLogPage(const SystemInfo& system, QWidget* parent = nullptr);
    // Copies the page's values into `system` ("Debug Mode", "LogFile Path").
    void Store(SystemInfo& system) const;

private slots:
    void BrowseDirectory();

private:
    QCheckBox* debug_ = nullptr;
    QLineEdit* directory_ = nullptr;
};

}  // namespace ocv
