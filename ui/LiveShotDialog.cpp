#include "ui/LiveShotDialog.h"

#include <limits>

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/MotionText.h"
#include "ui/SheetButtons.h"

namespace ocv {

CLiveShotDialog::CLiveShotDialog(const MotionCapSetting& motion, QWidget* parent)
    : QDialog(parent), motion_(motion) {
    setWindowTitle(MTr(MT::LiveShotTitle));
    auto* box = new QGroupBox(MTr(MT::ConstantInterval), this);
    const int time = std::max(motion_.liveShotTime, 0);
    minutes_ = new QSpinBox(box);
    minutes_->setObjectName(QStringLiteral("minutes"));
    minutes_->setRange(0, std::numeric_limits<int32_t>::max() / 60);
    minutes_->setValue(time / 60);
    seconds_ = new QSpinBox(box);
    seconds_->setObjectName(QStringLiteral("seconds"));
    seconds_->setRange(0, 59);
    seconds_->setValue(time % 60);
    interval_ = MakeRangeSpinBox("Motion", "Live Shot Interval", motion_.liveShotInterval, box);
    interval_->setObjectName(QStringLiteral("interval"));
    auto* g = new QGridLayout(box);
    g->addWidget(new QLabel(MTr(MT::Time), box), 0, 0);
    g->addWidget(minutes_, 0, 1);
    g->addWidget(new QLabel(MTr(MT::Minutes), box), 0, 2);
    g->addWidget(seconds_, 0, 3);
    g->addWidget(new QLabel(MTr(MT::Seconds), box), 0, 4);
    g->addWidget(new QLabel(MTr(MT::Interval), box), 1, 0);
    g->addWidget(interval_, 1, 1);
    g->addWidget(new QLabel(MTr(MT::Seconds), box), 1, 2);
    auto* root = new QVBoxLayout(this);
    root->addWidget(box);
    root->addWidget(MakeOkCancel(this));
}

void CLiveShotDialog::accept() {
    const int time = minutes_->value() * 60 + seconds_->value();
    // A stored length the fields cannot show (negative) stays unless it was edited.
    if (time != std::max(motion_.liveShotTime, 0)) motion_.liveShotTime = time;
    motion_.liveShotInterval = interval_->value();
    QDialog::accept();
}

}  // namespace ocv
