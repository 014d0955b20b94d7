#pragma once
// A password switch with the password and its confirmation, as the web server's detail dialogs
// show it; Matches() is the check made on OK.
#include <string>

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace ocv {

class CPasswordPair : public QWidget {
    Q_OBJECT
public:
    CPasswordPair(bool enabled, const std::string& password, size_t capacity, QWidget* parent);
    bool Enabled() const;
    std::string Password() const;
    // The two entries are the same, or the password is switched off.
    bool Matches() const;

private:
    size_t capacity_;
    QCheckBox* enable_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* confirm_ = nullptr;
};

}  // namespace ocv
