#include "app/desktop/MainFrame.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include "app/desktop/AppIcon.h"
#include "app/desktop/CapDialog.h"
#include "app/desktop/TrayMenu.h"
#include "controller/DefaultResources.h"
#include "controller/OcvCtrl.h"
#include "sources/CaptureDevice.h"
#include "sources/LocalCaptureInterface.h"
#include "ui/AboutDialog.h"
#include "ui/CameraListDialog.h"
#include "ui/CameraSettingDialog.h"
#include "ui/CapSettingDialog.h"
#include "ui/ConditionSettingDialog.h"
#include "ui/FormatPageHost.h"
#include "ui/LogDialog.h"
#include "ui/SelectCameraDialog.h"
#include "ui/SystemSettingDialog.h"

namespace ocv {
namespace {

const char* const kForcedStopQuestion =
    "データ送信処理がバックグラウンドで実行中です。\n"
    "強制終了させるとシステムが不安定になる場合があります。\n"
    "強制終了しますか？\n"
    "(「いいえ」を選択すると処理が終了するまで待ちます)";

// The record's device information as the wizard chose it. A local capture device given
// without a name is the first one present (the controller connects only to a named device);
// false when there is none.
bool ApplyChoice(const CameraSelection& choice, OcvParam& param, std::string& why) {
    DeviceInfo info = choice.info;
    if (info.deviceType == DEVICE_LOCAL_CAPTURE && info.deviceName.empty()) {
        auto devices = V4l2CaptureSystem()->List();
        if (devices.empty()) {
            why = "No local capture device is connected.";
            return false;
        }
        info.deviceName = devices.front().card;
    }
    param.deviceInfo = info;
    if (!choice.name.empty()) param.name = choice.name;
    return true;
}

}  // namespace

CMainFrame::CMainFrame(std::string programDir, SourceFactory factory, QObject* parent)
    : QObject(parent),
      factory_(std::move(factory)),
      host_(std::make_unique<Host>(std::move(programDir), dispatcher_, factory_, this)) {
    setObjectName("TrayIconHandler");
    clickTimer_.setSingleShot(true);
    connect(&clickTimer_, &QTimer::timeout, this, &CMainFrame::BringAllToFront);
    // The main channel's notices become rows of the log window; its message boxes are shown.
    mainSink_ = std::make_shared<GuiNotifySink>(
        dispatcher_,
        [this](const std::string& text, int level) {
            AddLogEntry(MakeLogEntry(host_->MainLog().Name(), text, level));
        },
        [this](const std::string& text) { ShowError(text); });
    host_->MainLog().SetNotify(1);
    host_->MainLog().SetMessageBox(1);
    host_->MainLog().SetNotifySink(mainSink_);
}

CMainFrame::~CMainFrame() {
    if (!exited_) {
        host_->StopMailCommandChecker();
        if (pending_) DestroyWindow(*pending_);
        for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) DestroyWindow(**it);
        windows_.clear();
        host_->StopAll(3);
        host_->DestroyControllers();
    }
    mainSink_->Detach();
}

CCapDialog& CMainFrame::Camera(int index) { return *windows_.at(static_cast<size_t>(index))->window; }

ConditionSetting& CMainFrame::Conditions(int index) {
    return *windows_.at(static_cast<size_t>(index))->conditions;
}

int CMainFrame::IndexOf(const CameraWindow* w) const {
    for (size_t i = 0; i < windows_.size(); ++i)
        if (windows_[i].get() == w) return static_cast<int>(i);
    return -1;
}

void CMainFrame::CreateTray() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        host_->MainLog().Warning(
            "No system tray is available: the tray icon and its menu are not shown.");
        return;
    }
    menu_ = std::make_unique<QMenu>();
    int count = 0;
    const TrayMenuItem* items = TrayMenuItems(JapaneseSession(), count);
    for (int i = 0; i < count; ++i) {
        QAction* action = menu_->addAction(items[i].text);
        const int command = items[i].command;
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] {
            // The menu closes before the command's dialog opens.
            QTimer::singleShot(0, this, [this, command] {
                switch (command) {
                    case kCmdAddCamera: AddCamera(); break;
                    case kCmdCameraList: ShowCameraList(); break;
                    case kCmdSystemSettings: ShowSystemSettings(); break;
                    case kCmdShowLogs: ShowLogs(); break;
                    case kCmdVersion: ShowVersion(); break;
                    case kCmdExit: RequestExit(); break;
                }
            });
        });
    }
    tray_ = std::make_unique<QSystemTrayIcon>(ApplicationIcon());
    tray_->setToolTip(ApplicationTitle());
    tray_->setContextMenu(menu_.get());
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnTrayActivated(reason); });
    tray_->show();
}

