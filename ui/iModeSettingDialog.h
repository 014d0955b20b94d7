#pragma once
// "details" of the pictures for cellular phones: their password, size and JPEG quality.
#include <QDialog>

#include "config/OcvParam.h"

class QSpinBox;

namespace ocv {

class CPasswordPair;

class CiModeSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CiModeSettingDialog(const WebServerSetting& web, QWidget* parent = nullptr);
    WebServerSetting Result() const { return web_; }
    void accept() override;

private:
    WebServerSetting web_;
    CPasswordPair* password_ = nullptr;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QSpinBox* quality_ = nullptr;
};

}  // namespace ocv
