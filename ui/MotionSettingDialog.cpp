#include "ui/MotionSettingDialog.h"

#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "config/ParamRanges.h"
#include "controller/OcvCtrl.h"
#include "platform/SoundPlayer.h"
#include "ui/FieldWidgets.h"
#include "ui/LiveShotDialog.h"
#include "ui/MotionLevelMeter.h"
#include "ui/MotionMessage.h"
#include "ui/MotionText.h"
#include "ui/MotionTimeoutSettingDialog.h"
#include "ui/RangeSettingDialog.h"
#include "ui/SheetButtons.h"
#include "ui/UiText.h"

namespace ocv {

namespace {

constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 240;
// The threshold slider moves in tenths of a percent.
constexpr int kThresholdSteps = 10;

QSlider* RangeSlider(const char* key, int value, QWidget* parent, int scale = 1) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    if (const ParamRange* r = FindParamRange("Motion", key))
        s->setRange(static_cast<int>(r->min) * scale, static_cast<int>(r->max) * scale);
    s->setValue(value);
    return s;
}

QPushButton* Button(MT text, QWidget* parent, const char* name) {
    auto* b = new QPushButton(MTr(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

CMotionSettingDialog::CMotionSettingDialog(const MotionCapSetting& motion, COcvCtrl* camera,
                                           QWidget* parent)
    : QDialog(parent), motion_(motion), camera_(camera) {
    setWindowTitle(MTr(MT::MotionTitle));

    // Left: the preview and the level settings.
    auto* previewBox = new QGroupBox(MTr(MT::Preview), this);
    picture_ = new QLabel(previewBox);
    picture_->setObjectName(QStringLiteral("preview"));
    picture_->setFixedSize(kPreviewWidth, kPreviewHeight);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setWordWrap(true);
    picture_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_ = new QLabel(previewBox);
    status_->setObjectName(QStringLiteral("status"));
    status_->setAlignment(Qt::AlignCenter);
    auto* pv = new QVBoxLayout(previewBox);
    pv->addWidget(picture_, 0, Qt::AlignHCenter);
    pv->addWidget(status_);

    auto* levelBox = new QGroupBox(MTr(MT::LevelSettings), this);
    sensitivity_ =
        RangeSlider("Motion Capture Reception", motion_.motionCaptureReception, levelBox);
    sensitivity_->setObjectName(QStringLiteral("sensitivity"));
    sensitivityValue_ = new QLabel(levelBox);
    threshold_ =
        RangeSlider("Motion Capture Threshold",
                    static_cast<int>(std::lround(motion_.motionCaptureThreshold * kThresholdSteps)),
                    levelBox, kThresholdSteps);
    threshold_->setObjectName(QStringLiteral("threshold"));
    thresholdValue_ = new QLabel(levelBox);
    meter_ = new CMotionLevelMeter(levelBox);
    meter_->setObjectName(QStringLiteral("meter"));
    auto* defaults = Button(MT::Default, levelBox, "default");
    auto* lg = new QGridLayout(levelBox);
    lg->addWidget(new QLabel(MTr(MT::Sensitivity), levelBox), 0, 0);
    lg->addWidget(sensitivity_, 0, 1);
    lg->addWidget(sensitivityValue_, 0, 2);
    lg->addWidget(new QLabel(MTr(MT::Threshold), levelBox), 1, 0);
    lg->addWidget(threshold_, 1, 1);
    lg->addWidget(thresholdValue_, 1, 2);
    lg->addWidget(new QLabel(MTr(MT::LevelMeter), levelBox), 2, 0);
    lg->addWidget(meter_, 2, 1);
    levelValue_ = new QLabel(levelBox);
    levelValue_->setObjectName(QStringLiteral("levelValue"));
    lg->addWidget(levelValue_, 2, 2);
    lg->addWidget(defaults, 3, 1, 1, 2, Qt::AlignRight);
    for (QLabel* l : {sensitivityValue_, thresholdValue_, levelValue_}) l->setMinimumWidth(40);

    // Right: what happens on detection.
    auto* methodBox = new QGroupBox(MTr(MT::CaptureMethod), this);
    method_ = new QComboBox(methodBox);
    method_->setObjectName(QStringLiteral("method"));
    method_->addItems({MTr(MT::MethodSingle), MTr(MT::MethodPanorama), MTr(MT::MethodSeries)});
    method_->setCurrentIndex(motion_.motionCaptureMode);  // -1 (none) for a value off the list
    detail_ = Button(MT::Detail, methodBox, "detail");
    auto* timeout = Button(MT::Timeout, methodBox, "timeout");
    auto* mg = new QGridLayout(methodBox);
    mg->addWidget(method_, 0, 0, 1, 2);
    mg->addWidget(detail_, 1, 0);
    mg->addWidget(timeout, 1, 1);

    recording_ = new QCheckBox(MTr(MT::ActivateRecording), this);
    recording_->setObjectName(QStringLiteral("recording"));
    recording_->setChecked(motion_.enableRecording != 0);
    before_ = MakeRangeSpinBox("Motion", "Recording StartTime Before",
                               motion_.recordingStartTimeBefore, this);
    before_->setObjectName(QStringLiteral("before"));
    auto* recordRow = new QHBoxLayout;
    recordRow->addSpacing(20);
    recordRow->addWidget(new QLabel(MTr(MT::Record), this));
    recordRow->addWidget(before_);
    recordRow->addWidget(new QLabel(MTr(MT::SecondsAfterDetection), this));
    recordRow->addStretch();

    auto* alarmBox = new QGroupBox(MTr(MT::AlarmSettings), this);
    sound_ = new QCheckBox(MTr(MT::SetAlarm), alarmBox);
    sound_->setObjectName(QStringLiteral("sound"));
    sound_->setChecked(motion_.motionCaptureEnableSound != 0);
    soundFile_ = new QLineEdit(alarmBox);
    soundFile_->setObjectName(QStringLiteral("soundFile"));
    SetupTextField(soundFile_, motion_.motionCaptureSoundFilename,
                   MotionCapSetting::kSoundFilenameCapacity);
    soundFile_->setMinimumWidth(220);
    auto* browse = new QPushButton(Tr(T::Browse), alarmBox);
    browse->setObjectName(QStringLiteral("browseSound"));
    browse->setAutoDefault(false);
    auto* test = Button(MT::TestSound, alarmBox, "testSound");
    auto* ag = new QGridLayout(alarmBox);
    ag->addWidget(sound_, 0, 0, 1, 3);
    ag->addWidget(new QLabel(MTr(MT::SoundFile), alarmBox), 1, 0);
    ag->addWidget(soundFile_, 1, 1, 1, 2);
    ag->addWidget(browse, 2, 1, Qt::AlignRight);
    ag->addWidget(test, 2, 2);

    scope_ = new QCheckBox(MTr(MT::EnableScope), this);
    scope_->setObjectName(QStringLiteral("scope"));
    scope_->setChecked(motion_.enableRange != 0);
    scopeSettings_ = Button(MT::ScopeSettings, this, "scopeSettings");
    auto* scopeRow = new QHBoxLayout;
    scopeRow->addWidget(scope_);
    scopeRow->addStretch();
    scopeRow->addWidget(scopeSettings_);

    auto* outlineBox = new QGroupBox(MTr(MT::OutlineExtraction), this);
    outline_ = new QCheckBox(MTr(MT::OutlineActivate), outlineBox);
    outline_->setObjectName(QStringLiteral("outline"));
    outline_->setChecked(motion_.enableOutline != 0);
    outlineLevel_ = RangeSlider("Outline Level", motion_.outlineLevel, outlineBox);
    outlineLevel_->setObjectName(QStringLiteral("outlineLevel"));
    outlineValue_ = new QLabel(outlineBox);
    outlineValue_->setMinimumWidth(40);
    auto* og = new QGridLayout(outlineBox);
    og->addWidget(outline_, 0, 0, 1, 3);
    og->addWidget(new QLabel(MTr(MT::OutlineLevel), outlineBox), 1, 0);
    og->addWidget(outlineLevel_, 1, 1);
    og->addWidget(outlineValue_, 1, 2);

    auto* left = new QVBoxLayout;
    left->addWidget(previewBox);
    left->addWidget(levelBox);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(methodBox);
    right->addWidget(recording_);
    right->addLayout(recordRow);
    right->addWidget(alarmBox);
    right->addLayout(scopeRow);
    right->addWidget(outlineBox);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto* root = new QVBoxLayout(this);
    root->addLayout(columns);
    root->addWidget(MakeOkCancel(this));

    auto showValue = [](QLabel* label) {
        return [label](int v) { label->setText(QString::number(v)); };
    };
    connect(sensitivity_, &QSlider::valueChanged, this, showValue(sensitivityValue_));
    connect(outlineLevel_, &QSlider::valueChanged, this, showValue(outlineValue_));
    connect(threshold_, &QSlider::valueChanged, this, [this] {
        thresholdMoved_ = true;
        ShowThreshold();
    });
    connect(defaults, &QPushButton::clicked, this, &CMotionSettingDialog::RestoreDefaults);
    connect(method_, &QComboBox::currentIndexChanged, this, &CMotionSettingDialog::UpdateEnabled);
    connect(recording_, &QCheckBox::toggled, this, &CMotionSettingDialog::UpdateEnabled);
    connect(sound_, &QCheckBox::toggled, this, &CMotionSettingDialog::UpdateEnabled);
    connect(outline_, &QCheckBox::toggled, this, &CMotionSettingDialog::UpdateEnabled);
    connect(detail_, &QPushButton::clicked, this, &CMotionSettingDialog::ShowLiveShot);
    connect(timeout, &QPushButton::clicked, this, &CMotionSettingDialog::ShowTimeout);
    connect(browse, &QPushButton::clicked, this, &CMotionSettingDialog::BrowseSound);
    connect(test, &QPushButton::clicked, this, &CMotionSettingDialog::TestSound);
    connect(scopeSettings_, &QPushButton::clicked, this, &CMotionSettingDialog::ShowScope);
    sensitivityValue_->setText(QString::number(sensitivity_->value()));
    outlineValue_->setText(QString::number(outlineLevel_->value()));
    ShowThreshold();
    UpdateEnabled();

    if (CameraConnected()) {
        connect(&timer_, &QTimer::timeout, this, &CMotionSettingDialog::PreviewTick);
        timer_.start(kPreviewIntervalMs);
        status_->setText(MTr(MT::StatusWatching));
    } else {
        picture_->setText(MTr(MT::NoPreview));
        status_->clear();
        scopeSettings_->hide();
    }
}

bool CMotionSettingDialog::CameraConnected() const {
    return camera_ && camera_->Source() && camera_->IsConnected();
}

MotionCapSetting CMotionSettingDialog::Edited() const {
    MotionCapSetting m = motion_;
    m.motionCaptureReception = sensitivity_->value();
    if (thresholdMoved_)
        m.motionCaptureThreshold = static_cast<float>(threshold_->value()) / kThresholdSteps;
    if (method_->currentIndex() >= 0) m.motionCaptureMode = method_->currentIndex();
    m.enableRecording = recording_->isChecked() ? 1 : 0;
    m.recordingStartTimeBefore = before_->value();
    m.motionCaptureEnableSound = sound_->isChecked() ? 1 : 0;
    m.motionCaptureSoundFilename =
        ToBoundedUtf8(soundFile_->text(), MotionCapSetting::kSoundFilenameCapacity);
    m.enableRange = scope_->isChecked() ? 1 : 0;
    m.enableOutline = outline_->isChecked() ? 1 : 0;
    m.outlineLevel = outlineLevel_->value();
    return m;
}

void CMotionSettingDialog::PreviewTick() {
    if (!CameraConnected()) return;
    std::shared_ptr<CCamInterface> source = camera_->Source();
    if (!source || !preview_.Take(*source)) return;
    const MotionCapSetting m = Edited();
    const QImage shown = preview_.Shown(m);
    if (!shown.isNull())
        picture_->setPixmap(QPixmap::fromImage(shown.scaled(
            picture_->contentsRect().size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    meter_->SetLevel(preview_.Level(m));
    levelValue_->setText(QString::number(meter_->Level(), 'f', 1));
    meter_->SetThreshold(m.motionCaptureThreshold);
    status_->setText(meter_->OverThreshold() ? MTr(MT::StatusDetected) : MTr(MT::StatusWatching));
}

float CMotionSettingDialog::Level() const { return meter_->Level(); }

QString CMotionSettingDialog::StatusText() const { return status_->text(); }

void CMotionSettingDialog::ShowThreshold() {
    const float t = Edited().motionCaptureThreshold;
    thresholdValue_->setText(QString::number(t, 'f', 1));
    meter_->SetThreshold(t);
}

void CMotionSettingDialog::RestoreDefaults() {
    const MotionCapSetting defaults;
    sensitivity_->setValue(defaults.motionCaptureReception);
    threshold_->setValue(
        static_cast<int>(std::lround(defaults.motionCaptureThreshold * kThresholdSteps)));
    thresholdMoved_ = true;
    ShowThreshold();
}

void CMotionSettingDialog::UpdateEnabled() {
    detail_->setEnabled(method_->currentIndex() == 2);
    before_->setEnabled(recording_->isChecked());
    outlineLevel_->setEnabled(outline_->isChecked());
}

void CMotionSettingDialog::ShowLiveShot() {
    CLiveShotDialog dlg(motion_, this);
    if (dlg.exec() == QDialog::Accepted) {
        motion_.liveShotTime = dlg.Result().liveShotTime;
        motion_.liveShotInterval = dlg.Result().liveShotInterval;
    }
}

void CMotionSettingDialog::ShowTimeout() {
    CMotionTimeoutSettingDialog dlg(motion_, this);
    if (dlg.exec() == QDialog::Accepted) {
        const MotionCapSetting r = dlg.Result();
        motion_.motionCaptureTimeout = r.motionCaptureTimeout;
        motion_.motionCaptureTimeoutMM = r.motionCaptureTimeoutMM;
        motion_.motionNextCaptureTimeout = r.motionNextCaptureTimeout;
        motion_.motionNextCaptureTimeoutMM = r.motionNextCaptureTimeoutMM;
    }
}

void CMotionSettingDialog::BrowseSound() {
    const QString path = QFileDialog::getOpenFileName(this, MTr(MT::SoundFile), soundFile_->text(),
                                                      MTr(MT::SoundFilter));
    if (!path.isEmpty()) soundFile_->setText(path);
}

void CMotionSettingDialog::TestSound() {
    const QString path = soundFile_->text();
    if (path.isEmpty()) {
        ShowMotionMessage(this, MTr(MT::NeedSoundFile));
        return;
    }
    if (!PlaySoundFileAsync(path.toStdString())) ShowMotionMessage(this, MTr(MT::SoundUnreadable));
}

void CMotionSettingDialog::ShowScope() {
    BITMAPINFOHEADER format{};
    std::vector<uint8_t> pixels;
    std::shared_ptr<CCamInterface> source = CameraConnected() ? camera_->Source() : nullptr;
    if (!source || !source->CopySample(format, pixels)) {
        ShowMotionMessage(this, MTr(MT::NeedCamera));
        return;
    }
    const RangeRect current{motion_.rangeLeft, motion_.rangeTop, motion_.rangeRight,
                            motion_.rangeBottom};
    CRangeSettingDialog dlg(format, pixels, current, this);
    if (dlg.exec() != QDialog::Accepted) return;
    const RangeRect r = dlg.Result();
    motion_.rangeLeft = r.left;
    motion_.rangeTop = r.top;
    motion_.rangeRight = r.right;
    motion_.rangeBottom = r.bottom;
}

void CMotionSettingDialog::accept() {
    timer_.stop();
    motion_ = Edited();
    QDialog::accept();
}

}  // namespace ocv
