#include "ui/PropLogPage.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/UiText.h"

namespace ocv {

CPropLogPage::CPropLogPage(const SystemInfo& system, QWidget* parent) : QWidget(parent) {
    debug_ = new QCheckBox(Tr(T::LogEnableDebug), this);
    debug_->setObjectName(QStringLiteral("debugMode"));
    debug_->setChecked(system.debugMode != 0);

    auto* group = new QGroupBox(Tr(T::LogOutputDirectory), this);
    directory_ = new QLineEdit(group);
    directory_->setObjectName(QStringLiteral("logDirectory"));
    SetupTextField(directory_, system.logFilePath, SystemInfo::kPathCapacity);
    auto* browse = new QPushButton(Tr(T::Browse), group);
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &CPropLogPage::BrowseDirectory);
    auto* row = new QHBoxLayout(group);
    row->addWidget(directory_, 1);
    row->addWidget(browse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(debug_);
    layout->addWidget(group);
    layout->addStretch(1);
}

void CPropLogPage::BrowseDirectory() {
    const QString dir =
        QFileDialog::getExistingDirectory(this, Tr(T::LogChooseDirectory), directory_->text());
    if (!dir.isEmpty()) directory_->setText(dir);
}

void CPropLogPage::Store(SystemInfo& system) const {
    system.debugMode = debug_->isChecked() ? 1 : 0;
    system.logFilePath = ToBoundedUtf8(directory_->text(), SystemInfo::kPathCapacity);
}

}  // namespace ocv
