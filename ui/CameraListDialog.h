#pragma once
// The camera list: device, status and name of every camera window in array order, the status
// refreshed by a timer; "Delete" and "Popup" act on the selected row through the signals.
#include <functional>
#include <vector>

#include <QDialog>

namespace ocv {

class COcvCtrl;

class CCameraListDialog : public QDialog {
    Q_OBJECT
public:
    // `cameras` gives the controllers in array order each time the list is refreshed.
    explicit CCameraListDialog(std::function<std::vector<const COcvCtrl*>()> cameras,
                               QWidget* parent = nullptr);

signals:
    void deleteRequested(int index);
    void popupRequested(int index);
};

}  // namespace ocv
