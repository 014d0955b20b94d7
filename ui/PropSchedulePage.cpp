#include "ui/PropSchedulePage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/SheetText.h"

namespace ocv {
namespace {
constexpr const char* kDayNames[7] = {"sunday",   "monday", "tuesday", "wednesday",
                                      "thursday", "friday", "saturday"};
}  // namespace

CPropSchedulePage::CPropSchedulePage(SheetContext& context, QWidget* parent)
    : CSheetPage(context, parent) {
    enable_ = Check(Sh(st::kActivateSchedule), "enableSchedule");
    auto* week = new QGroupBox(this);
    auto* wl = new QGridLayout(week);
    // Bit d of "Exec Week" is weekday d counted from Sunday.
    for (int d = 0; d < 7; ++d) {
        days_[d] = new QCheckBox(Sh(st::kWeekdays[d]), week);
        days_[d]->setObjectName(QString::fromLatin1(kDayNames[d]));
        wl->addWidget(days_[d], d / 4, d % 4);
    }

    const ScheduleSetting& s = Work().schedule;
    startHour_ = MakeRangeSpinBox("Schedule", "Start Hour", s.startHour, this);
    startHour_->setObjectName(QStringLiteral("startHour"));
    startMinute_ = MakeRangeSpinBox("Schedule", "Start Minute", s.startMinute, this);
    startMinute_->setObjectName(QStringLiteral("startMinute"));
    endHour_ = MakeRangeSpinBox("Schedule", "End Hour", s.endHour, this);
    endHour_->setObjectName(QStringLiteral("endHour"));
    endMinute_ = MakeRangeSpinBox("Schedule", "End Minute", s.endMinute, this);
    endMinute_->setObjectName(QStringLiteral("endMinute"));
    auto* time = new QGridLayout;
    auto addTime = [&](int row, const SheetText& label, QSpinBox* hour, QSpinBox* minute) {
        auto* l = new QLabel(Sh(label), this);
        l->setBuddy(hour);
        time->addWidget(l, row, 0);
        time->addWidget(hour, row, 1);
        time->addWidget(new QLabel(Sh(st::kHourUnit), this), row, 2);
        time->addWidget(minute, row, 3);
        time->addWidget(new QLabel(Sh(st::kMinuteUnit), this), row, 4);
    };
    addTime(0, st::kStart, startHour_, startMinute_);
    addTime(1, st::kEnd, endHour_, endMinute_);
    time->setColumnStretch(5, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enable_);
    layout->addWidget(week);
    layout->addLayout(time);
    layout->addWidget(new QLabel(Sh(st::k24Hour), this));
    layout->addWidget(new QLabel(Sh(st::kDateAdjust), this));
    layout->addStretch(1);
    Load();
}

void CPropSchedulePage::Load() {
    const ScheduleSetting& s = Work().schedule;
    enable_->setChecked(s.enable != 0);
    for (int d = 0; d < 7; ++d) days_[d]->setChecked((s.execWeek & (1 << d)) != 0);
    startHour_->setValue(s.startHour);
    startMinute_->setValue(s.startMinute);
    endHour_->setValue(s.endHour);
    endMinute_->setValue(s.endMinute);
}

void CPropSchedulePage::Store() {
    ScheduleSetting& s = Work().schedule;
    s.enable = enable_->isChecked() ? 1 : 0;
    // Bits above the seven weekdays are not the page's and stay as they were.
    int32_t week = s.execWeek & ~0x7F;
    for (int d = 0; d < 7; ++d)
        if (days_[d]->isChecked()) week |= 1 << d;
    s.execWeek = week;
    s.startHour = startHour_->value();
    s.startMinute = startMinute_->value();
    s.endHour = endHour_->value();
    s.endMinute = endMinute_->value();
}

}  // namespace ocv
