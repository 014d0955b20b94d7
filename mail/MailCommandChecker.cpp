#include "mail/MailCommandChecker.h"

#include <chrono>
#include <cstdint>
#include <system_error>

#include "mail/MailCommandHeader.h"
#include "mail/MailMessage.h"
#include "mail/Pop3Client.h"
#include "mail/SMTP.h"

namespace ocv {

struct MailCommandChecker::Shared {
    SystemInfo settings;
    std::shared_ptr<NamedEvent> terminate;
    std::shared_ptr<IMailCommandHost> host;
    std::shared_ptr<CLogger> log;
    std::atomic<bool> finished{false};
};

namespace {

void SendReply(const SystemInfo& s, const MailCommandRequest& request, int result,
               const std::string& body, CLogger& log, const std::shared_ptr<NamedEvent>& stop) {
    CMailMessage message;
    message.AddRecipientList(request.sender);
    message.SetFrom(s.mailAddress);
    message.SetSubject(ReplySubject(request.word, result));
    message.SetBody(body);

    CSMTP smtp(s.smtpAddress, s.smtpPort);
    smtp.SetStopEvent(stop);
    smtp.SetSecurity({s.smtpSecurity, s.acceptSelfSignedCertificate != 0});
    smtp.SetLogin({s.smtpUser, s.smtpPassword, s.smtpAuthMethod});
    if (!smtp.ConnectServer()) {
        log.Error("Login SMTP server failed! %s", smtp.LastError().c_str());
        return;
    }
    log.Info("Sending command response mail...");
    if (!smtp.Send(message)) log.Error("Send mail failed! %s", smtp.LastError().c_str());
    smtp.DisconnectServer();
}

// Examines one header and carries the command out; true when the message is accepted.
bool HandleHeader(const SystemInfo& s, const std::string& header, IMailCommandHost& host,
                  CLogger& log, const std::shared_ptr<NamedEvent>& stop) {
    MailCommandRequest request;
    MailExamination verdict =
        ExamineCommandHeader(header, s.enableSenderCheck != 0, s.fromAddress, request);
    if (verdict == MailExamination::SenderRefused) {
        log.Debug("受信したOVNコマンドは許可された送信者からのものではありません。[%s]",
                  request.sender.c_str());
        return false;
    }
    if (verdict != MailExamination::Command) return false;
    MailCommandOutcome outcome = host.ExecuteMailCommand(request.word, request.cameraNo, stop);
    if (s.enableReply) {
        std::string body = MailCommandReplyBody(request.word, outcome, host, stop);
        SendReply(s, request, outcome.result, body, log, stop);
    }
    return true;
}

}  // namespace

std::string MailCommandReplyBody(const std::string& word, const MailCommandOutcome& outcome,
                                 IMailCommandHost& host, const std::shared_ptr<NamedEvent>& stop) {
    const MailCommandWebInfo& web = outcome.web;
    if (word != "start" || !web.enableUPnP) return "";
    std::string address = host.ExternalAddress(stop);
    if (address.empty()) return "Can't get external address!";
    std::string body;
    if (web.webEnable) body += "http://" + address + ":" + std::to_string(web.port) + "/\r\n";
    if (web.imodeEnable) body += "http://" + address + ":" + std::to_string(web.port) + "/i\r\n";
    return body;
}

void PollMailCommands(const SystemInfo& s, IMailCommandHost& host, CLogger& log,
                      const std::shared_ptr<NamedEvent>& stop) {
    log.Debug("Start mail command checker...");
    log.Debug("Connect to POP3 server...");
    CPop3Client pop;
    pop.SetStopEvent(stop);
    pop.SetSecurity({s.pop3Security, s.acceptSelfSignedCertificate != 0});
    if (!pop.Login(s.pop3Address, s.pop3Port, s.pop3User, s.pop3Password)) {
        log.Error("POP3 Unauthorized! [%s]", pop.ReplyText().c_str());
    } else {
        log.Debug("Get received mail count...");
        int count = pop.MessageCount();
        if (count < 0) {
            log.Error("POP3 STAT command failed![%s]", pop.ReplyText().c_str());
        } else {
            log.Debug("Received mail count=%d...", count);
            for (int i = 1; i <= count && !stop->IsSet(); ++i) {
                std::string header;
                if (!pop.GetHeader(i, header)) {
                    log.Error("POP3 Get mail header failed! [%s]", pop.ReplyText().c_str());
                    // A connection that broke or fell out of step answers nothing more.
                    if (!pop.Usable()) break;
                } else if (HandleHeader(s, header, host, log, stop) && !pop.Delete(i)) {
                    log.Error("POP3 DELE command failed! [%s]", pop.ReplyText().c_str());
                }
                if (stop->Wait(MailCommandChecker::kMessagePauseMs)) break;
            }
        }
    }
    log.Debug("POP3 logout...");
    pop.Logout();
    log.Debug("Mail command checker finished!");
}

MailCommandChecker::MailCommandChecker(std::shared_ptr<IMailCommandHost> host,
                                       std::shared_ptr<CLogger> log, Dispatcher& dispatcher)
    : host_(std::move(host)), log_(std::move(log)), dispatcher_(dispatcher) {}

MailCommandChecker::~MailCommandChecker() { Stop(); }

bool MailCommandChecker::Running() const {
    return thread_.joinable() && shared_ && !shared_->finished;
}

bool MailCommandChecker::Start(const SystemInfo& settings) {
    Stop();
    eventName_ = MakeEventName("TerminateMailCommandEvt%d%d%04d");
    auto shared = std::make_shared<Shared>();
    shared->settings = settings;
    shared->terminate = NamedEvent::Create(eventName_);
    shared->host = host_;
    shared->log = log_;
    if (!shared->terminate) return false;
    try {
        thread_ = std::thread([shared] {
            // The block is the thread's own: settings changed meanwhile wait for a restart.
            const SystemInfo& s = shared->settings;
            while (!shared->terminate->IsSet()) {
                PollMailCommands(s, *shared->host, *shared->log, shared->terminate);
                int64_t pause = static_cast<int64_t>(s.checkTime) * 1000;
                if (pause < 0) pause = 0;
                if (pause > INT32_MAX) pause = INT32_MAX;
                if (shared->terminate->Wait(static_cast<int>(pause))) break;
            }
            shared->finished = true;
        });
    } catch (const std::system_error&) {
        return false;
    }
    shared_ = std::move(shared);
    log_->Info("The mail command checker started！");
    return true;
}

void MailCommandChecker::Stop() {
    if (!thread_.joinable()) return;
    shared_->terminate->Set();
    const auto start = std::chrono::steady_clock::now();
    while (!shared_->finished) {
        auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
        if (waited >= kStopLimitMs) break;
        // The thread may be waiting for a command that the owner thread has still to run.
        if (dispatcher_.IsOwnerThread())
            dispatcher_.ProcessPending(100);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (shared_->finished) {
        thread_.join();
    } else {
        log_->Info("The mail command checker is forced to terminate...");
        thread_.detach();  // it ends by itself; its block is shared-owned
    }
    shared_.reset();
}

}  // namespace ocv
