#pragma once
// The small menu window of a camera window: "camera setup", "capture setup" and "start up
// options". The two setups are offered only while the camera does not monitor.
#include <cstdint>

#include <QWidget>

class QPushButton;

namespace ocv {

class CMenuDialog : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCameraSetup = 1012;
    static constexpr int kCaptureSetup = 1029;
    static constexpr int kStartUpOptions = 1026;

    explicit CMenuDialog(QWidget* parent = nullptr);

    // The controller's flag set: the setups are enabled only while nothing runs.
    void SetState(uint32_t flags);
    QPushButton* Button(int command) const;
    // Opens the menu with its bottom-left corner at `globalPos`.
    void Popup(const QPoint& globalPos);

signals:
    void command(int id);

private:
    QPushButton* cameraSetup_;
    QPushButton* captureSetup_;
    QPushButton* startUpOptions_;
};

}  // namespace ocv
