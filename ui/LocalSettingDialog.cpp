#include "ui/LocalSettingDialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/SettingDialogs.h"
#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {

CLocalSettingDialog::CLocalSettingDialog(const LocalSetting& local, QWidget* parent)
    : QDialog(parent), local_(local) {
    setWindowTitle(Lang("Save Location", "保存先"));
    directory_ = new QLineEdit(this);
    directory_->setObjectName(QStringLiteral("saveDirectory"));
    SetupTextField(directory_, local.saveDirectoryName, LocalSetting::kSaveDirectoryCapacity);
    auto* label = new QLabel(Lang("save to", "保存先"), this);
    label->setBuddy(directory_);
    QPushButton* browse = NamedButton(this, "browse", Lang("browse...", "参照..."));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString dir =
            QFileDialog::getExistingDirectory(this, Lang("save to", "保存先"), directory_->text());
        if (!dir.isEmpty()) directory_->setText(dir);
    });
    dateFolder_ =
        FlagBox(this, "dateFolder",
                Lang("auto create date folder (YYYYMMDD)", "日付フォルダを自動作成する (YYYYMMDD)"),
                local.enableMakeDateDirectory);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(directory_, 1);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(dateFolder_);
    layout->addWidget(MakeOkCancel(this));
    setMinimumWidth(460);
}

void CLocalSettingDialog::accept() {
    local_.saveDirectoryName =
        ToBoundedUtf8(directory_->text(), LocalSetting::kSaveDirectoryCapacity);
    local_.enableMakeDateDirectory = FlagOf(dateFolder_);
    QDialog::accept();
}

bool RunLocalSettingDialog(QWidget* parent, LocalSetting& local) {
    CLocalSettingDialog dialog(local, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    local = dialog.Value();
    return true;
}

}  // namespace ocv
