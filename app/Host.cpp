#include "app/Host.h"

#include "config/XmlMeta.h"

#include "net/UPnP.h"
#include "platform/Files.h"

namespace ocv {

Host::Host(std::string programDir, Dispatcher& dispatcher, SourceFactory factory,
           IControllerHost* controllerHost)
    : doc_(std::move(programDir)),
      dispatcher_(dispatcher),
      factory_(std::move(factory)),
      controllerHost_(controllerHost) {
    mainLog_.SetName("全般");
    mainLog_.SetMessageBox(0);
    mainLog_.SetNotify(0);
    ApplyLogSettings(mainLog_);
    // The checker thread writes on its own channel of the same log, so that a thread given up
    // on never writes through a channel that is gone.
    checkerLog_->SetName(mainLog_.Name());
    checkerLog_->SetMessageBox(0);
    checkerLog_->SetNotify(0);
    ApplyLogSettings(*checkerLog_);
    // "rec" by mail starts a recording as the Rec button does.
    recordingHook_ = [](COcvCtrl& ctrl) { return ctrl.StartRecording(); };
    externalAddress_ = [](const std::shared_ptr<NamedEvent>& stop) {
        return QueryExternalAddress(stop);
    };
}

Host::~Host() {
    StopMailCommandChecker();
    DestroyControllers();
}

std::string Host::LogFilePath() const {
    std::string dir = doc_.system.logFilePath.empty() ? doc_.ProgramDir() : doc_.system.logFilePath;
    return JoinPath(DropTrailingSeparator(dir), ConfigDocument::kLogFileName);
}

void Host::ApplyLogSettings(CLogger& log) const {
    log.SetPath(LogFilePath());
    log.SetDebug(doc_.system.debugMode);
}

bool Host::Load() {
    bool exists = FileExists(doc_.Path());
    bool ok = !exists || doc_.LoadConfiguration(mainLog_);
    ApplyLogSettings(mainLog_);
    ApplyLogSettings(*checkerLog_);
    return ok;
}

bool Host::Reload(std::string& error, const std::function<bool()>& cancelled) {
    std::string reason;
    auto dom = LoadXmlFile(doc_.Path(), &mainLog_, &reason);
    if (!dom) {
        error = doc_.Path() + (reason.empty() ? "" : ": " + reason);
        return false;
    }
    StopMailCommandChecker();
    StopAll(3);
    DestroyControllers();
    doc_.system = MakeDefaultSystemInfo(doc_.ProgramDir());
    doc_.cameras.clear();
    doc_.ReadDocument(*dom, mainLog_);
    ApplyLogSettings(mainLog_);
    ApplyLogSettings(*checkerLog_);
    CreateControllers();
    ConnectAndStart(cancelled);
    StartMailCommandCheckerAfterConnects();
    return true;
}

bool Host::Save() {
    for (size_t i = 0; i < controllers_.size() && i < doc_.cameras.size(); ++i)
        doc_.cameras[i].param = controllers_[i]->Param();
    return doc_.SaveConfiguration(mainLog_, [this](size_t i) -> CLogger& {
        return i < controllers_.size() ? controllers_[i]->Log() : mainLog_;
    });
}

CameraConfig& Host::AddCamera(int32_t deviceType, const std::string& deviceName,
                              const std::string& name) {
    CameraConfig cam = doc_.NewCamera();
    cam.param.deviceInfo.deviceType = deviceType;
    cam.param.deviceInfo.deviceName = deviceName;
    if (!name.empty()) cam.param.name = name;
    doc_.cameras.push_back(std::move(cam));
    return doc_.cameras.back();
}

std::unique_ptr<COcvCtrl> Host::MakeController(const OcvParam& param) {
    auto ctrl =
        std::make_unique<COcvCtrl>(dispatcher_, factory_, doc_.ProgramDir(), controllerHost_);
    ApplyLogSettings(ctrl->Log());
    ctrl->Create();
    ctrl->SetParam(param);
    return ctrl;
}

void Host::CreateControllers() {
    DestroyControllers();
    for (const CameraConfig& cam : doc_.cameras) controllers_.push_back(MakeController(cam.param));
}

COcvCtrl& Host::AdoptCamera(CameraConfig cam, std::unique_ptr<COcvCtrl> ctrl) {
    doc_.cameras.push_back(std::move(cam));
    controllers_.push_back(std::move(ctrl));
    return *controllers_.back();
}

bool Host::RemoveCamera(size_t index) {
    if (index >= controllers_.size() || index >= doc_.cameras.size()) return false;
    std::unique_ptr<COcvCtrl> ctrl = std::move(controllers_[index]);
    controllers_.erase(controllers_.begin() + static_cast<std::ptrdiff_t>(index));
    doc_.cameras.erase(doc_.cameras.begin() + static_cast<std::ptrdiff_t>(index));
    // Ends a connect in progress and the camera's reading before its threads are waited for.
    ctrl->CancelConnect();
    if (auto source = ctrl->Source()) source->RequestStop();
    ctrl->DisarmSchedule();
    ctrl.reset();
    StartDeferredChecker();
    return true;
}

void Host::ApplySystemSettings() {
    ApplyLogSettings(mainLog_);
    ApplyLogSettings(*checkerLog_);
}

void Host::ConnectAndStart(const std::function<bool()>& cancelled) {
    // Every camera connects on its own thread at once, so a camera that cannot be reached delays
    // neither the others nor the owner thread; each one's result comes back here in turn.
    for (size_t i = 0; i < controllers_.size(); ++i) {
        if (cancelled && cancelled()) return;
        COcvCtrl& ctrl = *controllers_[i];
        const bool autoCapture = doc_.cameras[i].conditions.autoCapture != 0;
        ctrl.ConnectCameraAsync([this, &ctrl, autoCapture](int connected) {
            if (connected && autoCapture) ctrl.StartCapture();
            StartDeferredChecker();
        });
    }
}

void Host::StopAll(int limitSeconds) {
    // Connects still waiting end now, and every camera stops reading before the threads are
    // waited for, so a stop is never held up by a camera and logs no failed read.
    for (auto& ctrl : controllers_) {
        ctrl->CancelConnect();
        if (auto source = ctrl->Source()) source->RequestStop();
        ctrl->SignalStop();
    }
    for (auto& ctrl : controllers_) {
        ctrl->DisarmSchedule();
        ctrl->StopThreads(limitSeconds, false);
    }
}

void Host::DestroyControllers() {
    // Each controller stops its own threads (3 seconds) and disconnects as it goes.
    while (!controllers_.empty()) controllers_.pop_back();
    // Connects given up on end at once; none is left running when the program goes on to exit.
    CVideoCtrl::WaitForConnectThreads(3000);
}

void Host::SetExternalAddressQuery(MailCommandBridge::AddressQuery query) {
    externalAddress_ = std::move(query);
}

MailCommandOutcome Host::ExecuteMailCommand(const std::string& word, int cameraNo) {
    return RunMailCommand(controllers_, word, cameraNo, mainLog_, recordingHook_);
}

bool Host::StartMailCommandChecker() {
    StopMailCommandChecker();
    if (!doc_.system.mailCommandEnable) return false;
    mailBridge_ = std::make_shared<MailCommandBridge>(
        dispatcher_,
        [this](const std::string& word, int cameraNo) {
            return ExecuteMailCommand(word, cameraNo);
        },
        externalAddress_);
    mailChecker_ = std::make_unique<MailCommandChecker>(mailBridge_, checkerLog_, dispatcher_);
    return mailChecker_->Start(doc_.system);
}

void Host::StartMailCommandCheckerAfterConnects() {
    checkerAfterConnects_ = doc_.system.mailCommandEnable;
    StartDeferredChecker();
}

void Host::StartDeferredChecker() {
    if (!checkerAfterConnects_) return;
    for (const auto& ctrl : controllers_)
        if (ctrl->IsConnecting()) return;
    checkerAfterConnects_ = false;
    StartMailCommandChecker();
}

void Host::StopMailCommandChecker() {
    checkerAfterConnects_ = false;
    if (mailChecker_) mailChecker_->Stop();
    // A command still queued for the owner thread now reports failure without running.
    if (mailBridge_) mailBridge_->Detach();
    mailChecker_.reset();
    mailBridge_.reset();
}

void Host::RestartMailCommandChecker() {
    StopMailCommandChecker();
    ApplyLogSettings(*checkerLog_);
    StartMailCommandChecker();
}

bool Host::MailCommandCheckerRunning() const { return mailChecker_ && mailChecker_->Running(); }

}  // namespace ocv
