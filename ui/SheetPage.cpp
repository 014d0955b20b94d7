#include "ui/SheetPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/SettingDialogs.h"
#include "ui/SheetHooks.h"
#include "ui/SheetPackage.h"
#include "ui/SheetText.h"

namespace ocv {

CSheetPage::CSheetPage(SheetContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {}

void CSheetPage::EditTarget(int mode, int target, bool image) {
    Edit([&](OcvParam& work) {
        if (image) {
            ImageSettings* slice = target == 0   ? &LocalOf(work, mode).image
                                   : target == 1 ? &FtpOf(work, mode).image
                                                 : &SmtpOf(work, mode).image;
            ImageChoice choice{};
            if (SheetImageDialog(this, *slice, Camera(), work.name, &choice))
                ApplyImagePackage(work, ImageSettings(*slice), choice);
        } else if (target == 0) {
            SheetLocalDialog(this, LocalOf(work, mode));
        } else if (target == 1) {
            ModeChoice choice;
            if (SheetFtpDialog(this, FtpOf(work, mode), &choice))
                ApplyFtpPackage(work, FtpInfo(FtpOf(work, mode)), choice);
        } else {
            ModeChoice choice;
            if (SheetSmtpDialog(this, SmtpOf(work, mode), &choice))
                ApplySmtpPackage(work, SmtpInfo(SmtpOf(work, mode)), choice);
        }
    });
}

QPushButton* CSheetPage::Button(const QString& text, const char* name) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QCheckBox* CSheetPage::Check(const QString& text, const char* name) {
    auto* c = new QCheckBox(text, this);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

CFolderRow::CFolderRow(QWidget* parent) : QWidget(parent) {
    directory_ = new QLineEdit(this);
    directory_->setObjectName(QStringLiteral("saveDirectory"));
    directory_->setMaxLength(static_cast<int>(LocalSetting::kSaveDirectoryCapacity - 1));
    auto* browse = new QPushButton(Sh(st::kBrowse), this);
    browse->setObjectName(QStringLiteral("browseDirectory"));
    browse->setAutoDefault(false);
    dateFolder_ = new QCheckBox(Sh(st::kDateFolder), this);
    dateFolder_->setObjectName(QStringLiteral("dateFolder"));
    auto* label = new QLabel(Sh(st::kSaveAsLabel), this);
    label->setBuddy(directory_);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(label, 0, 0);
    grid->addWidget(directory_, 0, 1);
    grid->addWidget(browse, 0, 2);
    grid->addWidget(dateFolder_, 1, 1, 1, 2);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString dir = SheetFolder(this, directory_->text());
        if (!dir.isEmpty()) directory_->setText(dir);
    });
}

void CFolderRow::Load(const LocalSetting& local) {
    SetupTextField(directory_, local.saveDirectoryName, LocalSetting::kSaveDirectoryCapacity);
    dateFolder_->setChecked(local.enableMakeDateDirectory != 0);
}

void CFolderRow::Store(LocalSetting& local) const {
    local.saveDirectoryName =
        ToBoundedUtf8(directory_->text(), LocalSetting::kSaveDirectoryCapacity);
    local.enableMakeDateDirectory = dateFolder_->isChecked() ? 1 : 0;
}

CTargetRows::CTargetRows(int mode, QWidget* parent)
    : QWidget(parent), mode_(mode) {
    static constexpr const char* kNames[3][3] = {{"enableLocal", "localSettings", "localImage"},
                                                 {"enableFtp", "ftpSettings", "ftpImage"},
                                                 {"enableSmtp", "smtpSettings", "smtpImage"}};
    const SheetText* labels[3] = {&st::kHardDisk, &st::kFtp, &st::kMail};
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int t = mode == kSnapshotMode ? 1 : 0; t < 3; ++t) {
        enable_[t] = new QCheckBox(Sh(*labels[t]), this);
        enable_[t]->setObjectName(QString::fromLatin1(kNames[t][0]));
        auto* settings = new QPushButton(Sh(st::kSettings), this);
        settings->setObjectName(QString::fromLatin1(kNames[t][1]));
        settings->setAutoDefault(false);
        auto* image = new QPushButton(Sh(st::kImageSettings), this);
        image->setObjectName(QString::fromLatin1(kNames[t][2]));
        image->setAutoDefault(false);
        grid->addWidget(enable_[t], t, 0);
        grid->addWidget(settings, t, 1);
        grid->addWidget(image, t, 2);
        connect(settings, &QPushButton::clicked, this, [this, t] { emit EditRequested(t, false); });
        connect(image, &QPushButton::clicked, this, [this, t] { emit EditRequested(t, true); });
    }
    grid->setColumnStretch(0, 1);
}

void CTargetRows::Load(OcvParam& work) {
    if (int32_t* local = EnableLocalOf(work, mode_)) enable_[0]->setChecked(*local != 0);
    enable_[1]->setChecked(EnableFtpOf(work, mode_) != 0);
    enable_[2]->setChecked(EnableSmtpOf(work, mode_) != 0);
}

void CTargetRows::Store(OcvParam& work) const {
    if (int32_t* local = EnableLocalOf(work, mode_)) *local = enable_[0]->isChecked() ? 1 : 0;
    EnableFtpOf(work, mode_) = enable_[1]->isChecked() ? 1 : 0;
    EnableSmtpOf(work, mode_) = enable_[2]->isChecked() ? 1 : 0;
}

}  // namespace ocv
