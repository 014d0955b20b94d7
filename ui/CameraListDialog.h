#pragma once
// The camera list: device, status and name of every camera window in array order, the status
// refreshed by a timer; "Delete" and "Popup" act on the selected row through the signals.
#include <functional>
#include <vector>

#include <QDialog>

class QPushButton;
class QTimer;
class QTreeWidget;

namespace ocv {

class COcvCtrl;

class CCameraListDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRefreshIntervalMs = 1000;

    // `cameras` gives the controllers in array order each time the list is refreshed.
    explicit CCameraListDialog(std::function<std::vector<const COcvCtrl*>()> cameras,
                               QWidget* parent = nullptr);

    // Reads the cameras again: rows are added or removed to match, every cell is rewritten and
    // the selected row stays selected while it exists.
    void Refresh();
    int RowCount() const;
    // The text of a cell (columns Device, Status, Name); empty outside the list.
    QString CellText(int row, int column) const;
    // The selected row, -1 when none.
    int SelectedRow() const;
    void SelectRow(int row);

signals:
    void deleteRequested(int index);
    void popupRequested(int index);

private slots:
    void OnDelete();
    void OnPopup();

private:
    void UpdateButtons();

    std::function<std::vector<const COcvCtrl*>()> cameras_;
    QTreeWidget* list_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* popup_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace ocv
