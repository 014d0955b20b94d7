#pragma once
// The about box with the program's version.
#include <QDialog>

namespace ocv {

class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(const QString& version, QWidget* parent = nullptr);
};

}  // namespace ocv
