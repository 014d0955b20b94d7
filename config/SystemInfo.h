#pragma once
// The system record: log settings and the mail-command checker's settings (element "SystemInfo").
#include <cstdint>
#include <string>

namespace ocv {

struct SystemInfo {
    static constexpr size_t kPathCapacity = 260;  // "LogFile Path"
    static constexpr size_t kTextCapacity = 256;  // addresses, user, password

    int32_t debugMode = 1;          // "Debug Mode" flag (section "Log")
    int32_t deleteLog = 1;          // "Delete" flag: delete the log file once at start-up
    std::string logFilePath;        // "LogFile Path", text 260: the log directory
    int32_t mailCommandEnable = 0;  // "Enable" flag (section "MailCommand")
    int32_t enableSenderCheck = 0;  // "Enable Sender Check" flag
    std::string fromAddress;        // "From Address", text 256: the authorised sender
    int32_t enableReply = 0;        // "Enable Reply" flag
    int32_t checkTime = 30;         // "Check Time": check interval
    std::string smtpAddress;        // "SMTP Address", text 256
    int32_t smtpPort = 25;          // "SMTP Port"
    std::string pop3Address;        // "POP3 Address", text 256
    int32_t pop3Port = 110;         // "POP3 Port"
    std::string pop3Password;       // "POP3 Password", text 256
    std::string pop3User;           // "POP3 User", text 256
    std::string mailAddress;        // "Mail Address", text 256: the checker's own address
    // TLS and login of the checker's servers, after the keys above; the defaults keep the plain
    // dialogues.
    int32_t smtpSecurity = 0;                 // "SMTP Security": 0 plain, 1 STARTTLS, 2 TLS
    std::string smtpUser;                     // "SMTP User", text 256; empty: no AUTH
    std::string smtpPassword;                 // "SMTP Password", text 256
    int32_t smtpAuthMethod = 0;               // "SMTP Auth Method": 0 as offered, 1 PLAIN, 2 LOGIN
    int32_t pop3Security = 0;                 // "POP3 Security": 0 plain, 1 STLS, 2 POP3S
    int32_t acceptSelfSignedCertificate = 0;  // "Accept Self-Signed Certificate" flag

    bool operator==(const SystemInfo&) const = default;
};

// The defaults with the log directory set to the program directory.
SystemInfo MakeDefaultSystemInfo(const std::string& programDir);

}  // namespace ocv
