#include "ui/PropMoviePage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/SettingDialogs.h"
#include "ui/SheetHooks.h"
#include "ui/SheetText.h"

namespace ocv {

CPropMoviePage::CPropMoviePage(SheetContext& context, QWidget* parent)
    : CSheetPage(context, parent) {
    auto* where = new QGroupBox(Sh(st::kHardDisk), this);
    folder_ = new CFolderRow(where);
    auto* wl = new QVBoxLayout(where);
    wl->addWidget(folder_);

    const RecordingInfo& r = Work().recording;
    length_ = MakeRangeSpinBox("Recording", "RecordingTime", r.recordingTime, this);
    length_->setObjectName(QStringLiteral("length"));
    frameRate_ = MakeRangeSpinBox("Recording", "FrameRate", r.frameRate, this);
    frameRate_->setObjectName(QStringLiteral("frameRate"));
    auto* grid = new QGridLayout;
    auto* lengthLabel = new QLabel(Sh(st::kLength), this);
    lengthLabel->setBuddy(length_);
    auto* rateLabel = new QLabel(Sh(st::kFrameRate), this);
    rateLabel->setBuddy(frameRate_);
    grid->addWidget(lengthLabel, 0, 0);
    grid->addWidget(length_, 0, 1);
    grid->addWidget(new QLabel(Sh(st::kSeconds), this), 0, 2);
    grid->addWidget(rateLabel, 1, 0);
    grid->addWidget(frameRate_, 1, 1);
    grid->addWidget(new QLabel(Sh(st::kFramePerSec), this), 1, 2);
    grid->setColumnStretch(3, 1);

    auto* image = Button(Sh(st::kCaptureImageSettings), "captureImage");
    auto* imageRow = new QHBoxLayout;
    imageRow->addWidget(image);
    imageRow->addStretch(1);

    wmv_ = Check(Sh(st::kSaveWmv), "enableWmv");
    profile_ = Button(Sh(st::kSettings), "wmvProfile");
    auto* wmvRow = new QHBoxLayout;
    wmvRow->addWidget(wmv_);
    wmvRow->addWidget(profile_);
    wmvRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(where);
    layout->addLayout(grid);
    layout->addLayout(imageRow);
    layout->addLayout(wmvRow);
    layout->addStretch(1);

    connect(image, &QPushButton::clicked, this, [this] {
        Edit([this](OcvParam& work) {
            SheetImageDialog(this, work.recording.local.image, Camera(), work.name, nullptr);
        });
    });
    connect(profile_, &QPushButton::clicked, this, [this] {
        Edit([this](OcvParam& work) { SheetWmvDialog(this, work.recording); });
    });
    connect(wmv_, &QCheckBox::toggled, profile_, &QWidget::setEnabled);
    Load();
}

void CPropMoviePage::Load() {
    const RecordingInfo& r = Work().recording;
    folder_->Load(r.local);
    length_->setValue(r.recordingTime);
    frameRate_->setValue(r.frameRate);
    wmv_->setChecked(r.enableWMV != 0);
    profile_->setEnabled(wmv_->isChecked());
}

void CPropMoviePage::Store() {
    RecordingInfo& r = Work().recording;
    folder_->Store(r.local);
    r.recordingTime = length_->value();
    r.frameRate = frameRate_->value();
    r.enableWMV = wmv_->isChecked() ? 1 : 0;
}

}  // namespace ocv
