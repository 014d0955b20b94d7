#pragma once
// "FTP setting": server, login, directory (with the server's folder browser), retries, port,
// TLS and the package setup.
#include <QDialog>

#include "config/OcvParam.h"
#include "ui/SettingDialogs.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace ocv {

class CFTPDialog : public QDialog {
public:
    // `package` null: no package setup offered.
    CFTPDialog(const FtpInfo& ftp, const ModeChoice* package, QWidget* parent = nullptr);
    const FtpInfo& Value() const { return ftp_; }
    const ModeChoice& Package() const { return package_; }
    // The server, login and TLS fields as they stand.
    FtpInfo Current() const;
    void accept() override;

private:
    void Browse();
    void UpdateEnabled();

    FtpInfo ftp_;
    ModeChoice package_;
    int port_;
    QLineEdit* server_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* anonymous_;
    QCheckBox* passive_;
    QLineEdit* directory_;
    QSpinBox* retry_;
    QLabel* portLabel_;
    QCheckBox* tls_;
    QCheckBox* selfSigned_;
};

}  // namespace ocv
