#pragma once
// "Network card information": the name, IPv4 address and hardware address of one adapter.
#include <QDialog>

namespace ocv {

class CNicMgr;

class CNicInfoDialog : public QDialog {
    Q_OBJECT
public:
    CNicInfoDialog(const CNicMgr& nics, int position, QWidget* parent = nullptr);
};

}  // namespace ocv
