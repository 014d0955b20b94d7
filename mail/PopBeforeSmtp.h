#pragma once
// POP-before-SMTP: a POP3 login (USER and PASS) that opens an SMTP server for this address.
#include <memory>
#include <string>

#include "foundation/Logger.h"
#include "mail/MailSecurity.h"
#include "platform/NamedEvent.h"

namespace ocv {

constexpr int kPopBeforeSmtpTimeoutMs = 30000;
constexpr int kPopBeforeSmtpLine = 1024;

// Logs in with USER and PASS and closes the connection without QUIT. Returns 1 when both were
// answered "+OK", else 0; every step is logged on `log` with the mode name. A set stop event
// ends a blocked exchange as a socket error. `security` asks for POP3S or STLS.
int PopBeforeSmtp(const std::string& server, int port, const std::string& user,
                  const std::string& password, CLogger& log, const std::string& mode,
                  std::shared_ptr<NamedEvent> stop = nullptr,
                  int receiveTimeoutMs = kPopBeforeSmtpTimeoutMs,
                  const MailSecurity& security = {});

}  // namespace ocv
