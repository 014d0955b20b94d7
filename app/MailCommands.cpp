#include "app/MailCommands.h"

#include <poll.h>
#include <strings.h>

#include <cerrno>

#include "controller/StateFlags.h"

namespace ocv {
namespace {

bool Matches(const std::string& word, const char* keyword) {
    size_t n = std::char_traits<char>::length(keyword);
    return word.size() >= n && ::strncasecmp(word.c_str(), keyword, n) == 0;
}

// The camera view's actions are offered only on a connected camera that is not stopping.
bool Available(uint32_t flags, uint32_t busyFlag) {
    return (flags & STATE_CONNECTED) && !(flags & STATE_STOPPING) && !(flags & busyFlag);
}

}  // namespace

MailCommandOutcome RunMailCommand(std::vector<std::unique_ptr<COcvCtrl>>& cameras,
                                  const std::string& word, int cameraNo, CLogger& log,
                                  const RecordingHook& record) {
    MailCommandOutcome outcome;
    if (cameraNo < 1 || static_cast<size_t>(cameraNo) > cameras.size()) {
        log.Error("指定されたカメラ番号は無効です！[%d]", cameraNo);
        return outcome;
    }
    COcvCtrl& ctrl = *cameras[static_cast<size_t>(cameraNo) - 1];
    const WebServerSetting& web = ctrl.Param().webServer;
    outcome.web = {web.enableUPnP != 0, web.enable != 0, web.imodeEnable != 0, web.port};

    bool done = false;
    if (Matches(word, "start")) {
        ctrl.StartCapture();
        done = true;
    } else if (Matches(word, "stop")) {
        ctrl.StopCapture();
        done = true;
    } else if (Matches(word, "snap")) {
        done = Available(ctrl.State(), STATE_SNAPSHOT) && ctrl.TakeSnapshot();
    } else if (Matches(word, "reconnect")) {
        done = ctrl.ConnectCamera() != 0;
    } else if (Matches(word, "rec")) {
        done = record && Available(ctrl.State(), STATE_RECORDING) && record(ctrl);
    } else {
        log.Error("サポートされていないコマンドが送信されてきました！[%s]", word.c_str());
        return outcome;
    }
    if (!done) {
        log.Error("コマンドの実行に失敗しました！[Command=%s, CameraNo=%d]", word.c_str(),
                  cameraNo);
        return outcome;
    }
    log.Info("メールコマンドを実行しました。[Command=%s, CameraNo=%d]", word.c_str(), cameraNo);
    outcome.result = 0;
    return outcome;
}

MailCommandBridge::MailCommandBridge(Dispatcher& dispatcher, Runner run, AddressQuery address)
    : state_(std::make_shared<State>()) {
    state_->dispatcher = &dispatcher;
    state_->run = std::move(run);
    state_->address = std::move(address);
}

void MailCommandBridge::Detach() {
    std::lock_guard lock(state_->mutex);
    state_->dispatcher = nullptr;
    state_->run = nullptr;
    state_->address = nullptr;
}

MailCommandOutcome MailCommandBridge::ExecuteMailCommand(const std::string& word, int cameraNo,
                                                         const std::shared_ptr<NamedEvent>& stop) {
    struct Call {
        std::shared_ptr<NamedEvent> done = NamedEvent::Create("");
        std::mutex mutex;
        MailCommandOutcome outcome;
    };
    auto call = std::make_shared<Call>();
    if (!call->done) return {};
    {
        std::lock_guard lock(state_->mutex);
        if (!state_->dispatcher) return {};
        state_->dispatcher->Post([state = state_, call, word, cameraNo] {
            Runner run;
            {
                std::lock_guard lock(state->mutex);
                run = state->run;
            }
            if (run) {
                MailCommandOutcome outcome = run(word, cameraNo);
                std::lock_guard lock(call->mutex);
                call->outcome = outcome;
            }
            call->done->Set();
        });
    }
    // The command's result, or the checker's stop, whichever comes first.
    pollfd fds[2] = {{call->done->Fd(), POLLIN, 0}, {stop ? stop->Fd() : -1, POLLIN, 0}};
    for (;;) {
        int rc = ::poll(fds, 2, -1);
        if (rc < 0 && errno != EINTR) return {};
        if (fds[0].revents & POLLIN) {
            std::lock_guard lock(call->mutex);
            return call->outcome;
        }
        if (fds[1].revents & POLLIN) return {};
    }
}

std::string MailCommandBridge::ExternalAddress(const std::shared_ptr<NamedEvent>& stop) {
    AddressQuery address;
    {
        std::lock_guard lock(state_->mutex);
        address = state_->address;
    }
    return address ? address(stop) : "";
}

}  // namespace ocv
