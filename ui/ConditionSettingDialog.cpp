#include "ui/ConditionSettingDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "config/ParamRanges.h"
#include "ui/FieldWidgets.h"
#include "ui/SheetButtons.h"
#include "ui/UiText.h"

namespace ocv {
namespace {

QCheckBox* Flag(QWidget* parent, const char* name, T text, int32_t value) {
    auto* box = new QCheckBox(Tr(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(value != 0);
    return box;
}

// A choice of display states; item i stands for the value first + i. A value without an item
// selects none and is kept as it was on OK.
QComboBox* States(QWidget* parent, const char* name, std::initializer_list<T> items, int first,
                  int32_t value) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (T t : items) box->addItem(Tr(t));
    const int index = value - first;
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
    return box;
}

int32_t StoredState(const QComboBox* box, int first, int32_t old) {
    return box->currentIndex() >= 0 ? box->currentIndex() + first : old;
}

QSpinBox* Position(QWidget* parent, const char* name, int32_t value) {
    QSpinBox* spin = MakeRangeSpinBox("ConditionSetting", name, value, parent);
    spin->setObjectName(QString::fromLatin1(name));
    return spin;
}

}  // namespace

CConditionSettingDialog::CConditionSettingDialog(const ConditionSetting& c, QWidget* parent)
    : QDialog(parent), conditions_(c) {
    setWindowTitle(Tr(T::ConditionTitle));

    autoCapture_ = Flag(this, "autoCapture", T::ConditionAutoCapture, c.autoCapture);

    show_ = States(this, "show",
                   {T::ConditionShowAsLast, T::ConditionShowWindow, T::ConditionShowDesktop,
                    T::ConditionShowTray},
                   0, c.show);
    lastShow_ = States(this, "lastShow",
                       {T::ConditionShowWindow, T::ConditionShowDesktop, T::ConditionShowTray}, 1,
                       c.lastShow);
    auto* display = new QFormLayout;
    display->addRow(Tr(T::ConditionStartupDisplay), show_);
    display->addRow(Tr(T::ConditionLastShow), lastShow_);

    foreground_ = Flag(this, "foreground", T::ConditionForeground, c.foreground);
    transparent_ = Flag(this, "transparent", T::ConditionTransparent, c.transparent);

    // The opacity while the window is inactive, as a slider and a number that follow each other.
    const ParamRange* range = FindParamRange("ConditionSetting", "TransparentParam");
    const int lo = range ? static_cast<int>(range->min) : 0;
    const int hi = range ? static_cast<int>(range->max) : 100;
    transparency_ = new QSlider(Qt::Horizontal, this);
    transparency_->setObjectName(QStringLiteral("transparencySlider"));
    transparency_->setRange(lo, hi);
    transparency_->setPageStep(10);
    transparencyValue_ = new QSpinBox(this);
    transparencyValue_->setObjectName(QStringLiteral("TransparentParam"));
    transparencyValue_->setRange(lo, hi);
    transparencyValue_->setValue(c.transparentParam);
    transparency_->setValue(transparencyValue_->value());
    connect(transparency_, &QSlider::valueChanged, transparencyValue_, &QSpinBox::setValue);
    connect(transparencyValue_, qOverload<int>(&QSpinBox::valueChanged), transparency_,
            &QSlider::setValue);
    auto* transparencyRow = new QHBoxLayout;
    auto* transparencyLabel = new QLabel(Tr(T::ConditionTransparency), this);
    transparencyLabel->setBuddy(transparencyValue_);
    transparencyRow->addSpacing(20);
    transparencyRow->addWidget(transparencyLabel);
    transparencyRow->addWidget(transparency_, 1);
    transparencyRow->addWidget(transparencyValue_);
    transparencyRow->addWidget(new QLabel(Tr(T::ConditionTransparencyUnit), this));
    auto enableTransparency = [this](bool on) {
        transparency_->setEnabled(on);
        transparencyValue_->setEnabled(on);
    };
    connect(transparent_, &QCheckBox::toggled, this, enableTransparency);
    enableTransparency(transparent_->isChecked());

    auto* position = new QGroupBox(Tr(T::ConditionPosition), this);
    left_ = Position(position, "Left", c.left);
    top_ = Position(position, "Top", c.top);
    right_ = Position(position, "Right", c.right);
    bottom_ = Position(position, "Bottom", c.bottom);
    auto* grid = new QGridLayout(position);
    const std::pair<T, QSpinBox*> cells[] = {{T::ConditionLeft, left_},
                                             {T::ConditionTop, top_},
                                             {T::ConditionRight, right_},
                                             {T::ConditionBottom, bottom_}};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(Tr(cells[i].first), position);
        label->setBuddy(cells[i].second);
        grid->addWidget(label, i / 2, (i % 2) * 2);
        grid->addWidget(cells[i].second, i / 2, (i % 2) * 2 + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(autoCapture_);
    layout->addLayout(display);
    layout->addWidget(foreground_);
    layout->addWidget(transparent_);
    layout->addLayout(transparencyRow);
    layout->addWidget(position);
    layout->addWidget(MakeOkCancel(this));
    setMinimumWidth(420);
}

void CConditionSettingDialog::accept() {
    // Every field comes from its control; only a display state without an item keeps its value.
    ConditionSetting c;
    c.autoCapture = autoCapture_->isChecked() ? 1 : 0;
    c.foreground = foreground_->isChecked() ? 1 : 0;
    c.show = StoredState(show_, 0, conditions_.show);
    c.lastShow = StoredState(lastShow_, 1, conditions_.lastShow);
    c.left = left_->value();
    c.top = top_->value();
    c.right = right_->value();
    c.bottom = bottom_->value();
    c.transparent = transparent_->isChecked() ? 1 : 0;
    c.transparentParam = transparencyValue_->value();
    conditions_ = c;
    QDialog::accept();
}

}  // namespace ocv
