#include "ui/SmtpDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/MultiSettingDialogs.h"
#include "ui/PopBeforeSmtpDialog.h"
#include "ui/PortDialog.h"
#include "ui/ReserveWordDialog.h"
#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {
namespace {

QLineEdit* TextField(QWidget* parent, const char* name, const std::string& value, size_t capacity) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    SetupTextField(edit, value, capacity);
    return edit;
}

// The stored body has CR LF line ends; the editor works with LF.
QString BodyForEditor(const std::string& body) {
    QString text = QString::fromStdString(body);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

std::string BodyForRecord(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    std::string body = ToBoundedUtf8(text, SmtpInfo::kBodyCapacity);
    // A cut between CR and LF would leave a bare CR.
    if (!body.empty() && body.back() == '\r') body.pop_back();
    return body;
}

}  // namespace

CSMTPDialog::CSMTPDialog(const SmtpInfo& smtp, const ModeChoice* package, QWidget* parent)
    : QDialog(parent),
      smtp_(smtp),
      package_(package ? *package : ModeChoice{}),
      port_(smtp.smtpServerPort) {
    setWindowTitle(Lang("e-mail settings", "メール設定"));

    // Server side.
    auto* serverBox = new QGroupBox(Lang("server", "サーバ"), this);
    from_ = TextField(serverBox, "mailFrom", smtp.mailFrom, SmtpInfo::kAddressCapacity);
    server_ =
        TextField(serverBox, "smtpServer", smtp.smtpServerAddress, SmtpInfo::kAddressCapacity);
    QPushButton* port = NamedButton(serverBox, "portButton", Lang("Port", "ポート"));
    portLabel_ = new QLabel(QString::number(port_), serverBox);
    portLabel_->setObjectName(QStringLiteral("portValue"));
    connect(port, &QPushButton::clicked, this, [this] {
        CPortDialog dialog(port_, SmtpInfo{}.smtpServerPort, "SMTP", "SMTP Server Port", this);
        if (dialog.exec() != QDialog::Accepted) return;
        port_ = dialog.Port();
        portLabel_->setText(QString::number(port_));
    });
    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(server_, 1);
    serverRow->addWidget(port);
    serverRow->addWidget(portLabel_);
    security_ =
        ChoiceBox(serverBox, "smtpSecurity",
                  {Lang("none", "なし"), QStringLiteral("STARTTLS"), QStringLiteral("SSL/TLS")},
                  smtp.smtpSecurity);
    user_ = TextField(serverBox, "smtpUser", smtp.smtpUser, SmtpInfo::kUserCapacity);
    password_ =
        TextField(serverBox, "smtpPassword", smtp.smtpPassword, SmtpInfo::kPasswordCapacity);
    password_->setEchoMode(QLineEdit::Password);
    authMethod_ = ChoiceBox(
        serverBox, "smtpAuthMethod",
        {Lang("as offered", "サーバに従う"), QStringLiteral("PLAIN"), QStringLiteral("LOGIN")},
        smtp.smtpAuthMethod);
    selfSigned_ = FlagBox(serverBox, "selfSigned",
                          Lang("Accept Self-Signed Certificate", "自己署名証明書を受け入れる"),
                          smtp.acceptSelfSignedCertificate);
    popBeforeSmtp_ = FlagBox(serverBox, "popBeforeSmtp",
                             Lang("Use POP before SMTP", "POP before SMTPを使用する"),
                             smtp.enablePop3BeforeSmtp);
    popSettings_ = NamedButton(serverBox, "popSettings", Lang("settings...", "設定..."));
    connect(popSettings_, &QPushButton::clicked, this, [this] {
        CPOPbeforeSMTPDialog dialog(smtp_, this);
        if (dialog.exec() != QDialog::Accepted) return;
        smtp_ = dialog.Value();
        UpdateEnabled();
    });
    auto* popRow = new QHBoxLayout;
    popRow->addWidget(popBeforeSmtp_);
    popRow->addWidget(popSettings_);
    popRow->addStretch(1);
    auto* serverForm = new QFormLayout(serverBox);
    serverForm->addRow(Lang("sender address", "送信者アドレス"), from_);
    serverForm->addRow(Lang("SMTP server", "SMTPサーバ"), serverRow);
    serverForm->addRow(Lang("security", "暗号化"), security_);
    serverForm->addRow(Lang("user", "ユーザ"), user_);
    serverForm->addRow(Lang("password", "パスワード"), password_);
    serverForm->addRow(Lang("authentication", "認証方式"), authMethod_);
    serverForm->addRow(selfSigned_);
    serverForm->addRow(popRow);

    // Recipients.
    auto* listBox = new QGroupBox(Lang("Sending list", "送信先リスト"), this);
    recipient_ = TextField(listBox, "recipient", std::string(), SmtpInfo::kAddressCapacity);
    add_ = NamedButton(listBox, "add", Lang("add", "追加"));
    remove_ = NamedButton(listBox, "delete", Lang("delete", "削除"));
    recipients_ = new QListWidget(listBox);
    recipients_->setObjectName(QStringLiteral("recipients"));
    for (const std::string& to : smtp.mailTo)
        if (!to.empty()) recipients_->addItem(QString::fromStdString(to));
    connect(add_, &QPushButton::clicked, this, &CSMTPDialog::AddRecipient);
    connect(remove_, &QPushButton::clicked, this, [this] {
        delete recipients_->takeItem(recipients_->currentRow());
        UpdateEnabled();
    });
    connect(recipient_, &QLineEdit::textChanged, this, &CSMTPDialog::UpdateEnabled);
    connect(recipients_, &QListWidget::currentRowChanged, this, &CSMTPDialog::UpdateEnabled);
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(recipient_, 1);
    entryRow->addWidget(add_);
    entryRow->addWidget(remove_);
    auto* listColumn = new QVBoxLayout(listBox);
    listColumn->addLayout(entryRow);
    listColumn->addWidget(recipients_);

    // Message.
    auto* messageBox = new QGroupBox(Lang("message", "メッセージ"), this);
    subject_ = TextField(messageBox, "subject", smtp.mailSubject, SmtpInfo::kSubjectCapacity);
    body_ = new QPlainTextEdit(messageBox);
    body_->setObjectName(QStringLiteral("body"));
    body_->setTabChangesFocus(true);
    body_->setPlainText(BodyForEditor(smtp.mailBody));
    noAttachment_ =
        FlagBox(messageBox, "noAttachment",
                Lang("no attachment(text only)", "添付しない(テキストのみ)"), smtp.noAddImage);
    QPushButton* insertions = NamedButton(messageBox, "insertions", Lang("Insertions", "挿入"));
    connect(insertions, &QPushButton::clicked, this, [this] {
        CReserveWordDialog dialog(this);
        if (dialog.exec() == QDialog::Accepted) InsertWord(dialog.Word());
    });
    insertTarget_ = body_;
    subject_->installEventFilter(this);
    body_->installEventFilter(this);
    connect(subject_, &QLineEdit::cursorPositionChanged, this,
            [this] { insertTarget_ = subject_; });
    connect(body_, &QPlainTextEdit::cursorPositionChanged, this, [this] { insertTarget_ = body_; });
    auto* messageForm = new QFormLayout(messageBox);
    messageForm->addRow(Lang("title", "件名"), subject_);
    messageForm->addRow(Lang("body", "本文"), body_);
    auto* insertRow = new QHBoxLayout;
    insertRow->addWidget(noAttachment_);
    insertRow->addStretch(1);
    insertRow->addWidget(insertions);
    messageForm->addRow(insertRow);

    QPushButton* packageButton = NamedButton(this, "package", Lang("Package setup", "一括設定"));
    packageButton->setVisible(package != nullptr);
    connect(packageButton, &QPushButton::clicked, this, [this] {
        CMultiSettingSmtpDialog dialog(package_, this);
        if (dialog.exec() == QDialog::Accepted) package_ = dialog.Choice();
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(packageButton);
    bottom->addStretch(1);
    bottom->addWidget(MakeOkCancel(this));

    auto* grid = new QGridLayout(this);
    grid->addWidget(serverBox, 0, 0);
    grid->addWidget(listBox, 1, 0);
    grid->addWidget(messageBox, 0, 1, 2, 1);
    grid->addLayout(bottom, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    connect(popBeforeSmtp_, &QCheckBox::toggled, this, &CSMTPDialog::UpdateEnabled);
    connect(security_, &QComboBox::currentIndexChanged, this, &CSMTPDialog::UpdateEnabled);
    UpdateEnabled();
    resize(760, 520);
}

bool CSMTPDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == subject_ || watched == body_))
        insertTarget_ = static_cast<QWidget*>(watched);
    return QDialog::eventFilter(watched, event);
}

