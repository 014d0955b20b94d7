#pragma once
// "profile preference": the Windows Media profile of the recordings' conversion, a system
// profile chosen from the list or a custom profile file. Result() after OK.
#include <QDialog>

#include "config/OcvParam.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ocv {

class CWmvProfileDialog : public QDialog {
    Q_OBJECT
public:
    explicit CWmvProfileDialog(const RecordingInfo& recording, QWidget* parent = nullptr);
    RecordingInfo Result() const { return recording_; }
    void accept() override;

private:
    void Browse();
    void UpdateEnabled();

    RecordingInfo recording_;
    QRadioButton* system_ = nullptr;
    QRadioButton* custom_ = nullptr;
    QComboBox* profiles_ = nullptr;
    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
};

}  // namespace ocv
