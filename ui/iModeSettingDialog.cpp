#include "ui/iModeSettingDialog.h"

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

CiModeSettingDialog::CiModeSettingDialog(const WebServerSetting& web, QWidget* parent)
    : QDialog(parent), web_(web) {
    setWindowTitle(Sh(st::kDetailsTitle));
    password_ = new CPasswordPair(web.imodeEnablePassword != 0, web.imodePassword,
                                  WebServerSetting::kPasswordCapacity, this);
    width_ = MakeRangeSpinBox("WebServer", "i-mode Size W", web.imodeSizeW, this);
    width_->setObjectName(QStringLiteral("imodeWidth"));
    height_ = MakeRangeSpinBox("WebServer", "i-mode Size H", web.imodeSizeH, this);
    height_->setObjectName(QStringLiteral("imodeHeight"));
    quality_ = MakeRangeSpinBox("WebServer", "i-mode Quality", web.imodeQuality, this);
    quality_->setObjectName(QStringLiteral("imodeQuality"));
    auto* grid = new QGridLayout;
    auto* sizeLabel = new QLabel(Sh(st::kImageSize), this);
    sizeLabel->setBuddy(width_);
    auto* qualityLabel = new QLabel(Sh(st::kImageQuality), this);
    qualityLabel->setBuddy(quality_);
    grid->addWidget(sizeLabel, 0, 0);
    grid->addWidget(width_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("x"), this), 0, 2);
    grid->addWidget(height_, 0, 3);
    grid->addWidget(qualityLabel, 1, 0);
    grid->addWidget(quality_, 1, 1);
    grid->addWidget(new QLabel(Sh(st::kQualityRange), this), 1, 2, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(password_);
    layout->addLayout(grid);
    layout->addWidget(MakeOkCancel(this));
}

void CiModeSettingDialog::accept() {
    if (!password_->Matches()) {
        SheetMessage(this, Sh(st::kPasswordMismatch));
        return;
    }
    web_.imodeEnablePassword = password_->Enabled() ? 1 : 0;
    web_.imodePassword = password_->Password();
    web_.imodeSizeW = width_->value();
    web_.imodeSizeH = height_->value();
    web_.imodeQuality = quality_->value();
    QDialog::accept();
}

}  // namespace ocv
