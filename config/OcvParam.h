#pragma once
// The parameter record of one camera: its name, its device information and one section per
// capture mode and service, each with its delivery targets and their image settings.
// Default member values are the defaults of a new camera except where a default depends on the
// target (file names, add-name flags, format, subjects and bodies) or on the program directory;
// MakeDefaultOcvParam sets those. Text fields hold UTF-8; capacities count bytes including the
// terminator of the stored form, so a field holds at most capacity - 1 bytes.
#include <array>
#include <cstdint>
#include <string>

#include "config/ImageSettings.h"
#include "foundation/DeviceInfo.h"

namespace ocv {

// Local-disk target (element "Local").
struct LocalSetting {
    static constexpr size_t kSaveDirectoryCapacity = 260;

    std::string saveDirectoryName;        // "Save Directory Name", text 260 (home directory)
    int32_t enableMakeDateDirectory = 0;  // "Enable Make Date Directory" flag
    ImageSettings image;                  // element "Image"

    bool operator==(const LocalSetting&) const = default;
};

// FTP target (element "FTP").
struct FtpInfo {
    static constexpr size_t kAddressCapacity = 64;
    static constexpr size_t kUserCapacity = 64;
    static constexpr size_t kPasswordCapacity = 64;
    static constexpr size_t kDirectoryCapacity = 260;

    std::string ftpServerAddress;    // "FTP Server Address", text 64
    int32_t ftpServerPort = 21;      // "FTP Server Port"
    std::string ftpUser;             // "FTP User", text 64
    std::string ftpPassword;         // "FTP Password", text 64
    std::string ftpDirectory = "/";  // "FTP Directory", text 260
    int32_t ftpLoginRetryCount = 5;  // "FTP Login Retry Count"
    int32_t ftpPasvMode = 0;         // "FTP Pasv Mode" flag
    int32_t ftpAnonymous = 0;        // "FTP Anonymous" flag
    int32_t ftpUseTls = 0;           // "FTP Use TLS" flag: explicit TLS (AUTH TLS), required
    int32_t acceptSelfSigned = 0;    // "Accept Self-Signed Certificate" flag
    ImageSettings image;             // element "Image"

    bool operator==(const FtpInfo&) const = default;
};

// E-mail target (element "SMTP").
struct SmtpInfo {
    static constexpr size_t kRecipientCount = 10;
    static constexpr size_t kAddressCapacity = 64;  // server addresses, sender and recipients
    static constexpr size_t kSubjectCapacity = 64;
    static constexpr size_t kBodyCapacity = 512;
    static constexpr size_t kUserCapacity = 64;
    static constexpr size_t kPasswordCapacity = 64;

    std::string smtpServerAddress;                    // "SMTP Server Address", text 64
    int32_t smtpServerPort = 25;                      // "SMTP Server Port"
    std::string mailFrom;                             // "Mail From", text 64
    std::array<std::string, kRecipientCount> mailTo;  // "Mail To1" .. "Mail To10", text 64 each
    std::string mailSubject;                          // "Mail Subject", text 64
    std::string mailBody;                             // element "MailBody" (CDATA), text 512, CR LF
    int32_t noAddImage = 0;                           // "No Add Image" flag
    int32_t enablePop3BeforeSmtp = 0;                 // "Enable POP3 before SMTP" flag
    std::string pop3ServerAddress;                    // "POP3 Server Address", text 64
    int32_t pop3ServerPort = 110;                     // "POP3 Server Port"
    std::string pop3User;                             // "POP3 User", text 64
    std::string pop3Password;                         // "POP3 Password", text 64
    int32_t pop3BeforeSmtpSendTimeout = 300;          // "POP3 before SMTP Send Timeout"
    // Submission settings, after the keys above; the defaults keep the plain HELO dialogue.
    int32_t smtpSecurity = 0;                 // "SMTP Security": 0 plain, 1 STARTTLS, 2 TLS (465)
    std::string smtpUser;                     // "SMTP User", text 64; empty: no AUTH
    std::string smtpPassword;                 // "SMTP Password", text 64
    int32_t smtpAuthMethod = 0;               // "SMTP Auth Method": 0 as offered, 1 PLAIN, 2 LOGIN
    int32_t pop3Security = 0;                 // "POP3 Security": 0 plain, 1 STLS, 2 POP3S (995)
    int32_t acceptSelfSignedCertificate = 0;  // "Accept Self-Signed Certificate" flag
    ImageSettings image;                      // element "Image"

