#include "ui/FtpDialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/FtpBrowserDialog.h"
#include "ui/MultiSettingDialogs.h"
#include "ui/PortDialog.h"
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

}  // namespace

CFTPDialog::CFTPDialog(const FtpInfo& ftp, const ModeChoice* package, QWidget* parent)
    : QDialog(parent),
      ftp_(ftp),
      package_(package ? *package : ModeChoice{}),
      port_(ftp.ftpServerPort) {
    setWindowTitle(Lang("FTP setting", "FTP設定"));
    server_ = TextField(this, "server", ftp.ftpServerAddress, FtpInfo::kAddressCapacity);
    user_ = TextField(this, "user", ftp.ftpUser, FtpInfo::kUserCapacity);
    password_ = TextField(this, "password", ftp.ftpPassword, FtpInfo::kPasswordCapacity);
    password_->setEchoMode(QLineEdit::Password);
    anonymous_ = FlagBox(this, "anonymous", Lang("Anonymous FTP", "匿名FTP"), ftp.ftpAnonymous);
    passive_ = FlagBox(this, "passive", Lang("PASV mode", "PASVモード"), ftp.ftpPasvMode);
    directory_ = TextField(this, "directory", ftp.ftpDirectory, FtpInfo::kDirectoryCapacity);
    retry_ = MakeRangeSpinBox("FTP", "FTP Login Retry Count", ftp.ftpLoginRetryCount, this);
    retry_->setObjectName(QStringLiteral("retry"));
    tls_ = FlagBox(this, "tls", Lang("FTP Use TLS", "FTP Use TLS"), ftp.ftpUseTls);
    selfSigned_ = FlagBox(this, "selfSigned",
                          Lang("Accept Self-Signed Certificate", "自己署名証明書を受け入れる"),
                          ftp.acceptSelfSigned);

    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(new QLabel(QStringLiteral("ftp://"), this));
    serverRow->addWidget(server_, 1);

    QPushButton* browse = NamedButton(this, "browse", Lang("browse...", "参照..."));
    connect(browse, &QPushButton::clicked, this, &CFTPDialog::Browse);
    auto* directoryRow = new QHBoxLayout;
    directoryRow->addWidget(directory_, 1);
    directoryRow->addWidget(browse);

    QPushButton* port = NamedButton(this, "portButton", Lang("Port", "ポート"));
    portLabel_ = new QLabel(QString::number(port_), this);
    portLabel_->setObjectName(QStringLiteral("portValue"));
    connect(port, &QPushButton::clicked, this, [this] {
        CPortDialog dialog(port_, FtpInfo{}.ftpServerPort, "FTP", "FTP Server Port", this);
        if (dialog.exec() != QDialog::Accepted) return;
        port_ = dialog.Port();
        portLabel_->setText(QString::number(port_));
    });
    auto* retryRow = new QHBoxLayout;
    retryRow->addWidget(retry_);
    retryRow->addStretch(1);
    retryRow->addWidget(port);
    retryRow->addWidget(portLabel_);

    auto* form = new QFormLayout;
    form->addRow(Lang("server", "サーバ"), serverRow);
    form->addRow(Lang("user name", "ユーザ名"), user_);
    form->addRow(Lang("password", "パスワード"), password_);
    form->addRow(QString(), anonymous_);
    form->addRow(QString(), passive_);
    form->addRow(Lang("directory", "ディレクトリ"), directoryRow);
    form->addRow(Lang("retry times", "リトライ回数"), retryRow);
    form->addRow(QString(), tls_);
    form->addRow(QString(), selfSigned_);

    QPushButton* packageButton = NamedButton(this, "package", Lang("Package setup", "一括設定"));
    packageButton->setVisible(package != nullptr);
    connect(packageButton, &QPushButton::clicked, this, [this] {
        CMultiSettingFtpDialog dialog(package_, this);
        if (dialog.exec() == QDialog::Accepted) package_ = dialog.Choice();
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(packageButton);
    bottom->addStretch(1);
    bottom->addWidget(MakeOkCancel(this));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(bottom);
    connect(anonymous_, &QCheckBox::toggled, this, &CFTPDialog::UpdateEnabled);
    connect(tls_, &QCheckBox::toggled, this, &CFTPDialog::UpdateEnabled);
    UpdateEnabled();
    setMinimumWidth(440);
}

void CFTPDialog::UpdateEnabled() {
    user_->setEnabled(!anonymous_->isChecked());
    password_->setEnabled(!anonymous_->isChecked());
    selfSigned_->setEnabled(tls_->isChecked());
}

FtpInfo CFTPDialog::Current() const {
    FtpInfo f = ftp_;
    f.ftpServerAddress = ToBoundedUtf8(server_->text(), FtpInfo::kAddressCapacity);
    f.ftpUser = ToBoundedUtf8(user_->text(), FtpInfo::kUserCapacity);
    f.ftpPassword = ToBoundedUtf8(password_->text(), FtpInfo::kPasswordCapacity);
    f.ftpAnonymous = FlagOf(anonymous_);
    f.ftpPasvMode = FlagOf(passive_);
    f.ftpDirectory = ToBoundedUtf8(directory_->text(), FtpInfo::kDirectoryCapacity);
    f.ftpLoginRetryCount = retry_->value();
    f.ftpServerPort = port_;
    f.ftpUseTls = FlagOf(tls_);
    f.acceptSelfSigned = FlagOf(selfSigned_);
    return f;
}

void CFTPDialog::Browse() {
    const FtpInfo f = Current();
    FtpEndpoint endpoint;
    endpoint.host = f.ftpServerAddress;
    endpoint.port = f.ftpServerPort;
    endpoint.user = f.ftpUser;
    endpoint.password = f.ftpPassword;
    endpoint.anonymous = f.ftpAnonymous != 0;
    endpoint.passive = f.ftpPasvMode != 0;
    endpoint.tls = f.ftpUseTls != 0;
    endpoint.acceptSelfSigned = f.acceptSelfSigned != 0;
    CFtpBrowserDialog browser(endpoint, f.ftpDirectory, this);
    if (!browser.LoggedIn()) return;
    if (browser.exec() == QDialog::Accepted)
        directory_->setText(QString::fromStdString(browser.Directory()));
}

void CFTPDialog::accept() {
    ftp_ = Current();
    QDialog::accept();
}

bool RunFtpDialog(QWidget* parent, FtpInfo& ftp, ModeChoice* package) {
    CFTPDialog dialog(ftp, package, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    ftp = dialog.Value();
    if (package) *package = dialog.Package();
    return true;
}

}  // namespace ocv
