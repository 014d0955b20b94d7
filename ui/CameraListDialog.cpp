#include "ui/CameraListDialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controller/OcvCtrl.h"
#include "ui/CameraStatus.h"
#include "ui/UiText.h"

namespace ocv {

CCameraListDialog::CCameraListDialog(std::function<std::vector<const COcvCtrl*>()> cameras,
                                     QWidget* parent)
    : QDialog(parent), cameras_(std::move(cameras)) {
    setWindowTitle(Tr(T::CameraListTitle));

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("cameraList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels(
        {Tr(T::CameraListColDevice), Tr(T::CameraListColStatus), Tr(T::CameraListColName)});
    list_->setColumnWidth(0, 260);
    list_->setColumnWidth(1, 150);
    list_->header()->setStretchLastSection(true);

    auto* box = new QDialogButtonBox(this);
    delete_ = box->addButton(Tr(T::CameraListDelete), QDialogButtonBox::ActionRole);
    popup_ = box->addButton(Tr(T::CameraListPopup), QDialogButtonBox::ActionRole);
    QPushButton* close = box->addButton(Tr(T::CameraListClose), QDialogButtonBox::RejectRole);
    delete_->setAutoDefault(false);
    popup_->setAutoDefault(false);
    close->setDefault(true);
    connect(delete_, &QPushButton::clicked, this, &CCameraListDialog::OnDelete);
    connect(popup_, &QPushButton::clicked, this, &CCameraListDialog::OnPopup);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A double click pops up the camera under the pointer.
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int row = list_->indexOfTopLevelItem(item);
        if (row < 0) return;
        SelectRow(row);
        emit popupRequested(row);
    });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &CCameraListDialog::UpdateButtons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(box);
    resize(620, 300);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &CCameraListDialog::Refresh);
    timer_->start(kRefreshIntervalMs);
    Refresh();
    if (RowCount() > 0) SelectRow(0);
    UpdateButtons();
}

void CCameraListDialog::Refresh() {
    const std::vector<const COcvCtrl*> cameras = cameras_ ? cameras_() : std::vector<const COcvCtrl*>{};
    const int selected = SelectedRow();
    const int count = static_cast<int>(cameras.size());
    while (list_->topLevelItemCount() > count) delete list_->takeTopLevelItem(count);
    while (list_->topLevelItemCount() < count) list_->addTopLevelItem(new QTreeWidgetItem);
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        const COcvCtrl* cam = cameras[i];
        if (!cam) {
            for (int c = 0; c < 3; ++c) item->setText(c, QString());
            continue;
        }
        item->setText(0, DeviceColumnText(cam->Param().deviceInfo));
        item->setText(1, QString::fromLatin1(CameraStatusWord(cam->State())));
        item->setText(2, QString::fromStdString(cam->Param().name));
    }
    // A deleted row takes the selection to the row that moved into its place (or the last one).
    if (selected >= 0 && count > 0 && SelectedRow() < 0) SelectRow(std::min(selected, count - 1));
    UpdateButtons();
}

int CCameraListDialog::RowCount() const { return list_->topLevelItemCount(); }

QString CCameraListDialog::CellText(int row, int column) const {
    const QTreeWidgetItem* item = list_->topLevelItem(row);
    return item && column >= 0 && column < 3 ? item->text(column) : QString();
}

int CCameraListDialog::SelectedRow() const {
    const auto items = list_->selectedItems();
    return items.isEmpty() ? -1 : list_->indexOfTopLevelItem(items.first());
}

void CCameraListDialog::SelectRow(int row) {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    if (item) list_->setCurrentItem(item);
    else list_->clearSelection();
}

void CCameraListDialog::UpdateButtons() {
    const bool any = SelectedRow() >= 0;
    delete_->setEnabled(any);
    popup_->setEnabled(any);
}

void CCameraListDialog::OnDelete() {
    const int row = SelectedRow();
    if (row < 0) return;
    emit deleteRequested(row);
    Refresh();
}

void CCameraListDialog::OnPopup() {
    const int row = SelectedRow();
    if (row >= 0) emit popupRequested(row);
}

}  // namespace ocv
