#include "ui/PasswordPair.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/FieldWidgets.h"
#include "ui/SheetText.h"

namespace ocv {

CPasswordPair::CPasswordPair(bool enabled, const std::string& password, size_t capacity,
                             QWidget* parent)
    : QWidget(parent), capacity_(capacity) {
    enable_ = new QCheckBox(Sh(st::kUsePassword), this);
    enable_->setObjectName(QStringLiteral("enablePassword"));
    enable_->setChecked(enabled);
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);
    SetupTextField(password_, password, capacity);
    confirm_ = new QLineEdit(this);
    confirm_->setObjectName(QStringLiteral("confirmPassword"));
    confirm_->setEchoMode(QLineEdit::Password);
    SetupTextField(confirm_, password, capacity);
    auto* confirmLabel = new QLabel(Sh(st::kConfirmPassword), this);
    confirmLabel->setBuddy(confirm_);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(enable_, 0, 0);
    grid->addWidget(password_, 0, 1);
    grid->addWidget(confirmLabel, 1, 0);
    grid->addWidget(confirm_, 1, 1);
    auto update = [this] {
        password_->setEnabled(enable_->isChecked());
        confirm_->setEnabled(enable_->isChecked());
    };
    connect(enable_, &QCheckBox::toggled, this, update);
    update();
}

bool CPasswordPair::Enabled() const { return enable_->isChecked(); }

std::string CPasswordPair::Password() const { return ToBoundedUtf8(password_->text(), capacity_); }

bool CPasswordPair::Matches() const {
    return !enable_->isChecked() || password_->text() == confirm_->text();
}

}  // namespace ocv
