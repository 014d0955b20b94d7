#include "config/OcvParam.h"

#include "config/ParamFields.h"
#include "config/SystemInfo.h"
#include "platform/Files.h"

namespace ocv {
namespace {

// Sets every listed field to zero or empty.
struct Clearer {
    void Int(const char*, int32_t& f) { f = 0; }
    void Byte(const char*, uint8_t& f) { f = 0; }
    void Float(const char*, float& f) { f = 0.0f; }
    void Text(const char*, std::string& f, size_t) { f.clear(); }
    void Format(const char*, int32_t& f) { f = 0; }
    void Body(std::string& f) { f.clear(); }
};

void ClearImage(ImageSettings& im) {
    Clearer c;
    fields::ImageSettingsFields(im, c);
    fields::TextStyleFields(im.fontDateTime, c);
    fields::TextStyleFields(im.fontName, c);
    im.extra = 0;
}

void ClearLocal(LocalSetting& r) {
    Clearer c;
    fields::LocalSettingFields(r, c);
    ClearImage(r.image);
}

void ClearFtp(FtpInfo& r) {
    Clearer c;
    fields::FtpInfoFields(r, c);
    ClearImage(r.image);
}

void ClearSmtp(SmtpInfo& r) {
    Clearer c;
    fields::SmtpInfoFields(r, c);
    ClearImage(r.image);
}

template <class Rec>
void ClearTargets(Rec& r) {
    ClearLocal(r.local);
    ClearFtp(r.ftp);
    ClearSmtp(r.smtp);
}

struct ImageDefaults {
    const char* filename;
    int32_t addCounter;
    int32_t addDate;
    int32_t addTime;
    int32_t format;
};

void DefaultImage(ImageSettings& im, const ImageDefaults& d, const std::string& programDir) {
    im = ImageSettings{};
    im.imageFilename = d.filename;
    im.enableAddNameCounter = d.addCounter;
    im.enableAddNameDate = d.addDate;
    im.enableAddNameTime = d.addTime;
    im.imageFileFormat = d.format;
    im.frameImageFileName = JoinPath(programDir, "logo.jpg");
}

// The three targets of a capture mode; the e-mail subject and body name the mode.
template <class Rec>
void DefaultTargets(Rec& r, const char* localName, const char* ftpName, const char* mailName,
                    const char* subject, const char* body, const std::string& programDir,
                    const std::string& home) {
    r.local.saveDirectoryName = home;
    DefaultImage(r.local.image, {localName, 1, 0, 0, IMAGE_FORMAT_JPEG}, programDir);
    DefaultImage(r.ftp.image, {ftpName, 0, 0, 0, IMAGE_FORMAT_JPEG}, programDir);
    DefaultImage(r.smtp.image, {mailName, 0, 0, 0, IMAGE_FORMAT_JPEG}, programDir);
    r.smtp.mailSubject = subject;
    r.smtp.mailBody = body;
}

}  // namespace

void MakeDefaultOcvParam(OcvParam& p, const std::string& programDir) {
    p = OcvParam{};
    const std::string home = HomeDirectory();
    DefaultTargets(p.vistrel, "live", "live", "live", "Vistrel", "Vistrel", programDir, home);
    DefaultTargets(p.motion, "motion", "motion", "capture", "Motion Capture", "MotionCapture",
                   programDir, home);
    DefaultTargets(p.snapShot, "snap", "snap", "snap", "Snapshot", "Snapshot", programDir, home);
    p.motion.motionCaptureSoundFilename = JoinPath(programDir, "moving.wav");
    p.recording.local.saveDirectoryName = home;
    DefaultImage(p.recording.local.image, {"movie", 0, 1, 1, IMAGE_FORMAT_BMP}, programDir);
    p.recording.wmvCustomProfilePath = JoinPath(programDir, "ovndefault.prx");
}

OcvParam MakeDefaultOcvParam(const std::string& programDir) {
    OcvParam p;
    MakeDefaultOcvParam(p, programDir);
    return p;
}

void ClearOcvParam(OcvParam& p) {
    Clearer c;
    p.name.clear();
    p.deviceInfo = DeviceInfo{};
    fields::SnapShotFields(p.snapShot, c);
    ClearTargets(p.snapShot);
    fields::RecordingFields(p.recording, c);
    ClearLocal(p.recording.local);
    fields::VistrelFields(p.vistrel, c);
    ClearTargets(p.vistrel);
    fields::MotionFields(p.motion, c);
    ClearTargets(p.motion);
    fields::ScheduleFields(p.schedule, c);
    fields::WebServerFields(p.webServer, c);
}

void ResetConditions(ConditionSetting& cond) { cond = ConditionSetting{}; }

SystemInfo MakeDefaultSystemInfo(const std::string& programDir) {
    SystemInfo s;
    s.logFilePath = programDir;
    return s;
}

}  // namespace ocv
