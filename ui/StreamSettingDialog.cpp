#include "ui/StreamSettingDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/PasswordPair.h"
#include "ui/SheetButtons.h"
#include "ui/SheetHooks.h"
#include "ui/SheetText.h"

namespace ocv {

CStreamSettingDialog::CStreamSettingDialog(const WebServerSetting& web, QWidget* parent)
    : QDialog(parent), web_(web) {
    setWindowTitle(Sh(st::kDetailsTitle));
    password_ = new CPasswordPair(web.enablePassword != 0, web.password,
                                  WebServerSetting::kPasswordCapacity, this);
    maxUser_ = MakeRangeSpinBox("WebServer", "MaxUser", web.maxUser, this);
    maxUser_->setObjectName(QStringLiteral("maxUser"));
    maxFrame_ = MakeRangeSpinBox("WebServer", "MaxFrame", web.maxFrame, this);
    maxFrame_->setObjectName(QStringLiteral("maxFrame"));
    auto* grid = new QGridLayout;
    auto* userLabel = new QLabel(Sh(st::kMaxConnections), this);
    userLabel->setBuddy(maxUser_);
    auto* frameLabel = new QLabel(Sh(st::kMaximumOf), this);
    frameLabel->setBuddy(maxFrame_);
    grid->addWidget(userLabel, 0, 0);
    grid->addWidget(maxUser_, 0, 1);
    grid->addWidget(new QLabel(Sh(st::kUsersRange), this), 0, 2);
    grid->addWidget(frameLabel, 1, 0);
    grid->addWidget(maxFrame_, 1, 1);
    grid->addWidget(new QLabel(Sh(st::kFramesRange), this), 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(password_);
    layout->addLayout(grid);
    layout->addWidget(MakeOkCancel(this));
}

void CStreamSettingDialog::accept() {
    if (!password_->Matches()) {
        SheetMessage(this, Sh(st::kPasswordMismatch));
        return;
    }
    web_.enablePassword = password_->Enabled() ? 1 : 0;
    web_.password = password_->Password();
    web_.maxUser = maxUser_->value();
    web_.maxFrame = maxFrame_->value();
    QDialog::accept();
}

}  // namespace ocv
