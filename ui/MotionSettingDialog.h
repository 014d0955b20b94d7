#pragma once
// "MOTION mode setting": the motion detection settings over a copy of the record, with a live
// preview of the camera, the motion level of its pictures against the threshold, and the
// capture, recording, alarm, scope and outline settings. Result() after OK.
#include <QDialog>
#include <QTimer>

#include "config/OcvParam.h"
#include "ui/MotionPreview.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace ocv {

class COcvCtrl;
class CMotionLevelMeter;

class CMotionSettingDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPreviewIntervalMs = 50;

    // `camera` may be null (no camera): the preview then shows why it is missing.
    CMotionSettingDialog(const MotionCapSetting& motion, COcvCtrl* camera,
                         QWidget* parent = nullptr);
    MotionCapSetting Result() const { return motion_; }

    // One preview step (the timer's): the newest picture, its level against the previous one,
    // the meter and the status text.
    void PreviewTick();
    bool PreviewRunning() const { return timer_.isActive(); }
    float Level() const;
    QString StatusText() const;

    void accept() override;

private:
    bool CameraConnected() const;
    // The record as the fields show it now.
    MotionCapSetting Edited() const;
    void ShowThreshold();
    void RestoreDefaults();
    void ShowLiveShot();
    void ShowTimeout();
    void BrowseSound();
    void TestSound();
    void ShowScope();
    void UpdateEnabled();

    MotionCapSetting motion_;
    COcvCtrl* camera_;
    CMotionPreview preview_;
    QTimer timer_;
    bool thresholdMoved_ = false;

    QLabel* picture_ = nullptr;
    QLabel* status_ = nullptr;
    CMotionLevelMeter* meter_ = nullptr;
    QLabel* levelValue_ = nullptr;
    QSlider* sensitivity_ = nullptr;
    QLabel* sensitivityValue_ = nullptr;
    QSlider* threshold_ = nullptr;
    QLabel* thresholdValue_ = nullptr;
    QComboBox* method_ = nullptr;
    QPushButton* detail_ = nullptr;
    QCheckBox* recording_ = nullptr;
    QSpinBox* before_ = nullptr;
    QCheckBox* sound_ = nullptr;
    QLineEdit* soundFile_ = nullptr;
    QCheckBox* scope_ = nullptr;
    QPushButton* scopeSettings_ = nullptr;
    QCheckBox* outline_ = nullptr;
    QSlider* outlineLevel_ = nullptr;
    QLabel* outlineValue_ = nullptr;
};

}  // namespace ocv