void CMainFrame::OnTrayActivated(int reason) {
    if (reason == QSystemTrayIcon::Trigger) {
        // A single click only once the double-click time has passed without a second one.
        if (!clickTimer_.isActive()) clickTimer_.start(QApplication::doubleClickInterval());
    } else if (reason == QSystemTrayIcon::DoubleClick) {
        clickTimer_.stop();
        RestoreAll();
    }
}

bool CMainFrame::Start() {
    if (!host_->Load()) {
        ShowError(host_->Document().LastError().empty() ? host_->Document().Path() + " cannot be read"
                                                        : host_->Document().LastError());
        return false;
    }
    loaded_ = true;
    // After the load, which starts a new log.txt: a missing tray is logged in the new one.
    CreateTray();
    const std::string& dir = host_->Document().ProgramDir();
    for (const std::string& path : InstallDefaultResources(dir))
        host_->MainLog().Warning("%s could not be written.", path.c_str());
    host_->MainLog().Info("Ocuvane started, %zu camera(s), configuration %s",
                          host_->Document().cameras.size(), host_->Document().Path().c_str());
    host_->CreateControllers();
    auto& controllers = host_->Controllers();
    for (size_t i = 0; i < controllers.size(); ++i)
        windows_.push_back(MakeWindow(*controllers[i], host_->Document().cameras[i].conditions));
    for (auto& w : windows_) w->window->PlaceFromConditions();
    host_->ConnectAndStart([this] { return exited_; });
    host_->StartMailCommandCheckerAfterConnects();
    if (windows_.empty()) QTimer::singleShot(0, this, [this] { AddCamera(); });
    return true;
}

std::unique_ptr<CMainFrame::CameraWindow> CMainFrame::MakeWindow(COcvCtrl& ctrl,
                                                                 const ConditionSetting& conditions) {
    auto w = std::make_unique<CameraWindow>();
    w->conditions = std::make_unique<ConditionSetting>(conditions);
    w->window = std::make_unique<CCapDialog>(ctrl, *w->conditions, host_->Document().system);
    w->window->setWindowIcon(ApplicationIcon());
    w->window->SetTrayAnchor([this] { return tray_ ? tray_->geometry() : QRect(); });
    CameraWindow* raw = w.get();
    connect(w->window.get(), &CCapDialog::logEntry, this, &CMainFrame::AddLogEntry);
    connect(w->window.get(), &CCapDialog::errorBox, this,
            [this](const QString& text) { ShowError(text.toStdString()); });
    connect(w->window.get(), &CCapDialog::menuCommand, this,
            [this, raw](int command) { OnCameraMenu(IndexOf(raw), command); });
    // The window's video panel owns the camera's log notices: its status strip shows them and
    // the window hands them on through logEntry.
    return w;
}

void CMainFrame::DestroyWindow(CameraWindow& w) {
    w.window.reset();
}

void CMainFrame::AddLogEntry(const LogEntry& entry) {
    if (log_ && log_->isVisible()) log_->AddEntry(entry);
}

void CMainFrame::ShowError(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (prompts_.message)
        prompts_.message("ERROR", shown);
    else
        QMessageBox::critical(nullptr, "ERROR", shown);
}

std::optional<CameraSelection> CMainFrame::AskCamera(const CameraSelection& initial, CLogger& log) {
    if (prompts_.camera) return prompts_.camera(initial);
    return CSelectCameraDialog::Ask(initial, nullptr, &log);
}

