#include "ui/PropLiveModePage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/LiveModeSettingDialog.h"
#include "ui/SheetPackage.h"
#include "ui/SheetText.h"

namespace ocv {

CPropLiveModePage::CPropLiveModePage(SheetContext& context, QWidget* parent)
    : CSheetPage(context, parent) {
    enable_ = Check(Sh(st::kActivateLive), "enableLive");
    auto* intervalButton = Button(Sh(st::kCaptureInterval), "captureInterval");
    interval_ = new QLabel(this);
    interval_->setObjectName(QStringLiteral("intervalText"));
    auto* row = new QHBoxLayout;
    row->addWidget(intervalButton);
    row->addWidget(interval_, 1);

    auto* group = new QGroupBox(this);
    targets_ = new CTargetRows(kLiveMode, group);
    auto* gl = new QVBoxLayout(group);
    gl->addWidget(targets_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enable_);
    layout->addLayout(row);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(intervalButton, &QPushButton::clicked, this, [this] {
        Edit([this](OcvParam& work) {
            CLiveModeSettingDialog dlg(work.vistrel.vistrelTimer, this);
            if (dlg.exec() == QDialog::Accepted) work.vistrel.vistrelTimer = dlg.TimerMs();
        });
    });
    connect(targets_, &CTargetRows::EditRequested, this,
            [this](int target, bool image) { EditTarget(kLiveMode, target, image); });
    Load();
}

void CPropLiveModePage::Load() {
    enable_->setChecked(Work().vistrel.enableVistrel != 0);
    const int seconds = Work().vistrel.vistrelTimer / 1000;
    interval_->setText(Sh(st::kIntervalNow).arg(seconds / 60).arg(seconds % 60));
    targets_->Load(Work());
}

void CPropLiveModePage::Store() {
    Work().vistrel.enableVistrel = enable_->isChecked() ? 1 : 0;
    targets_->Store(Work());
}

}  // namespace ocv
