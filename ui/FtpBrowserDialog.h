#pragma once
// The folders of the FTP server, to pick the upload directory: double-click (or Enter) opens a
// folder, ".." goes up, OK takes the folder shown.
#include <string>

#include <QDialog>

#include "delivery/FtpSession.h"

class QLabel;
class QListWidget;

namespace ocv {

class CFtpBrowserDialog : public QDialog {
public:
    CFtpBrowserDialog(const FtpEndpoint& endpoint, const std::string& directory,
                      QWidget* parent = nullptr);
    // Lists `directory`; on failure shows the message and keeps the folder shown before.
    bool Open(const std::string& directory);
    // The folder shown, an absolute path.
    const std::string& Directory() const { return directory_; }
    // False when the first listing failed (the dialog is not worth showing).
    bool LoggedIn() const { return loggedIn_; }

private:
    FtpEndpoint endpoint_;
    std::string directory_;
    bool loggedIn_ = false;
    bool loginFailed_ = false;
    QLabel* path_;
    QListWidget* list_;
};

// The message of a failed login.
QString FtpLoginFailedText();

}  // namespace ocv
