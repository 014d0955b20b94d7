#pragma once
// The owner-thread side of the mail-command checker: carrying a command word out on a camera,
// and the bridge through which the checker thread asks for that and for the external address.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "controller/OcvCtrl.h"
#include "foundation/Logger.h"
#include "mail/MailCommandChecker.h"
#include "platform/Dispatcher.h"

namespace ocv {

// Starts recording on a camera; 1 when it started. Empty when this build cannot record.
using RecordingHook = std::function<int(COcvCtrl&)>;

// Carries out `word` on camera `cameraNo` (from 1) of `cameras`, on the owner thread: the
// keywords "start", "stop", "snap", "reconnect", "rec" in this order, case-insensitive, each
// matching a word that begins with it. Logs the outcome on `log`; result 0 when it was done.
MailCommandOutcome RunMailCommand(std::vector<std::unique_ptr<COcvCtrl>>& cameras,
                                  const std::string& word, int cameraNo, CLogger& log,
                                  const RecordingHook& record);

// Runs the commands on the owner thread through the dispatcher and asks the router for the
// external address. Detach() before what `run` uses goes away: a command posted after (or still
// queued) then reports failure without running.
class MailCommandBridge final : public IMailCommandHost {
public:
    using Runner = std::function<MailCommandOutcome(const std::string&, int)>;
    using AddressQuery = std::function<std::string(const std::shared_ptr<NamedEvent>&)>;

    MailCommandBridge(Dispatcher& dispatcher, Runner run, AddressQuery address);
    void Detach();

    MailCommandOutcome ExecuteMailCommand(const std::string& word, int cameraNo,
                                          const std::shared_ptr<NamedEvent>& stop) override;
    std::string ExternalAddress(const std::shared_ptr<NamedEvent>& stop) override;

private:
    struct State {
        std::mutex mutex;
        Dispatcher* dispatcher;
        Runner run;
        AddressQuery address;
    };
    std::shared_ptr<State> state_;
};

}  // namespace ocv