    bool operator==(const SmtpInfo&) const = default;
};

// Interval capture (element "Live").
struct VistrelSetting {
    int32_t enableVistrel = 1;      // "Enable Vistrel" flag
    int32_t vistrelTimer = 300000;  // "Vistrel Timer", milliseconds
    int32_t enableLocal = 1;        // "Enable Local" flag
    int32_t enableSmtp = 0;         // "Enable SMTP" flag
    int32_t enableFtp = 0;          // "Enable FTP" flag
    FtpInfo ftp;                    // element "FTP"
    SmtpInfo smtp;                  // element "SMTP"
    LocalSetting local;             // element "Local"

    bool operator==(const VistrelSetting&) const = default;
};

// Motion capture (element "Motion").
struct MotionCapSetting {
    static constexpr size_t kSoundFilenameCapacity = 260;

    int32_t enableMotionCapture = 0;         // "Enable MotionCapture" flag
    int32_t motionCaptureReception = 32;     // "Motion Capture Reception" (sensitivity)
    float motionCaptureThreshold = 10.0f;    // "Motion Capture Threshold"
    int32_t motionCaptureMode = 0;           // "Motion Capture Mode"
    int32_t enableRecording = 0;             // "Enable Recording" flag
    int32_t recordingStartTimeBefore = 0;    // "Recording StartTime Before", seconds
    int32_t liveShotTime = 300;              // "Live Shot Time"
    int32_t liveShotInterval = 10;           // "Live Shot Interval"
    int32_t motionCaptureTimeout = 0;        // "Motion Capture Timeout", seconds
    int32_t motionCaptureTimeoutMM = 0;      // "Motion Capture TimeoutMM", milliseconds
    int32_t motionNextCaptureTimeout = 5;    // "Motion Next Capture Timeout", seconds
    int32_t motionNextCaptureTimeoutMM = 0;  // "Motion Next Capture TimeoutMM", milliseconds
    int32_t motionCaptureEnableSound = 1;    // "Motion Capture Enable Sound" flag
    std::string motionCaptureSoundFilename;  // "Motion Capture Sound Filename", text 260
    int32_t enableRange = 0;                 // "Enable Range" flag
    int32_t rangeLeft = 0;                   // "Range Left"
    int32_t rangeTop = 0;                    // "Range Top"
    int32_t rangeRight = 200;                // "Range Right"
    int32_t rangeBottom = 200;               // "Range Bottom"
    int32_t enableOutline = 0;               // "Enable Outline" flag
    int32_t outlineLevel = 0;                // "Outline Level"
    int32_t enableLocal = 0;                 // "Enable Local" flag
    int32_t enableSmtp = 0;                  // "Enable SMTP" flag
    int32_t enableFtp = 0;                   // "Enable FTP" flag
    FtpInfo ftp;                             // element "FTP"
    SmtpInfo smtp;                           // element "SMTP"
    LocalSetting local;                      // element "Local"

    bool operator==(const MotionCapSetting&) const = default;
};

// Snapshot (element "SnapShot"); snapshots always go to the local target.
struct SnapShotSetting {
    int32_t enableSmtp = 0;  // "Enable SMTP" flag
    int32_t enableFtp = 0;   // "Enable FTP" flag
    FtpInfo ftp;             // element "FTP"
    SmtpInfo smtp;           // element "SMTP"
    LocalSetting local;      // element "Local"

    bool operator==(const SnapShotSetting&) const = default;
};

// Recording (element "Recording").
struct RecordingInfo {
    static constexpr size_t kCustomProfilePathCapacity = 260;

