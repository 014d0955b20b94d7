#include "ui/LiveModeSettingDialog.h"

#include <climits>

#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/SheetButtons.h"
#include "ui/SheetHooks.h"
#include "ui/SheetText.h"

namespace ocv {

CLiveModeSettingDialog::CLiveModeSettingDialog(int timerMs, QWidget* parent)
    : QDialog(parent), timerMs_(timerMs) {
    setWindowTitle(Sh(st::kLiveSettingsTitle));
    const int total = timerMs > 0 ? timerMs / 1000 : 0;
    minutes_ = new QSpinBox(this);
    minutes_->setObjectName(QStringLiteral("minutes"));
    minutes_->setRange(0, INT_MAX / 60000);
    minutes_->setValue(total / 60);
    seconds_ = new QSpinBox(this);
    seconds_->setObjectName(QStringLiteral("seconds"));
    seconds_->setRange(0, 59);
    seconds_->setValue(total % 60);

    auto* row = new QHBoxLayout;
    row->addWidget(minutes_);
    row->addWidget(new QLabel(Sh(st::kMinutes), this));
    row->addWidget(seconds_);
    row->addWidget(new QLabel(Sh(st::kIntervalOnce), this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(MakeOkCancel(this));
}

void CLiveModeSettingDialog::accept() {
    const int seconds = minutes_->value() * 60 + seconds_->value();
    // An interval of zero would capture without pause.
    if (seconds < 1) {
        SheetMessage(this, Sh(st::kIntervalTooShort));
        return;
    }
    // Milliseconds below a second that the record had are kept when the seconds did not change.
    const int kept = timerMs_ > 0 && timerMs_ / 1000 == seconds ? timerMs_ % 1000 : 0;
    timerMs_ = seconds * 1000 + kept;
    QDialog::accept();
}

}  // namespace ocv
