#include "delivery/FtpUpload.h"

#include "delivery/CaptureNaming.h"
#include "delivery/FtpSession.h"
#include "delivery/StopWait.h"
#include "imaging/EditImage.h"
#include "platform/Files.h"

namespace ocv {
namespace {

FtpEndpoint EndpointOf(const FtpInfo& ftp) {
    FtpEndpoint e;
    e.host = ftp.ftpServerAddress;
    e.port = ftp.ftpServerPort;
    e.user = ftp.ftpUser;
    e.password = ftp.ftpPassword;
    e.anonymous = ftp.ftpAnonymous != 0;
    e.passive = ftp.ftpPasvMode != 0;
    e.tls = ftp.ftpUseTls != 0;
    e.acceptSelfSigned = ftp.acceptSelfSigned != 0;
    return e;
}

// Logs in (with the configured number of attempts) and enters the remote directory; returns
// true when the session is ready for the upload.
bool LoginAndEnter(CFtpSession& session, const FtpInfo& ftp, TargetCall& call) {
    const char* m = call.modeName;
    const int attempts = ftp.ftpLoginRetryCount > 1 ? ftp.ftpLoginRetryCount : 1;
    FtpResult r;
    for (int n = 1;; ++n) {
        call.log.Info("[%s] Login FTP server... %dtimes", m, n);
        r = session.LoginAndEnter(EndpointOf(ftp), ftp.ftpDirectory);
        if (r.Ok() || r.loggedIn) break;
        call.log.Error("[%s] Login FTP server failed! %s", m, r.text.c_str());
        if (r.stopped || n >= attempts) return false;
        if (PauseUnlessStopped(call.stop, kFtpLoginRetryPauseMs)) return false;
    }
    call.log.Info("[%s] Directory change...", m);
    if (!r.Ok()) {
        call.log.Info("[%s] Changing directory failed! [error no=%d] %s", m, r.code,
                      r.text.c_str());
        return false;
    }
    return true;
}

}  // namespace

int UploadToFtp(const FtpInfo& ftp, TargetCall& call, std::string& ftpFileName) {
    const char* m = call.modeName;
    call.log.Info("[%s] Uploading to FTP server...", m);
    const std::string fileName = MakeCaptureFileName(ftp.image, call.time, call.counter);
    ftpFileName = fileName;

    std::string editError;
    if (!EditImage(call.cameraName, call.picture, ftp.image, call.time, editError)) {
        call.log.Error("[%s] Edit image failed! [%s]", m, editError.c_str());
        return 0;
    }
    const std::string localPath = JoinPath(call.workDir, fileName);
    if (!SaveImage(call.picture, ftp.image, localPath)) {
        call.log.Error("[%s] Save image failed! [%s]", m, call.picture.GetErrorText().c_str());
        DeleteFile(localPath);  // a partly written file must not stay behind
        return 0;
    }

    int result = 0;
    {
        CFtpSession session(call.stop);
        if (LoginAndEnter(session, ftp, call)) {
            call.log.Info("[%s] Uploading data...", m);
            FtpResult r = session.Put(localPath, fileName);
            if (r.Ok()) {
                call.log.Info("[%s] FTP upload was completed.", m);
                result = 1;
            } else {
                call.log.Info("[%s] Uploading failed! [error no=%d] %s", m, r.code, r.text.c_str());
            }
        }
    }  // the session ends (QUIT) before the staged file goes
    DeleteFile(localPath);
    return result;
}

}  // namespace ocv
