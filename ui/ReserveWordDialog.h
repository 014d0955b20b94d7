#pragma once
// "Reservation word": the placeholders a mail title or body may hold; "Insert" returns the chosen
// one.
#include <QDialog>

class QListWidget;

namespace ocv {

class CReserveWordDialog : public QDialog {
public:
    explicit CReserveWordDialog(QWidget* parent = nullptr);
    // The chosen placeholder; empty when none.
    QString Word() const;

private:
    QListWidget* list_;
};

}  // namespace ocv