void CMainFrame::OnStateChanged(COcvCtrl& ctrl, uint32_t flags) {
    for (auto& w : windows_)
        if (w->window && &w->window->Controller() == &ctrl) return w->window->OnStateChanged(flags);
    if (pending_ && pending_->window && &pending_->window->Controller() == &ctrl)
        pending_->window->OnStateChanged(flags);
}

bool CMainFrame::ConfirmForcedStop(COcvCtrl&) {
    const QString text = QString::fromUtf8(kForcedStopQuestion);
    if (prompts_.question) return prompts_.question(text);
    QMessageBox box(QMessageBox::Information, ApplicationTitle(), text,
                    QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int CMainFrame::RunConnectWizard(COcvCtrl& ctrl) {
    // A connect started from here that finds no device name asks for none again.
    if (inWizard_) return 0;
    inWizard_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{inWizard_};
    auto choice = AskCamera(CameraSelection{ctrl.Param().deviceInfo, ctrl.Param().name}, ctrl.Log());
    if (!choice) return 0;
    OcvParam param = ctrl.Param();
    std::string why;
    if (!ApplyChoice(*choice, param, why)) {
        ShowError(why);
        return 0;
    }
    ctrl.SetParam(param);
    return ctrl.ConnectCamera();
}

void CMainFrame::AddCamera() {
    if (pending_ || exited_) return;
    CameraConfig cam = host_->Document().NewCamera();
    std::unique_ptr<COcvCtrl> ctrl = host_->MakeController(cam.param);
    pending_ = MakeWindow(*ctrl, cam.conditions);
    const int connected = ctrl->RunConnectWizard();
    if (!pending_) return;  // the program exited while the wizard ran
    if (!connected || exited_) {
        DestroyWindow(*pending_);
        pending_.reset();
        return;
    }
    cam.param = ctrl->Param();
    COcvCtrl& added = host_->AdoptCamera(std::move(cam), std::move(ctrl));
    windows_.push_back(std::move(pending_));
    CCapDialog& window = *windows_.back()->window;
    window.show();
    window.BringToFront();
    window.update();
    if (windows_.back()->conditions->autoCapture) added.StartCapture();
    host_->MainLog().Info("Camera %d \"%s\" added", CameraCount(), added.Param().name.c_str());
    SaveAll();
}

void CMainFrame::RemoveCamera(int index) {
    if (index < 0 || index >= CameraCount()) return;
    DestroyWindow(*windows_[static_cast<size_t>(index)]);
    windows_.erase(windows_.begin() + index);
    host_->RemoveCamera(static_cast<size_t>(index));
    SaveAll();
}

void CMainFrame::RestoreCamera(int index) {
    if (index < 0 || index >= CameraCount()) return;
    Camera(index).Restore();
}

void CMainFrame::BringAllToFront() {
    for (auto& w : windows_)
        if (!w->window->InDesktopMode()) w->window->BringToFront();
}

void CMainFrame::RestoreAll() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) (*it)->window->Restore();
}

void CMainFrame::ShowCameraList() {
    CCameraListDialog list([this] {
        std::vector<const COcvCtrl*> cameras;
        for (auto& ctrl : host_->Controllers()) cameras.push_back(ctrl.get());
        return cameras;
    });
    list.setWindowTitle("Camera List");
    connect(&list, &CCameraListDialog::deleteRequested, this, &CMainFrame::RemoveCamera);
    connect(&list, &CCameraListDialog::popupRequested, this, &CMainFrame::RestoreCamera);
    list.exec();
}


void CMainFrame::ShowSystemSettings() {
    host_->StopMailCommandChecker();
    CSystemSettingDialog sheet(host_->Document().system);
    sheet.setWindowTitle("System Setting");
    const bool accepted = sheet.exec() == QDialog::Accepted;
    if (exited_) return;  // the program ended while the sheet was open
    if (accepted) {
        host_->Document().system = sheet.Result();
        SaveAll();
        // Camera channels keep what their windows were given until the windows are made anew.
        host_->ApplySystemSettings();
    }
    host_->StartMailCommandChecker();
}

