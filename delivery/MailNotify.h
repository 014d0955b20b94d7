#pragma once
// The e-mail target: name, edit and stage the picture in the thread's working directory, build a
// multipart message with the filled-in text and the picture attached, optionally log in to a
// POP3 server first, and send it by SMTP to the recipients of the ten "Mail To%d" entries.
#include <string>

#include "config/OcvParam.h"
#include "delivery/Deliver.h"

namespace ocv {

// Sends the call's picture by mail with the SMTP block's settings; `localName` and `ftpName` are
// the file names the other targets gave the same picture (empty when they did not run). The
// staged file is deleted on every path once it exists. Returns 1 when the server accepted the
// message, else 0 (every failure is logged).
int SendPictureMail(const SmtpInfo& smtp, TargetCall& call, const std::string& localName,
                    const std::string& ftpName);

}  // namespace ocv
