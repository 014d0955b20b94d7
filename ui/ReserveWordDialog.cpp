#include "ui/ReserveWordDialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/TargetText.h"
#include "ui/UiText.h"

namespace ocv {

CReserveWordDialog::CReserveWordDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Lang("Reservation word", "予約語"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("words"));
    for (const char* word :
         {"_$LOCALFILENAME$_", "_$FTPFILENAME$_", "_$MAILFILENAME$_", "_$DATE$_", "_$TIME$_"})
        list_->addItem(QString::fromLatin1(word));
    list_->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* insert = buttons->addButton(Lang("Insert", "挿入"), QDialogButtonBox::AcceptRole);
    insert->setObjectName(QStringLiteral("insert"));
    insert->setDefault(true);
    buttons->addButton(Tr(T::Cancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
}

QString CReserveWordDialog::Word() const {
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->text() : QString();
}

}  // namespace ocv
