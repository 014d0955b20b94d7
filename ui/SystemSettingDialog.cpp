#include "ui/SystemSettingDialog.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/PropLogPage.h"
#include "ui/PropMailCommandPage.h"
#include "ui/SheetButtons.h"
#include "ui/UiText.h"

namespace ocv {

CSystemSettingDialog::CSystemSettingDialog(const SystemInfo& system, QWidget* parent)
    : QDialog(parent), system_(system) {
    setWindowTitle(Tr(T::SystemSettingTitle));
    tabs_ = new QTabWidget(this);
    logPage_ = new CPropLogPage(system_, tabs_);
    mailPage_ = new CPropMailCommandPage(system_, tabs_);
    tabs_->addTab(logPage_, Tr(T::LogPageTitle));
    tabs_->addTab(mailPage_, Tr(T::MailPageTitle));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(MakeOkCancel(this));
}

void CSystemSettingDialog::accept() {
    SystemInfo edited = system_;
    logPage_->Store(edited);
    mailPage_->Store(edited);
    system_ = edited;
    QDialog::accept();
}

}  // namespace ocv
