#include "ui/PropMailCommandPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/UiText.h"

namespace ocv {
namespace {

constexpr size_t kText = SystemInfo::kTextCapacity;

QLineEdit* Text(QWidget* parent, const char* name, const std::string& value, bool secret = false) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    SetupTextField(edit, value, kText);
    if (secret) edit->setEchoMode(QLineEdit::Password);
    return edit;
}

// A choice whose item index is the stored value; a value outside the items selects nothing
// visible and is kept as it was.
QComboBox* Choice(QWidget* parent, const char* name, std::initializer_list<T> items, int value) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (T t : items) box->addItem(Tr(t));
    box->setCurrentIndex(value >= 0 && value < box->count() ? value : -1);
    return box;
}

int StoredChoice(const QComboBox* box, int old) {
    return box->currentIndex() >= 0 ? box->currentIndex() : old;
}

QSpinBox* Number(QWidget* parent, const char* name, const char* key, int value) {
    QSpinBox* spin = MakeRangeSpinBox("MailCommand", key, value, parent);
    spin->setObjectName(QString::fromLatin1(name));
    return spin;
}

void AddRow(QGridLayout* grid, int row, T label, QWidget* field, int span = 3) {
    auto* l = new QLabel(Tr(label), field->parentWidget());
    l->setBuddy(field);
    grid->addWidget(l, row, 0);
    grid->addWidget(field, row, 1, 1, span);
}

void AddPair(QGridLayout* grid, int row, T label, QWidget* field, T label2, QWidget* field2) {
    AddRow(grid, row, label, field, 1);
    auto* l = new QLabel(Tr(label2), field2->parentWidget());
    l->setBuddy(field2);
    grid->addWidget(l, row, 2);
    grid->addWidget(field2, row, 3);
}

}  // namespace

CPropMailCommandPage::CPropMailCommandPage(const SystemInfo& s, QWidget* parent)
    : QWidget(parent) {
    enable_ = new QCheckBox(Tr(T::MailEnable), this);
    enable_->setObjectName(QStringLiteral("enable"));
    enable_->setChecked(s.mailCommandEnable != 0);

    pop3Group_ = new QGroupBox(Tr(T::MailPop3Group), this);
    pop3Address_ = Text(pop3Group_, "pop3Address", s.pop3Address);
    pop3Port_ = Number(pop3Group_, "pop3Port", "POP3 Port", s.pop3Port);
    pop3User_ = Text(pop3Group_, "pop3User", s.pop3User);
    pop3Password_ = Text(pop3Group_, "pop3Password", s.pop3Password, true);
    pop3Security_ = Choice(pop3Group_, "pop3Security",
                           {T::MailPop3SecurityPlain, T::MailPop3SecurityStls,
                            T::MailPop3SecurityPop3s},
                           s.pop3Security);
    checkTime_ = Number(pop3Group_, "checkTime", "Check Time", s.checkTime);
    checkTime_->setSuffix(QLatin1Char(' ') + Tr(T::MailSeconds));
    auto* pg = new QGridLayout(pop3Group_);
    AddPair(pg, 0, T::MailPop3Server, pop3Address_, T::MailPort, pop3Port_);
    AddPair(pg, 1, T::MailUserId, pop3User_, T::MailPassword, pop3Password_);
    AddPair(pg, 2, T::MailSecurity, pop3Security_, T::MailCheckTime, checkTime_);
    pg->setColumnStretch(1, 3);
    pg->setColumnStretch(3, 2);

    reply_ = new QGroupBox(Tr(T::MailEnableReply), this);
    reply_->setObjectName(QStringLiteral("enableReply"));
    reply_->setCheckable(true);
    reply_->setChecked(s.enableReply != 0);
    smtpAddress_ = Text(reply_, "smtpAddress", s.smtpAddress);
    smtpPort_ = Number(reply_, "smtpPort", "SMTP Port", s.smtpPort);
    mailAddress_ = Text(reply_, "mailAddress", s.mailAddress);
    smtpSecurity_ = Choice(reply_, "smtpSecurity",
                           {T::MailSmtpSecurityPlain, T::MailSmtpSecurityStartTls,
                            T::MailSmtpSecurityTls},
                           s.smtpSecurity);
    smtpAuth_ = Choice(reply_, "smtpAuthMethod",
                       {T::MailAuthAsOffered, T::MailAuthPlain, T::MailAuthLogin},
                       s.smtpAuthMethod);
    smtpUser_ = Text(reply_, "smtpUser", s.smtpUser);
    smtpPassword_ = Text(reply_, "smtpPassword", s.smtpPassword, true);
    auto* rg = new QGridLayout(reply_);
    AddPair(rg, 0, T::MailSmtpServer, smtpAddress_, T::MailPort, smtpPort_);
    AddRow(rg, 1, T::MailReplyAddress, mailAddress_);
    AddPair(rg, 2, T::MailSecurity, smtpSecurity_, T::MailAuthMethod, smtpAuth_);
    AddPair(rg, 3, T::MailSmtpUser, smtpUser_, T::MailPassword, smtpPassword_);
    rg->setColumnStretch(1, 3);
    rg->setColumnStretch(3, 2);

    senderCheck_ = new QGroupBox(Tr(T::MailEnableSenderCheck), this);
    senderCheck_->setObjectName(QStringLiteral("enableSenderCheck"));
    senderCheck_->setCheckable(true);
    senderCheck_->setChecked(s.enableSenderCheck != 0);
    fromAddress_ = Text(senderCheck_, "fromAddress", s.fromAddress);
    auto* sg = new QHBoxLayout(senderCheck_);
    sg->addWidget(fromAddress_);

    selfSigned_ = new QCheckBox(Tr(T::MailAcceptSelfSigned), this);
    selfSigned_->setObjectName(QStringLiteral("acceptSelfSigned"));
    selfSigned_->setChecked(s.acceptSelfSignedCertificate != 0);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enable_);
    layout->addWidget(pop3Group_);
    layout->addWidget(reply_);
    layout->addWidget(senderCheck_);
    layout->addWidget(selfSigned_);
    layout->addStretch(1);

    connect(enable_, &QCheckBox::toggled, this, &CPropMailCommandPage::UpdateEnabled);
    UpdateEnabled();
}

