#pragma once
// The FTP target: name, edit and stage the picture in the thread's working directory, upload it
// into the configured remote directory under the same name, and delete the staged file.
#include <string>

#include "config/OcvParam.h"
#include "delivery/Deliver.h"

namespace ocv {

// Pause between two login attempts.
constexpr int kFtpLoginRetryPauseMs = 2000;

// Uploads the call's picture with the FTP block's settings. `ftpFileName` receives the remote
// file name before any step can fail. "FTP Login Retry Count" 0 and 1 mean one login attempt,
// N > 1 means N attempts 2 s apart; a stop ends the pause and any transfer in progress.
// Returns 1 when the file was stored on the server, else 0 (every failure is logged).
int UploadToFtp(const FtpInfo& ftp, TargetCall& call, std::string& ftpFileName);

}  // namespace ocv