void CMainFrame::ShowLogs() {
    const bool created = !log_;
    if (created) log_ = std::make_unique<CLogDialog>();
    // What arrived while the window was closed is in the file.
    if (created || !log_->isVisible()) log_->LoadFile(host_->LogFilePath());
    log_->show();
    log_->raise();
    log_->activateWindow();
}

void CMainFrame::ShowVersion() {
    CAboutDialog about(QStringLiteral(OCV_VERSION));
    about.exec();
}

void CMainFrame::OnCameraMenu(int index, int command) {
    if (index < 0 || index >= CameraCount()) return;
    CameraWindow& w = *windows_[static_cast<size_t>(index)];
    COcvCtrl& ctrl = w.window->Controller();
    if (command == CCapDialog::kStartUpOptions) {
        CConditionSettingDialog dlg(*w.conditions);
        dlg.setWindowTitle("start up settings");
        if (dlg.exec() != QDialog::Accepted || exited_) return;
        *w.conditions = dlg.Result();
        w.window->ApplyConditions();
        SaveAll();
    } else if (command == CCapDialog::kCaptureSetup) {
        CCapSettingDialog sheet(ctrl.Param());
        sheet.SetCamera(&ctrl);
        sheet.setWindowTitle("Capture Setting");
        if (sheet.exec() != QDialog::Accepted || exited_) return;
        ctrl.SetParam(sheet.Result());
        SaveAll();
    } else if (command == CCapDialog::kCameraSetup) {
        ShowCameraSetting(index);
    }
}

void CMainFrame::ShowCameraSetting(int index) {
    COcvCtrl& ctrl = Camera(index).Controller();
    CFormatPageHost pages([&ctrl] { return dynamic_cast<ICaptureSettings*>(ctrl.Source().get()); });
    CCameraSettingDialog::Actions actions;
    actions.changeCamera = [this, index] { ChangeCamera(index); };
    actions.reconnect = [&ctrl] {
        ctrl.CancelConnect();
        ctrl.ConnectCameraAsync();
    };
    actions.changed = [this] { SaveAll(); };
    CCameraSettingDialog dialog(ctrl, &pages, std::move(actions));
    if (prompts_.cameraSetting)
        prompts_.cameraSetting(dialog);
    else
        dialog.exec();
}

void CMainFrame::ChangeCamera(int index) {
    COcvCtrl& ctrl = Camera(index).Controller();
    auto choice = AskCamera(CameraSelection{ctrl.Param().deviceInfo, ctrl.Param().name}, ctrl.Log());
    if (!choice || exited_) return;
    OcvParam param = ctrl.Param();
    std::string why;
    if (!ApplyChoice(*choice, param, why)) {
        ShowError(why);
        return;
    }
    // The camera connects again with the new device information.
    ctrl.CancelConnect();
    ctrl.SetParam(param);
    SaveAll();
    ctrl.ConnectCameraAsync();
}

bool CMainFrame::SaveAll() {
    auto& cameras = host_->Document().cameras;
    for (size_t i = 0; i < windows_.size() && i < cameras.size(); ++i) {
        windows_[i]->window->StoreConditions();
        cameras[i].conditions = *windows_[i]->conditions;
    }
    if (host_->Save()) return true;
    host_->MainLog().Error("The configuration could not be saved (%s).",
                           host_->Document().LastError().c_str());
    return false;
}

void CMainFrame::RequestExit() {
    // Every event loop ends, a modal dialog's included; the shut-down runs once control is back
    // at the top, never under a dialog or a stop that is waiting.
    QCoreApplication::exit(0);
}

void CMainFrame::Exit() {
    if (exited_) return;
    // A document that could not be read is never replaced by the defaults.
    if (loaded_) SaveAll();
    exited_ = true;
    host_->StopMailCommandChecker();
    if (log_) log_->hide();
    if (pending_) {
        DestroyWindow(*pending_);
        pending_.reset();
    }
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) DestroyWindow(**it);
    windows_.clear();
    host_->StopAll(3);
    host_->DestroyControllers();
    host_->MainLog().Info("Ocuvane stopped.");
    if (tray_) tray_->hide();
    tray_.reset();
    QCoreApplication::exit(0);
}

}  // namespace ocv
