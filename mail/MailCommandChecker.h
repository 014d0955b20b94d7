#pragma once
// The mail-command checker: a thread that polls a POP3 mailbox every "Check Time" seconds, reads
// the header of each waiting message, has each "ovn" command carried out by its host on the
// owner thread, optionally answers the sender by mail, and deletes the accepted messages. Every
// wait of the thread (the pause between polls, each socket wait) ends when the checker's
// terminate event is set, so a stop takes effect at once.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "config/SystemInfo.h"
#include "foundation/Logger.h"
#include "platform/Dispatcher.h"
#include "platform/NamedEvent.h"

namespace ocv {

// The web-server settings of the commanded camera that the reply body needs.
struct MailCommandWebInfo {
    bool enableUPnP = false;
    bool webEnable = false;
    bool imodeEnable = false;
    int port = 0;
};

struct MailCommandOutcome {
    int result = 1;          // 0: the command was carried out
    MailCommandWebInfo web;  // all off for an invalid camera number
};

// What the checker needs from the program around it.
class IMailCommandHost {
public:
    virtual ~IMailCommandHost() = default;
    // Carries out the command word on camera `cameraNo` (from 1) on the owner thread and returns
    // when it is done; a set `stop` ends the wait early with a non-zero result.
    virtual MailCommandOutcome ExecuteMailCommand(const std::string& word, int cameraNo,
                                                  const std::shared_ptr<NamedEvent>& stop) = 0;
    // The router's external address; "" when it cannot be had.
    virtual std::string ExternalAddress(const std::shared_ptr<NamedEvent>& stop) = 0;
};

// The reply body for a command (result 0 = done): the camera's web addresses as seen from the
// internet after "start" with UPnP on, else empty.
std::string MailCommandReplyBody(const std::string& word, const MailCommandOutcome& outcome,
                                 IMailCommandHost& host, const std::shared_ptr<NamedEvent>& stop);

class MailCommandChecker {
public:
    static constexpr int kStopLimitMs = 3000;
    static constexpr int kMessagePauseMs = 50;

    // `dispatcher` is the owner thread's: a stop keeps it running while it waits, so that a
    // command in progress can still be carried out.
    MailCommandChecker(std::shared_ptr<IMailCommandHost> host, std::shared_ptr<CLogger> log,
                       Dispatcher& dispatcher);
    ~MailCommandChecker();
    MailCommandChecker(const MailCommandChecker&) = delete;
    MailCommandChecker& operator=(const MailCommandChecker&) = delete;

    // Starts the thread with a copy of the settings (a running checker is stopped first).
    bool Start(const SystemInfo& settings);
    // Sets the terminate event and waits (the owner's queue kept running) for the thread; after
    // 3 seconds it is given up on ("forced to terminate").
    void Stop();
    bool Running() const;
    // The name of the current (or last) terminate event.
    const std::string& EventName() const { return eventName_; }

    struct Shared;

private:
    std::shared_ptr<IMailCommandHost> host_;
    std::shared_ptr<CLogger> log_;
    Dispatcher& dispatcher_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    std::string eventName_;
};

// One poll of the mailbox (log in, examine every message, log out), without the pause; exposed
// for the checker's thread and its tests.
void PollMailCommands(const SystemInfo& settings, IMailCommandHost& host, CLogger& log,
                      const std::shared_ptr<NamedEvent>& stop);

}  // namespace ocv
