#include "delivery/Deliver.h"

#include <mutex>

#include "delivery/FtpUpload.h"
#include "delivery/LocalSave.h"
#include "delivery/MailNotify.h"

namespace ocv {
namespace {

std::mutex& TargetsMutex() {
    static std::mutex m;
    return m;
}
DeliveryTargets BuiltInTargets() { return {UploadToFtp, SendPictureMail}; }
DeliveryTargets& Targets() {
    static auto* t = new DeliveryTargets(BuiltInTargets());
    return *t;
}

struct ModeBlocks {
    bool local;
    bool ftp;
    bool smtp;
    const LocalSetting* localSetting;
    const FtpInfo* ftpInfo;
    const SmtpInfo* smtpInfo;
};

bool SelectMode(const OcvParam& p, int mode, ModeBlocks& out) {
    switch (mode) {
        case MODE_VISTREL:
            out = {p.vistrel.enableLocal != 0, p.vistrel.enableFtp != 0, p.vistrel.enableSmtp != 0,
                   &p.vistrel.local,           &p.vistrel.ftp,           &p.vistrel.smtp};
            return true;
        case MODE_MOTION:
            out = {p.motion.enableLocal != 0, p.motion.enableFtp != 0, p.motion.enableSmtp != 0,
                   &p.motion.local,           &p.motion.ftp,           &p.motion.smtp};
            return true;
        case MODE_SNAPSHOT:
            out = {true,
                   p.snapShot.enableFtp != 0,
                   p.snapShot.enableSmtp != 0,
                   &p.snapShot.local,
                   &p.snapShot.ftp,
                   &p.snapShot.smtp};
            return true;
        default: return false;
    }
}

bool StopRequested(const NamedEvent* stop) { return stop && stop->IsSet(); }

}  // namespace

const char* CaptureModeName(int mode) {
    switch (mode) {
        case MODE_VISTREL: return "Live";
        case MODE_MOTION: return "Motion";
        case MODE_SNAPSHOT: return "Snap";
        default: return nullptr;
    }
}

void SetDeliveryTargets(DeliveryTargets targets) {
    DeliveryTargets builtIn = BuiltInTargets();
    if (!targets.ftp) targets.ftp = builtIn.ftp;
    if (!targets.mail) targets.mail = builtIn.mail;
    std::lock_guard lock(TargetsMutex());
    Targets() = std::move(targets);
}

int DeliverPicture(CLogger& log, const OcvParam& param, int mode, const CDibImage& picture,
                   const LocalTime& time, const NamedEvent* stop, const std::string& workDir,
                   uint32_t& localCounter, uint32_t& ftpCounter, uint32_t& mailCounter) {
    ModeBlocks m{};
    if (!SelectMode(param, mode, m)) return 0;
    const char* modeName = CaptureModeName(mode);
    DeliveryTargets targets;
    {
        std::lock_guard lock(TargetsMutex());
        targets = Targets();
    }

    std::string localName, ftpName;
    if (m.local) {
        CDibImage copy(picture);
        SaveToLocalDisk(copy, *m.localSetting, time, localCounter, log, modeName, param.name,
                        localName);
    }
    if (StopRequested(stop)) return 0;

    if (m.ftp) {
        CDibImage copy(picture);
        TargetCall call{copy, time, ftpCounter, workDir, log, modeName, param.name, stop};
        targets.ftp(*m.ftpInfo, call, ftpName);
    }
    if (StopRequested(stop)) return 0;

    if (m.smtp) {
        CDibImage copy(picture);
        TargetCall call{copy, time, mailCounter, workDir, log, modeName, param.name, stop};
        targets.mail(*m.smtpInfo, call, localName, ftpName);
    }
    return 1;
}

}  // namespace ocv
