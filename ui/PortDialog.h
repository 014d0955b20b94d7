#pragma once
// "Port": one port number; "default" puts back the protocol's standard port.
#include <QDialog>

class QSpinBox;

namespace ocv {

class CPortDialog : public QDialog {
public:
    // `section` and `key` name the port's range; `defaultPort` is what "default" restores.
    CPortDialog(int port, int defaultPort, const char* section, const char* key,
                QWidget* parent = nullptr);
    int Port() const { return port_; }
    void accept() override;

private:
    int port_;
    QSpinBox* spin_;
};

}  // namespace ocv