    LocalSetting local;                 // element "Local"
    int32_t recordingTime = 10;         // "RecordingTime", seconds
    int32_t frameRate = 10;             // "FrameRate"
    int32_t enableWMV = 1;              // "EnableWMV" flag
    int32_t wmvProfileType = 1;         // "WMVProfileType"
    int32_t wmvSystemProfileIndex = 1;  // "WMVSystemProfileIndex"
    std::string wmvCustomProfilePath;   // "WMVCustomProfilePath", text 260

    bool operator==(const RecordingInfo&) const = default;
};

// Weekly schedule (element "Schedule").
struct ScheduleSetting {
    int32_t enable = 0;       // "Enable" flag
    int32_t execWeek = 127;   // "Exec Week", bit mask of the seven weekdays
    int32_t startHour = 0;    // "Start Hour"
    int32_t startMinute = 0;  // "Start Minute"
    int32_t endHour = 23;     // "End Hour"
    int32_t endMinute = 0;    // "End Minute"

    bool operator==(const ScheduleSetting&) const = default;
};

// Built-in web server (element "WebServer").
struct WebServerSetting {
    static constexpr size_t kPasswordCapacity = 256;

    int32_t enable = 0;               // "Enable" flag
    int32_t maxFrame = 15;            // "MaxFrame", frames per second of a stream
    int32_t maxUser = 10;             // "MaxUser", concurrent streams
    int32_t enablePassword = 0;       // "Enable Password" flag
    std::string password;             // "Password", text 256
    int32_t imodeEnable = 0;          // "i-mode Enable" flag
    int32_t imodeEnablePassword = 0;  // "i-mode Enable Password" flag
    int32_t imodeSizeW = 320;         // "i-mode Size W"
    int32_t imodeSizeH = 240;         // "i-mode Size H"
    int32_t imodeQuality = 80;        // "i-mode Quality"
    std::string imodePassword;        // "i-mode Password", text 256
    int32_t port = 8080;              // "Port"
    int32_t nicIndex = 0;             // "Nic Index"
    int32_t enableUPnP = 0;           // "Enable UPnP" flag

    bool operator==(const WebServerSetting&) const = default;
};

// The parameter record of one camera (element "OcvParam"; the device information is stored
// as its sibling "DeviceInfo").
struct OcvParam {
    static constexpr size_t kNameCapacity = 256;

    std::string name = "New Camera";  // meta "name", text 256
    DeviceInfo deviceInfo;            // element "DeviceInfo"
    SnapShotSetting snapShot;         // element "SnapShot"
    RecordingInfo recording;          // element "Recording"
    VistrelSetting vistrel;           // element "Live"
    MotionCapSetting motion;          // element "Motion"
    ScheduleSetting schedule;         // element "Schedule"
    WebServerSetting webServer;       // element "WebServer"

    bool operator==(const OcvParam&) const = default;
};

// Start-up conditions of a camera window (element "ConditionSetting").
struct ConditionSetting {
    int32_t autoCapture = 0;        // "AutoCapture" flag
    int32_t foreground = 0;         // "Foreground" flag: always on top
    int32_t show = 0;               // "Show": 0 as "LastShow", 2 desktop mode, 3 hidden, else shown
    int32_t lastShow = 1;           // "LastShow": 1 shown, 2 desktop mode, 3 hidden
    int32_t left = 0;               // "Left"
    int32_t top = 0;                // "Top"
    int32_t right = 0;              // "Right"
    int32_t bottom = 0;             // "Bottom"
    int32_t transparent = 0;        // "Transparent" flag
    int32_t transparentParam = 80;  // "TransparentParam", opacity percentage

    bool operator==(const ConditionSetting&) const = default;
};

// Every field of the record at its default; "<dir>" defaults are joined onto programDir and the
// save directories are the user's home directory.
void MakeDefaultOcvParam(OcvParam& param, const std::string& programDir);
OcvParam MakeDefaultOcvParam(const std::string& programDir);
// Every field zero or empty (the state of a record cleared before a file is read into it).
void ClearOcvParam(OcvParam& param);
// Sets the defaults of the conditions.
void ResetConditions(ConditionSetting& cond);

}  // namespace ocv
