#pragma once
// "LIVE mode settings": the interval of the interval capture in minutes and seconds.
#include <QDialog>

class QSpinBox;

namespace ocv {

class CLiveModeSettingDialog : public QDialog {
    Q_OBJECT
public:
    // `timerMs` is the record's "Vistrel Timer"; whole seconds are shown.
    explicit CLiveModeSettingDialog(int timerMs, QWidget* parent = nullptr);
    int TimerMs() const { return timerMs_; }
    void accept() override;

private:
    int timerMs_;
    QSpinBox* minutes_ = nullptr;
    QSpinBox* seconds_ = nullptr;
};

}  // namespace ocv
