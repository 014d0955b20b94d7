#pragma once
// The "E-mail command" page of the system settings: every "MailCommand" setting, the POP3
// mailbox that is polled, the reply over SMTP and the one sender allowed, with TLS and login.
#include <QWidget>

#include "config/SystemInfo.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QSpinBox;

namespace ocv {

class CPropMailCommandPage : public QWidget {
    Q_OBJECT
public:
    explicit CPropMailCommandPage(const SystemInfo& system, QWidget* parent = nullptr);
    // Copies the page's values into the "MailCommand" fields of `system`.
    void Store(SystemInfo& system) const;

private slots:
    void UpdateEnabled();

private:
    QCheckBox* enable_ = nullptr;
    QGroupBox* pop3Group_ = nullptr;
    QLineEdit* pop3Address_ = nullptr;
    QSpinBox* pop3Port_ = nullptr;
    QLineEdit* pop3User_ = nullptr;
    QLineEdit* pop3Password_ = nullptr;
    QComboBox* pop3Security_ = nullptr;
    QSpinBox* checkTime_ = nullptr;
    QGroupBox* reply_ = nullptr;
    QLineEdit* smtpAddress_ = nullptr;
    QSpinBox* smtpPort_ = nullptr;
    QLineEdit* mailAddress_ = nullptr;
    QComboBox* smtpSecurity_ = nullptr;
    QLineEdit* smtpUser_ = nullptr;
    QLineEdit* smtpPassword_ = nullptr;
    QComboBox* smtpAuth_ = nullptr;
    QGroupBox* senderCheck_ = nullptr;
    QLineEdit* fromAddress_ = nullptr;
    QCheckBox* selfSigned_ = nullptr;
};

}  // namespace ocv
