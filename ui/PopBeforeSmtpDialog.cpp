#include "ui/PopBeforeSmtpDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/PortDialog.h"
#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {

CPOPbeforeSMTPDialog::CPOPbeforeSMTPDialog(const SmtpInfo& smtp, QWidget* parent)
    : QDialog(parent), smtp_(smtp), port_(smtp.pop3ServerPort) {
    setWindowTitle(Lang("POP before SMTP setup", "POP before SMTP 設定"));
    auto text = [this](const char* name, const std::string& value, size_t capacity) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        SetupTextField(edit, value, capacity);
        return edit;
    };
    server_ = text("pop3Server", smtp.pop3ServerAddress, SmtpInfo::kAddressCapacity);
    user_ = text("pop3User", smtp.pop3User, SmtpInfo::kUserCapacity);
    password_ = text("pop3Password", smtp.pop3Password, SmtpInfo::kPasswordCapacity);
    password_->setEchoMode(QLineEdit::Password);
    timeout_ = MakeRangeSpinBox("SMTP", "POP3 before SMTP Send Timeout",
                                smtp.pop3BeforeSmtpSendTimeout, this);
    timeout_->setObjectName(QStringLiteral("timeout"));
    timeout_->setSuffix(QStringLiteral(" msec"));
    security_ = ChoiceBox(this, "pop3Security",
                          {Lang("none", "なし"), QStringLiteral("STLS"), QStringLiteral("POP3S")},
                          smtp.pop3Security);

    QPushButton* port = NamedButton(this, "portButton", Lang("Port", "ポート"));
    portLabel_ = new QLabel(QString::number(port_), this);
    portLabel_->setObjectName(QStringLiteral("portValue"));
    connect(port, &QPushButton::clicked, this, [this] {
        CPortDialog dialog(port_, SmtpInfo{}.pop3ServerPort, "SMTP", "POP3 Server Port", this);
        if (dialog.exec() != QDialog::Accepted) return;
        port_ = dialog.Port();
        portLabel_->setText(QString::number(port_));
    });
    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(server_, 1);
    serverRow->addWidget(port);
    serverRow->addWidget(portLabel_);

    auto* form = new QFormLayout;
    form->addRow(Lang("POP3 server", "POP3サーバ"), serverRow);
    form->addRow(Lang("User ID", "ユーザID"), user_);
    form->addRow(Lang("Password", "パスワード"), password_);
    form->addRow(Lang("security", "暗号化"), security_);
    form->addRow(Lang("Timeout after POP3 attestation", "POP3認証後のタイムアウト"), timeout_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(MakeOkCancel(this));
}

void CPOPbeforeSMTPDialog::accept() {
    smtp_.pop3ServerAddress = ToBoundedUtf8(server_->text(), SmtpInfo::kAddressCapacity);
    smtp_.pop3User = ToBoundedUtf8(user_->text(), SmtpInfo::kUserCapacity);
    smtp_.pop3Password = ToBoundedUtf8(password_->text(), SmtpInfo::kPasswordCapacity);
    smtp_.pop3BeforeSmtpSendTimeout = timeout_->value();
    smtp_.pop3ServerPort = port_;
    smtp_.pop3Security = ChoiceOf(security_, smtp_.pop3Security);
    QDialog::accept();
}

}  // namespace ocv
