#pragma once
// How a mail client protects its connection and, for SMTP, logs in. Stored as integers in the
// settings ("SMTP Security", "POP3 Security", "SMTP Auth Method").
#include <cstdint>
#include <string>

namespace ocv {

enum MailTlsMode : int32_t {
    MAIL_TLS_NONE = 0,      // plain connection (the default)
    MAIL_TLS_STARTTLS = 1,  // plain connect, then STARTTLS (SMTP, port 587) or STLS (POP3)
    MAIL_TLS_IMPLICIT = 2,  // TLS from the first byte (SMTP port 465, POP3S port 995)
};

enum SmtpAuthMethod : int32_t {
    SMTP_AUTH_OFFERED = 0,  // PLAIN when the server offers it, else LOGIN
    SMTP_AUTH_PLAIN = 1,
    SMTP_AUTH_LOGIN = 2,
};

struct MailSecurity {
    int32_t tlsMode = MAIL_TLS_NONE;
    bool acceptSelfSigned = false;
};

struct SmtpLogin {
    std::string user;  // empty: no AUTH
    std::string password;
    int32_t method = SMTP_AUTH_OFFERED;
};

}  // namespace ocv
