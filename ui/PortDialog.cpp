#include "ui/PortDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/FieldWidgets.h"
#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {

CPortDialog::CPortDialog(int port, int defaultPort, const char* section, const char* key,
                         QWidget* parent)
    : QDialog(parent), port_(port) {
    setWindowTitle(Lang("Port", "ポート"));
    spin_ = MakeRangeSpinBox(section, key, port, this);
    spin_->setObjectName(QStringLiteral("port"));
    auto* label = new QLabel(Lang("Port", "ポート"), this);
    label->setBuddy(spin_);
    QPushButton* reset = NamedButton(this, "default", Lang("default", "デフォルト"));
    connect(reset, &QPushButton::clicked, this,
            [this, defaultPort] { spin_->setValue(defaultPort); });
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(spin_, 1);
    row->addWidget(reset);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(MakeOkCancel(this));
}

void CPortDialog::accept() {
    port_ = spin_->value();
    QDialog::accept();
}

}  // namespace ocv
