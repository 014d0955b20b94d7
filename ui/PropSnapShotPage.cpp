#include "ui/PropSnapShotPage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/SheetPackage.h"
#include "ui/SheetText.h"

namespace ocv {

CPropSnapShotPage::CPropSnapShotPage(SheetContext& context, QWidget* parent)
    : CSheetPage(context, parent) {
    auto* local = new QGroupBox(Sh(st::kHardDisk), this);
    folder_ = new CFolderRow(local);
    auto* image = Button(Sh(st::kImageSettings), "localImage");
    image->setParent(local);
    auto* imageRow = new QHBoxLayout;
    imageRow->addStretch(1);
    imageRow->addWidget(image);
    auto* ll = new QVBoxLayout(local);
    ll->addWidget(folder_);
    ll->addLayout(imageRow);

    auto* group = new QGroupBox(this);
    targets_ = new CTargetRows(kSnapshotMode, group);
    auto* gl = new QVBoxLayout(group);
    gl->addWidget(targets_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(local);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(image, &QPushButton::clicked, this, [this] { EditTarget(kSnapshotMode, 0, true); });
    connect(targets_, &CTargetRows::EditRequested, this,
            [this](int target, bool image) { EditTarget(kSnapshotMode, target, image); });
    Load();
}

void CPropSnapShotPage::Load() {
    folder_->Load(Work().snapShot.local);
    targets_->Load(Work());
}

void CPropSnapShotPage::Store() {
    folder_->Store(Work().snapShot.local);
    targets_->Store(Work());
}

}  // namespace ocv
