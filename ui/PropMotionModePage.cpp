#include "ui/PropMotionModePage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/SettingDialogs.h"
#include "ui/SheetPackage.h"
#include "ui/SheetHooks.h"
#include "ui/SheetText.h"

namespace ocv {

CPropMotionModePage::CPropMotionModePage(SheetContext& context, QWidget* parent)
    : CSheetPage(context, parent) {
    enable_ = Check(Sh(st::kActivateMotion), "enableMotion");
    auto* settings = Button(Sh(st::kMotionSettings), "motionSettings");
    auto* row = new QHBoxLayout;
    row->addWidget(settings);
    row->addStretch(1);

    auto* group = new QGroupBox(this);
    targets_ = new CTargetRows(kMotionMode, group);
    auto* gl = new QVBoxLayout(group);
    gl->addWidget(targets_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enable_);
    layout->addLayout(row);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(settings, &QPushButton::clicked, this, [this] {
        Edit([this](OcvParam& work) { SheetMotionDialog(this, work.motion, Camera()); });
    });
    connect(targets_, &CTargetRows::EditRequested, this,
            [this](int target, bool image) { EditTarget(kMotionMode, target, image); });
    Load();
}

void CPropMotionModePage::Load() {
    enable_->setChecked(Work().motion.enableMotionCapture != 0);
    targets_->Load(Work());
}

void CPropMotionModePage::Store() {
    Work().motion.enableMotionCapture = enable_->isChecked() ? 1 : 0;
    targets_->Store(Work());
}

}  // namespace ocv
