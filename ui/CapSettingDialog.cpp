#include "ui/CapSettingDialog.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/PropLiveModePage.h"
#include "ui/PropMotionModePage.h"
#include "ui/PropMoviePage.h"
#include "ui/PropNamePage.h"
#include "ui/PropSchedulePage.h"
#include "ui/PropSnapShotPage.h"
#include "ui/PropWebServerPage.h"
#include "ui/SheetButtons.h"
#include "ui/SheetText.h"
#include "ui/UiText.h"

namespace ocv {

CCapSettingDialog::CCapSettingDialog(const OcvParam& param, QWidget* parent)
    : QDialog(parent), param_(param) {
    setWindowTitle(Tr(T::CapSettingTitle));
    context_.work = param;
    tabs_ = new QTabWidget(this);
    // Every page title stays in sight.
    tabs_->setUsesScrollButtons(false);
    auto* name = new CPropNamePage(context_, tabs_);
    auto add = [this](CSheetPage* page, const SheetText& title) {
        pages_.push_back(page);
        tabs_->addTab(page, Sh(title));
    };
    add(name, st::kFilesPage);
    add(new CPropLiveModePage(context_, tabs_), st::kLivePage);
    add(new CPropMotionModePage(context_, tabs_), st::kMotionPage);
    add(new CPropSnapShotPage(context_, tabs_), st::kSnapshotPage);
    add(new CPropMoviePage(context_, tabs_), st::kMoviePage);
    add(new CPropSchedulePage(context_, tabs_), st::kSchedulePage);
    add(new CPropWebServerPage(context_, tabs_), st::kWebPage);
    connect(name, &CPropNamePage::StoreAllRequested, this, &CCapSettingDialog::StoreAll);
    connect(name, &CPropNamePage::Reloaded, this, &CCapSettingDialog::LoadAll);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(MakeOkCancel(this));
}

void CCapSettingDialog::StoreAll() {
    for (CSheetPage* page : pages_) page->Store();
}

void CCapSettingDialog::LoadAll() {
    for (CSheetPage* page : pages_) page->Load();
}

void CCapSettingDialog::accept() {
    StoreAll();
    param_ = context_.work;
    QDialog::accept();
}

}  // namespace ocv
