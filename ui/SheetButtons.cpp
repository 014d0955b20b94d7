#include "ui/SheetButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "ui/UiText.h"

namespace ocv {

QDialogButtonBox* MakeOkCancel(QDialog* dialog) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QPushButton* ok = box->button(QDialogButtonBox::Ok);
    ok->setText(Tr(T::Ok));
    ok->setDefault(true);
    box->button(QDialogButtonBox::Cancel)->setText(Tr(T::Cancel));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

}  // namespace ocv
