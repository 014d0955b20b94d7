#include "ui/CapSettingDialog.h"

#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/SheetButtons.h"
#include "ui/UiText.h"

namespace ocv {

// The sheet shows one page that names the camera; its pages of settings are not here yet, so OK
// hands the record back as it came.
CCapSettingDialog::CCapSettingDialog(const OcvParam& param, QWidget* parent)
    : QDialog(parent), param_(param) {
    setWindowTitle(Tr(T::CapSettingTitle));
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget(tabs);
    auto* name = new QLabel(QString::fromStdString(param_.name), page);
    name->setObjectName(QStringLiteral("cameraName"));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto* note = new QLabel(Tr(T::CapSettingEmptyText), page);
    note->setWordWrap(true);
    auto* pl = new QVBoxLayout(page);
    pl->addWidget(name);
    pl->addWidget(note);
    pl->addStretch(1);
    tabs->addTab(page, Tr(T::CapSettingEmptyPage));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(MakeOkCancel(this));
    resize(420, 260);
}

}  // namespace ocv
