#pragma once
// The package setups: which other modes (and, for image settings, which targets of them) get a
// copy of the settings just edited.
#include <array>

#include <QDialog>

#include "ui/SettingDialogs.h"

class QCheckBox;

namespace ocv {

// "FTP package setup" and "E-mail package setup": the same three mode boxes.
class CMultiSettingModesDialog : public QDialog {
public:
    CMultiSettingModesDialog(const QString& title, const ModeChoice& choice,
                             QWidget* parent = nullptr);
    const ModeChoice& Choice() const { return choice_; }
    void accept() override;

private:
    ModeChoice choice_;
    std::array<QCheckBox*, 3> boxes_{};
};

class CMultiSettingFtpDialog : public CMultiSettingModesDialog {
public:
    explicit CMultiSettingFtpDialog(const ModeChoice& choice, QWidget* parent = nullptr);
};

class CMultiSettingSmtpDialog : public CMultiSettingModesDialog {
public:
    explicit CMultiSettingSmtpDialog(const ModeChoice& choice, QWidget* parent = nullptr);
};

// "Image package setup": modes by targets.
class CMultiSettingImageDialog : public QDialog {
public:
    explicit CMultiSettingImageDialog(const ImageChoice& choice, QWidget* parent = nullptr);
    const ImageChoice& Choice() const { return choice_; }
    void accept() override;

private:
    ImageChoice choice_;
    std::array<std::array<QCheckBox*, 3>, 3> boxes_{};
};

}  // namespace ocv
