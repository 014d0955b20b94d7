#include "ui/NicInfoDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "net/NicMgr.h"
#include "ui/SheetText.h"

namespace ocv {

CNicInfoDialog::CNicInfoDialog(const CNicMgr& nics, int position, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Sh(st::kNicInfoTitle));
    const bool known = position >= 0 && position < nics.GetCount();
    std::string name = known ? nics.GetDescription(position) : "";
    if (known && name.empty()) name = st::kUnknownInterface.english;
    const std::string values[3] = {name, known ? nics.GetIpAddress(position) : "",
                                   known ? nics.GetMacAddress(position) : ""};
    const SheetText* labels[3] = {&st::kNicName, &st::kNicIp, &st::kNicMac};
    const char* names[3] = {"nicName", "nicIp", "nicMac"};
    auto* grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        auto* field = new QLineEdit(QString::fromStdString(values[i]), this);
        field->setObjectName(QString::fromLatin1(names[i]));
        field->setReadOnly(true);
        field->setMinimumWidth(260);
        grid->addWidget(new QLabel(Sh(*labels[i]), this), i, 0);
        grid->addWidget(field, i, 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(Sh(st::kClose));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

}  // namespace ocv
