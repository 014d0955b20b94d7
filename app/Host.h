#pragma once
// What the desktop shell and the headless program share: the configuration document, the main
// log channel and one controller per camera in document order.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MailCommands.h"
#include "config/ConfigDocument.h"
#include "controller/OcvCtrl.h"
#include "foundation/Logger.h"
#include "platform/Dispatcher.h"

namespace ocv {

class Host {
public:
    Host(std::string programDir, Dispatcher& dispatcher, SourceFactory factory,
         IControllerHost* controllerHost = nullptr);
    ~Host();

    // Reads ocv.xml (a missing file leaves the defaults and no camera) and points the main log
    // channel at the configured log directory. False only when the file exists but cannot be read.
    bool Load();
    // Takes every controller's record back into the document and writes it atomically.
    bool Save();
    // Reads ocv.xml again while running: every camera and the mail-command checker are stopped,
    // the document is read in place (without the start-up's log deletion), the log settings
    // are applied and the cameras are connected again. A document that cannot be read changes
    // nothing (false, with the reason in `error`).
    bool Reload(std::string& error, const std::function<bool()>& cancelled = {});
    // Appends a camera with the defaults of a new record and this device information.
    CameraConfig& AddCamera(int32_t deviceType, const std::string& deviceName,
                            const std::string& name);

    // One controller per camera of the document, set up with its record and log channel.
    void CreateControllers();
    // A controller for a camera not yet in the document, set up as CreateControllers does.
    std::unique_ptr<COcvCtrl> MakeController(const OcvParam& param);
    // Appends `cam` to the document and `ctrl` to the controllers (a camera added while running).
    COcvCtrl& AdoptCamera(CameraConfig cam, std::unique_ptr<COcvCtrl> ctrl);
    // Stops and destroys camera `index`'s controller and removes its record; false when there
    // is no such camera.
    bool RemoveCamera(size_t index);
    // The main log channel and the checker's take the log settings of the system record again.
    void ApplySystemSettings();
    // Starts connecting every camera side by side and returns; as each one connects (on the
    // owner thread, through the dispatcher) its capture starts where "AutoCapture" is set.
    // Cameras after the one at which `cancelled` says so are not connected.
    void ConnectAndStart(const std::function<bool()>& cancelled = {});
    // Ends every connect in progress and every camera's reading, then stops every camera's
    // threads with the given limit.
    void StopAll(int limitSeconds);
    void DestroyControllers();

    // The mail-command checker, when "Enable" is on in the system record: started after the
    // cameras, stopped before them, restarted after the mail-command settings changed.
    bool StartMailCommandChecker();
    // The same once every connect that ConnectAndStart began has ended (at once when none is
    // running), so that a command mail waiting at start-up finds its camera connected.
    void StartMailCommandCheckerAfterConnects();
    void StopMailCommandChecker();
    void RestartMailCommandChecker();
    bool MailCommandCheckerRunning() const;
    // Carries out a mail command on the owner thread (the checker thread asks through the
    // dispatcher); result 0 when done.
    MailCommandOutcome ExecuteMailCommand(const std::string& word, int cameraNo);
    // How "rec" starts recording; without one, "rec" fails.
    void SetRecordingHook(RecordingHook hook) { recordingHook_ = std::move(hook); }
    // Where the reply mail takes the router's external address from (UPnP by default).
    void SetExternalAddressQuery(MailCommandBridge::AddressQuery query);

    CLogger& MainLog() { return mainLog_; }
    ConfigDocument& Document() { return doc_; }
    std::vector<std::unique_ptr<COcvCtrl>>& Controllers() { return controllers_; }
    std::string LogFilePath() const;

private:
    // Starts the deferred checker when no camera is connecting any more.
    void StartDeferredChecker();
    void ApplyLogSettings(CLogger& log) const;

    ConfigDocument doc_;
    Dispatcher& dispatcher_;
    SourceFactory factory_;
    IControllerHost* controllerHost_;
    CLogger mainLog_;
    std::vector<std::unique_ptr<COcvCtrl>> controllers_;
    RecordingHook recordingHook_;
    MailCommandBridge::AddressQuery externalAddress_;
    std::shared_ptr<CLogger> checkerLog_ = std::make_shared<CLogger>();
    std::shared_ptr<MailCommandBridge> mailBridge_;
    std::unique_ptr<MailCommandChecker> mailChecker_;
    bool checkerAfterConnects_ = false;
};

}  // namespace ocv
