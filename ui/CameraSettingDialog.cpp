#include "ui/CameraSettingDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/ConfigFiles.h"
#include "controller/OcvCtrl.h"
#include "controller/StateFlags.h"
#include "ui/CameraSummary.h"
#include "ui/WizardMessage.h"
#include "ui/WizardPages.h"
#include "ui/WizardText.h"

namespace ocv {
namespace {
constexpr int kRefreshMs = 1000;  // the summary follows a connection that comes or goes
}

CCameraSettingDialog::CCameraSettingDialog(COcvCtrl& ctrl, IDialogHost* host, Actions actions,
                                           QWidget* parent)
    : QDialog(parent), ctrl_(ctrl), host_(host), actions_(std::move(actions)),
      name_(new QLabel(this)), summary_(new QPlainTextEdit(this)),
      change_(new QPushButton(WizardText(W::ChangeCamera), this)),
      reconnect_(new QPushButton(WizardText(W::Reconnect), this)),
      format_(new QPushButton(WizardText(W::FormatButton), this)),
      camera_(new QPushButton(WizardText(W::CameraButton), this)),
      save_(new QPushButton(WizardText(W::SaveSetting), this)) {
    setWindowTitle(WizardText(W::CameraSettingTitle));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(WizardText(W::DeviceName), this), 0, 0);
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    name_->setWordWrap(true);
    top->addWidget(name_, 0, 1);
    top->setColumnStretch(1, 1);
    layout->addLayout(top);
    summary_->setReadOnly(true);
    summary_->setMinimumSize(360, 140);
    layout->addWidget(summary_);
    auto* buttons = new QGridLayout;
    buttons->addWidget(change_, 0, 0);
    buttons->addWidget(reconnect_, 0, 1);
    buttons->addWidget(format_, 1, 0);
    buttons->addWidget(camera_, 1, 1);
    buttons->addWidget(save_, 2, 0);
    layout->addLayout(buttons);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setText(WizardText(W::Close));
    // Enter closes the dialog unless one of the commands has the focus.
    for (QPushButton* b : {change_, reconnect_, format_, camera_, save_}) b->setAutoDefault(false);
    close->button(QDialogButtonBox::Close)->setDefault(true);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(close);

    connect(change_, &QPushButton::clicked, this, [this] {
        if (actions_.changeCamera) actions_.changeCamera();
        Refresh();
    });
    connect(reconnect_, &QPushButton::clicked, this, [this] {
        if (actions_.reconnect) actions_.reconnect();
        Refresh();
    });
    connect(format_, &QPushButton::clicked, this, &CCameraSettingDialog::ShowFormat);
    connect(camera_, &QPushButton::clicked, this, &CCameraSettingDialog::ShowDevice);
    connect(save_, &QPushButton::clicked, this, [this] {
        QFileDialog dlg(this, WizardText(W::SaveSetting));
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setNameFilter(QtFileFilter(kDeviceFileFilter));
        dlg.setDefaultSuffix(kDeviceFileExtension);
        if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
            SaveTo(dlg.selectedFiles().front());
    });
    connect(&refresh_, &QTimer::timeout, this, &CCameraSettingDialog::Refresh);
    refresh_.start(kRefreshMs);
    Refresh();
}

void CCameraSettingDialog::Refresh() {
    name_->setText(QString::fromStdString(ctrl_.Param().deviceInfo.deviceName));
    QString text = QString::fromStdString(CaptureFormatSummary(SummaryInputOf(ctrl_)));
    text.replace("\r\n", "\n");
    if (summary_->toPlainText() != text) summary_->setPlainText(text);
    format_->setEnabled(host_ && ctrl_.HasFormatPage());
    camera_->setEnabled(host_ && ctrl_.HasDevicePage());
}

QString CCameraSettingDialog::Summary() const {
    return QString::fromStdString(CaptureFormatSummary(SummaryInputOf(ctrl_)));
}

QString CCameraSettingDialog::DeviceName() const { return name_->text(); }

bool CCameraSettingDialog::SaveTo(const QString& path) {
    if (SaveDeviceInfoFile(path.toStdString(), ctrl_.Param().deviceInfo, ctrl_.Log())) return true;
    ShowWizardError(this, "Save device setting file failed!");
    return false;
}

void CCameraSettingDialog::AfterPage(bool shown) {
    if (shown) {
        // The source connected again with what the page chose; the record keeps that, and the
        // camera's state says whether that connect succeeded.
        ctrl_.Param().deviceInfo = ctrl_.GetDeviceInfo();
        if (ctrl_.IsConnected())
            ctrl_.SetState(STATE_CONNECTED, 0);
        else
            ctrl_.SetState(0, STATE_CONNECTED);
        if (actions_.changed) actions_.changed();
    }
    Refresh();
}

void CCameraSettingDialog::ShowFormat() {
    if (!host_ || !ctrl_.HasFormatPage()) return;
    AfterPage(ctrl_.ShowFormatPage(host_));
}

void CCameraSettingDialog::ShowDevice() {
    if (!host_ || !ctrl_.HasDevicePage()) return;
    AfterPage(ctrl_.ShowDevicePage(host_));
}

}  // namespace ocv
