#pragma once
// "details" of the image broadcast: its password, the most concurrent users and the most frames
// per second of a stream.
#include <QDialog>

#include "config/OcvParam.h"

class QSpinBox;

namespace ocv {

class CPasswordPair;

class CStreamSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CStreamSettingDialog(const WebServerSetting& web, QWidget* parent = nullptr);
    WebServerSetting Result() const { return web_; }
    void accept() override;

private:
    WebServerSetting web_;
    CPasswordPair* password_ = nullptr;
    QSpinBox* maxUser_ = nullptr;
    QSpinBox* maxFrame_ = nullptr;
};

}  // namespace ocv