void CSMTPDialog::InsertWord(const QString& word) {
    if (word.isEmpty()) return;
    if (insertTarget_ == subject_) {
        subject_->insert(word);
        subject_->setFocus();
    } else {
        body_->insertPlainText(word);
        body_->setFocus();
    }
}

void CSMTPDialog::AddRecipient() {
    const QString address = recipient_->text().trimmed();
    if (address.isEmpty() || recipients_->count() >= static_cast<int>(SmtpInfo::kRecipientCount))
        return;
    recipients_->addItem(address);
    recipient_->clear();
    UpdateEnabled();
}

void CSMTPDialog::UpdateEnabled() {
    popSettings_->setEnabled(popBeforeSmtp_->isChecked());
    // The certificate switch serves the SMTP and the POP3 connection alike.
    selfSigned_->setEnabled(security_->currentIndex() > 0 || smtp_.pop3Security > 0);
    add_->setEnabled(!recipient_->text().trimmed().isEmpty() &&
                     recipients_->count() < static_cast<int>(SmtpInfo::kRecipientCount));
    remove_->setEnabled(recipients_->currentRow() >= 0);
}

void CSMTPDialog::accept() {
    SmtpInfo& s = smtp_;
    s.mailFrom = ToBoundedUtf8(from_->text(), SmtpInfo::kAddressCapacity);
    s.smtpServerAddress = ToBoundedUtf8(server_->text(), SmtpInfo::kAddressCapacity);
    s.smtpServerPort = port_;
    s.smtpSecurity = ChoiceOf(security_, s.smtpSecurity);
    s.smtpUser = ToBoundedUtf8(user_->text(), SmtpInfo::kUserCapacity);
    s.smtpPassword = ToBoundedUtf8(password_->text(), SmtpInfo::kPasswordCapacity);
    s.smtpAuthMethod = ChoiceOf(authMethod_, s.smtpAuthMethod);
    s.acceptSelfSignedCertificate = FlagOf(selfSigned_);
    s.enablePop3BeforeSmtp = FlagOf(popBeforeSmtp_);
    for (size_t i = 0; i < SmtpInfo::kRecipientCount; ++i) {
        const QListWidgetItem* item = static_cast<int>(i) < recipients_->count()
                                          ? recipients_->item(static_cast<int>(i))
                                          : nullptr;
        s.mailTo[i] =
            item ? ToBoundedUtf8(item->text(), SmtpInfo::kAddressCapacity) : std::string();
    }
    s.mailSubject = ToBoundedUtf8(subject_->text(), SmtpInfo::kSubjectCapacity);
    s.mailBody = BodyForRecord(body_->toPlainText());
    s.noAddImage = FlagOf(noAttachment_);
    QDialog::accept();
}

bool RunSmtpDialog(QWidget* parent, SmtpInfo& smtp, ModeChoice* package) {
    CSMTPDialog dialog(smtp, package, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    smtp = dialog.Value();
    if (package) *package = dialog.Package();
    return true;
}

}  // namespace ocv
