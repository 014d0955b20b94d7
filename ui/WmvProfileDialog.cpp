#include "ui/WmvProfileDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "controller/WmvProfiles.h"
#include "ui/FieldWidgets.h"
#include "ui/MotionText.h"
#include "ui/SheetButtons.h"
#include "ui/UiText.h"

namespace ocv {

CWmvProfileDialog::CWmvProfileDialog(const RecordingInfo& recording, QWidget* parent)
    : QDialog(parent), recording_(recording) {
    setWindowTitle(MTr(MT::ProfileTitle));
    system_ = new QRadioButton(MTr(MT::SystemProfile), this);
    system_->setObjectName(QStringLiteral("system"));
    custom_ = new QRadioButton(MTr(MT::CustomProfile), this);
    custom_->setObjectName(QStringLiteral("custom"));
    profiles_ = new QComboBox(this);
    profiles_->setObjectName(QStringLiteral("profiles"));
    for (size_t i = 0; i < SystemProfileCount(); ++i) {
        WmvProfile p;
        LoadSystemProfile(static_cast<int>(i), p);
        profiles_->addItem(QString::fromStdString(p.name));
    }
    // An index off the list shows no choice and is kept unless one is chosen.
    profiles_->setCurrentIndex(recording_.wmvSystemProfileIndex < profiles_->count()
                                   ? recording_.wmvSystemProfileIndex
                                   : -1);
    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("path"));
    SetupTextField(path_, recording_.wmvCustomProfilePath,
                   RecordingInfo::kCustomProfilePathCapacity);
    path_->setMinimumWidth(300);
    browse_ = new QPushButton(Tr(T::Browse), this);
    browse_->setObjectName(QStringLiteral("browse"));
    browse_->setAutoDefault(false);
    (recording_.wmvProfileType == 0 ? system_ : custom_)->setChecked(true);

    auto* g = new QGridLayout;
    g->addWidget(system_, 0, 0, 1, 2);
    g->addWidget(profiles_, 1, 0, 1, 2);
    g->addWidget(custom_, 2, 0, 1, 2);
    g->addWidget(path_, 3, 0);
    g->addWidget(browse_, 3, 1);
    g->setColumnMinimumWidth(0, 300);
    auto* root = new QVBoxLayout(this);
    root->addLayout(g);
    root->addWidget(MakeOkCancel(this));

    connect(system_, &QRadioButton::toggled, this, &CWmvProfileDialog::UpdateEnabled);
    connect(browse_, &QPushButton::clicked, this, &CWmvProfileDialog::Browse);
    UpdateEnabled();
}

void CWmvProfileDialog::UpdateEnabled() {
    profiles_->setEnabled(system_->isChecked());
    path_->setEnabled(custom_->isChecked());
    browse_->setEnabled(custom_->isChecked());
}

void CWmvProfileDialog::Browse() {
    const QString path = QFileDialog::getOpenFileName(this, MTr(MT::CustomProfile), path_->text(),
                                                      MTr(MT::ProfileFilter));
    if (!path.isEmpty()) path_->setText(path);
}

void CWmvProfileDialog::accept() {
    // Any non-zero type means a custom profile; a stored one keeps its value.
    if (system_->isChecked())
        recording_.wmvProfileType = 0;
    else if (recording_.wmvProfileType == 0)
        recording_.wmvProfileType = 1;
    if (profiles_->currentIndex() >= 0)
        recording_.wmvSystemProfileIndex = profiles_->currentIndex();
    recording_.wmvCustomProfilePath =
        ToBoundedUtf8(path_->text(), RecordingInfo::kCustomProfilePathCapacity);
    QDialog::accept();
}

}  // namespace ocv
