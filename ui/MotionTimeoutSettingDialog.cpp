#include "ui/MotionTimeoutSettingDialog.h"

#include <cmath>
#include <limits>

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "config/ParamRanges.h"
#include "ui/MotionText.h"
#include "ui/SheetButtons.h"

namespace ocv {

namespace {
constexpr double kMaxDelaySeconds = 5.0;
}

CMotionTimeoutSettingDialog::CMotionTimeoutSettingDialog(const MotionCapSetting& motion,
                                                         QWidget* parent)
    : QDialog(parent), motion_(motion) {
    setWindowTitle(MTr(MT::TimeoutTitle));

    delay_ = new QDoubleSpinBox(this);
    delay_->setObjectName(QStringLiteral("delay"));
    delay_->setDecimals(1);
    delay_->setSingleStep(0.1);
    delay_->setRange(0.0, kMaxDelaySeconds);
    delay_->setValue(motion_.motionCaptureTimeout + motion_.motionCaptureTimeoutMM / 1000.0);
    delayShown_ = delay_->value();
    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(new QLabel(MTr(MT::CaptureImage), this));
    delayRow->addWidget(delay_);
    delayRow->addWidget(new QLabel(MTr(MT::SecondsAfterDetect), this));
    delayRow->addStretch();

    auto* box = new QGroupBox(MTr(MT::TimeoutGroup), this);
    const int next = std::max(motion_.motionNextCaptureTimeout, 0);
    minutes_ = new QSpinBox(box);
    minutes_->setObjectName(QStringLiteral("minutes"));
    minutes_->setRange(0, std::numeric_limits<int32_t>::max() / 60);
    minutes_->setValue(next / 60);
    seconds_ = new QSpinBox(box);
    seconds_->setObjectName(QStringLiteral("seconds"));
    seconds_->setRange(0, 59);
    seconds_->setValue(next % 60);
    milliseconds_ = new QSpinBox(box);
    milliseconds_->setObjectName(QStringLiteral("milliseconds"));
    if (const ParamRange* r = FindParamRange("Motion", "Motion Next Capture TimeoutMM"))
        milliseconds_->setRange(static_cast<int>(r->min), static_cast<int>(r->max));
    milliseconds_->setValue(motion_.motionNextCaptureTimeoutMM);
    auto* g = new QHBoxLayout(box);
    g->addWidget(new QLabel(MTr(MT::AfterCapture), box));
    g->addWidget(minutes_);
    g->addWidget(new QLabel(MTr(MT::Minutes), box));
    g->addWidget(seconds_);
    g->addWidget(new QLabel(MTr(MT::Seconds), box));
    g->addWidget(milliseconds_);
    g->addWidget(new QLabel(MTr(MT::Milliseconds), box));

    auto* root = new QVBoxLayout(this);
    root->addLayout(delayRow);
    root->addWidget(new QLabel(MTr(MT::ChooseWithin), this));
    root->addWidget(box);
    root->addWidget(MakeOkCancel(this));
}

void CMotionTimeoutSettingDialog::accept() {
    // The delay field shows tenths; a stored value it cannot show stays unless it was edited.
    if (delay_->value() != delayShown_) {
        const int ms = static_cast<int>(std::lround(delay_->value() * 1000));
        motion_.motionCaptureTimeout = ms / 1000;
        motion_.motionCaptureTimeoutMM = ms % 1000;
    }
    const int next = minutes_->value() * 60 + seconds_->value();
    if (next != std::max(motion_.motionNextCaptureTimeout, 0))
        motion_.motionNextCaptureTimeout = next;
    motion_.motionNextCaptureTimeoutMM = milliseconds_->value();
    QDialog::accept();
}

}  // namespace ocv
