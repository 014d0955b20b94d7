#pragma once
// "POP before SMTP setup": the POP3 login made before each mail, and the wait after it.
#include <QDialog>

#include "config/OcvParam.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace ocv {

class CPOPbeforeSMTPDialog : public QDialog {
public:
    // Edits the POP3 fields of `smtp`; the other fields are kept.
    explicit CPOPbeforeSMTPDialog(const SmtpInfo& smtp, QWidget* parent = nullptr);
    const SmtpInfo& Value() const { return smtp_; }
    void accept() override;

private:
    SmtpInfo smtp_;
    int port_;
    QLineEdit* server_;
    QLineEdit* user_;
    QLineEdit* password_;
    QSpinBox* timeout_;
    QLabel* portLabel_;
    QComboBox* security_;
};

}  // namespace ocv
