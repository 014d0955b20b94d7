#pragma once
// "Save Location": the save directory and the date-folder flag of the hard-disk target.
#include <QDialog>

#include "config/OcvParam.h"

class QCheckBox;
class QLineEdit;

namespace ocv {

class CLocalSettingDialog : public QDialog {
public:
    explicit CLocalSettingDialog(const LocalSetting& local, QWidget* parent = nullptr);
    const LocalSetting& Value() const { return local_; }
    void accept() override;

private:
    LocalSetting local_;
    QLineEdit* directory_;
    QCheckBox* dateFolder_;
};

}  // namespace ocv
