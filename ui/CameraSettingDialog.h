#pragma once
// "Camera Setting": the connected device's name and capture format, and the commands on the
// camera's connection: choose another camera, reconnect, the device's format and property
// pages, and saving the device information as a ".dev" file.
#include <functional>

#include <QDialog>
#include <QTimer>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace ocv {

class COcvCtrl;
class IDialogHost;

class CCameraSettingDialog : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> changeCamera;  // the connection wizard again
        std::function<void()> reconnect;
        std::function<void()> changed;       // the device information changed (save it)
    };
    CCameraSettingDialog(COcvCtrl& ctrl, IDialogHost* host, Actions actions,
                         QWidget* parent = nullptr);

    // Shows the device's name and the current format; enables the page buttons it offers.
    void Refresh();
    QString Summary() const;
    QString DeviceName() const;
    // "Save Setting..." after the file was chosen: false (and the message) when it failed.
    bool SaveTo(const QString& path);
    void ShowFormat();
    void ShowDevice();

    QPushButton* ChangeButton() const { return change_; }
    QPushButton* ReconnectButton() const { return reconnect_; }
    QPushButton* FormatButton() const { return format_; }
    QPushButton* CameraButton() const { return camera_; }

private:
    void AfterPage(bool shown);

    COcvCtrl& ctrl_;
    IDialogHost* host_;
    Actions actions_;
    QLabel* name_;
    QPlainTextEdit* summary_;
    QPushButton* change_;
    QPushButton* reconnect_;
    QPushButton* format_;
    QPushButton* camera_;
    QPushButton* save_;
    QTimer refresh_;
};

}  // namespace ocv
