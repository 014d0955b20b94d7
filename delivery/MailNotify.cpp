#include "delivery/MailNotify.h"

#include "delivery/CaptureNaming.h"
#include "delivery/MailBody.h"
#include "delivery/StopWait.h"
#include "imaging/EditImage.h"
#include "mail/JisText.h"
#include "mail/MIMEMessage.h"
#include "mail/PopBeforeSmtp.h"
#include "mail/SMTP.h"
#include "platform/Files.h"

namespace ocv {
namespace {

// Deletes the staged picture when the scope ends, whichever way it ends.
class StagedFile {
public:
    ~StagedFile() {
        if (!path_.empty()) DeleteFile(path_);
    }
    void Set(const std::string& path) { path_ = path; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

int SendPictureMail(const SmtpInfo& smtp, TargetCall& call, const std::string& localName,
                    const std::string& ftpName) {
    const char* m = call.modeName;
    auto stop = BorrowStopEvent(call.stop);
    CSMTP client(smtp.smtpServerAddress, smtp.smtpServerPort);
    client.SetStopEvent(stop);
    const bool acceptSelfSigned = smtp.acceptSelfSignedCertificate != 0;
    client.SetSecurity({smtp.smtpSecurity, acceptSelfSigned});
    client.SetLogin({smtp.smtpUser, smtp.smtpPassword, smtp.smtpAuthMethod});
    CMIMEMessage message;
    call.log.Info("[%s] Start to send e-mail...", m);

    StagedFile staged;
    std::string mailName;
    if (!smtp.noAddImage) {
        mailName = MakeCaptureFileName(smtp.image, call.time, call.counter);
        std::string editError;
        if (!EditImage(call.cameraName, call.picture, smtp.image, call.time, editError)) {
            call.log.Error("[%s] Edit image failed! [%s]", m, editError.c_str());
            return 0;
        }
        std::string path = JoinPath(call.workDir, mailName);
        staged.Set(path);  // a partly written file goes too
        if (!SaveImage(call.picture, smtp.image, path)) {
            call.log.Error("[%s] Save image failed! [%s]", m, call.picture.GetErrorText().c_str());
            return 0;
        }
    }

    if (smtp.enablePop3BeforeSmtp) {
        call.log.Info("[%s] POPbeforeSMTP start... ", m);
        if (!PopBeforeSmtp(smtp.pop3ServerAddress, smtp.pop3ServerPort, smtp.pop3User,
                           smtp.pop3Password, call.log, m, stop, kPopBeforeSmtpTimeoutMs,
                           {smtp.pop3Security, acceptSelfSigned})) {
            call.log.Error("[%s] POPbeforeSMTP failed!", m);
            return 0;
        }
        if (smtp.pop3BeforeSmtpSendTimeout > 0) {
            call.log.Info("[%s] Waiting...", m);
            if (PauseUnlessStopped(call.stop, smtp.pop3BeforeSmtpSendTimeout)) return 0;
        }
    }

    call.log.Info("[%s] Create MIME message...", m);
    message.SetFrom(smtp.mailFrom);
    for (size_t i = 0; i < smtp.mailTo.size(); ++i) {
        const std::string& entry = smtp.mailTo[i];
        if (entry.empty()) continue;
        // A malformed entry keeps the recipients before it; the rest of that entry is lost.
        if (!message.AddRecipientList(entry, CMailMessage::TO))
            call.log.Warning("[%s] Invalid recipient in \"Mail To%zu\" [%s]", m, i + 1,
                             entry.c_str());
    }
    std::string subject = smtp.mailSubject;
    ToJisText(subject, kJisTextMaxBytes);
    message.SetSubject(subject);
    std::string body =
        ToCrLf(ExpandMailBody(smtp.mailBody, localName, ftpName, mailName, call.time));
    if (!ToJisText(body, kJisTextMaxBytes))
        call.log.Warning("[%s] The mail text was cut to %zu bytes.", m, kJisTextMaxBytes);
    message.SetBody(body);
    if (!smtp.noAddImage)
        message.AddPart(staged.Path(), CMIMEMessage::APPLICATION_OCTETSTREAM, "", 0, true);

    call.log.Info("[%s] Login SMTP server...", m);
    if (!client.ConnectServer()) {
        call.log.Error("[%s] Login SMTP server failed! %s", m, client.LastError().c_str());
        return 0;
    }
    call.log.Info("[%s] Sending e-mail...", m);
    int sent = client.Send(message);
    std::string sendError = client.LastError();
    client.DisconnectServer();
    if (!sent) {
        call.log.Error("[%s] Send e-mail failed! %s", m, sendError.c_str());
        return 0;
    }
    call.log.Info("[%s] Sending e-mail was success.", m);
    return 1;
}

}  // namespace ocv