void CPropMailCommandPage::UpdateEnabled() {
    // The settings stay editable only while the checker is switched on; they are kept either way.
    const bool on = enable_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{pop3Group_, reply_, senderCheck_, selfSigned_})
        w->setEnabled(on);
}

void CPropMailCommandPage::Store(SystemInfo& s) const {
    s.mailCommandEnable = enable_->isChecked() ? 1 : 0;
    s.enableSenderCheck = senderCheck_->isChecked() ? 1 : 0;
    s.fromAddress = ToBoundedUtf8(fromAddress_->text(), kText);
    s.enableReply = reply_->isChecked() ? 1 : 0;
    s.checkTime = checkTime_->value();
    s.smtpAddress = ToBoundedUtf8(smtpAddress_->text(), kText);
    s.smtpPort = smtpPort_->value();
    s.pop3Address = ToBoundedUtf8(pop3Address_->text(), kText);
    s.pop3Port = pop3Port_->value();
    s.pop3Password = ToBoundedUtf8(pop3Password_->text(), kText);
    s.pop3User = ToBoundedUtf8(pop3User_->text(), kText);
    s.mailAddress = ToBoundedUtf8(mailAddress_->text(), kText);
    s.smtpSecurity = StoredChoice(smtpSecurity_, s.smtpSecurity);
    s.smtpUser = ToBoundedUtf8(smtpUser_->text(), kText);
    s.smtpPassword = ToBoundedUtf8(smtpPassword_->text(), kText);
    s.smtpAuthMethod = StoredChoice(smtpAuth_, s.smtpAuthMethod);
    s.pop3Security = StoredChoice(pop3Security_, s.pop3Security);
    s.acceptSelfSignedCertificate = selfSigned_->isChecked() ? 1 : 0;
}

}  // namespace ocv
