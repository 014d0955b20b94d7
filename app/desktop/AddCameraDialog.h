#pragma once
// "Add camera": the camera type, its URL (or capture device name) and a name, checked as the
// --add-camera command checks them before anything is added.
#include <optional>
#include <string>

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

namespace ocv {

struct CameraChoice {
    int type = 5;          // "Device Type", 1 to 8
    std::string address;   // "Device Name": URL or capture device name
    std::string name;      // the camera's name; empty keeps the default
};

class CAddCameraDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAddCameraDialog(const CameraChoice& initial, QWidget* parent = nullptr);

    void SetChoice(const CameraChoice& choice);
    CameraChoice Choice() const;
    // Why OK was refused the last time; empty when it was not.
    QString Refusal() const;

    // OK: accepted only when the address suits the type; otherwise the reason is shown.
    void accept() override;

    // Shows the dialog modally; nothing when cancelled.
    static std::optional<CameraChoice> Ask(const CameraChoice& initial, const QString& title,
                                           QWidget* parent = nullptr);

private:
    QComboBox* type_;
    QLineEdit* address_;
    QLineEdit* name_;
    QLabel* refusal_;
};

}  // namespace ocv
