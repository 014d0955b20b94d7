#pragma once
// The delivery routine: one captured picture to the local disk, then FTP, then e-mail, each
// target with its own copy of the picture and its own naming, editing and format.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/OcvParam.h"
#include "foundation/Logger.h"
#include "imaging/DibImage.h"
#include "platform/NamedEvent.h"
#include "platform/Time.h"

namespace ocv {

enum CaptureMode : int { MODE_VISTREL = 0, MODE_MOTION = 1, MODE_SNAPSHOT = 2 };

// The name of a mode in log lines: "Live", "Motion", "Snap"; nullptr for another value.
const char* CaptureModeName(int mode);

// What the FTP and e-mail targets need besides their own settings block.
struct TargetCall {
    CDibImage& picture;
    const LocalTime& time;
    uint32_t& counter;
    const std::string& workDir;
    CLogger& log;
    const char* modeName;
    const std::string& cameraName;
    const NamedEvent* stop;
};

// The FTP target: uploads its copy and yields the remote file name. 1 on success.
using FtpTarget = std::function<int(const FtpInfo&, TargetCall&, std::string& ftpFileName)>;
// The e-mail target, with the local and FTP file names of the same picture. 1 on success.
using MailTarget = std::function<int(const SmtpInfo&, TargetCall&, const std::string& localName,
                                     const std::string& ftpName)>;

// The remote targets; by default UploadToFtp and SendPictureMail.
struct DeliveryTargets {
    FtpTarget ftp;
    MailTarget mail;
};
// Replaces the remote targets (a seam for tests); an empty member selects the built-in target,
// so SetDeliveryTargets({}) restores the defaults.
void SetDeliveryTargets(DeliveryTargets targets);

// Delivers `picture` for `mode`. Returns 1 when it ran to the end, 0 for an unknown mode or when
// the stop event was set before FTP or before e-mail. The counters are advanced by the names made.
int DeliverPicture(CLogger& log, const OcvParam& param, int mode, const CDibImage& picture,
                   const LocalTime& time, const NamedEvent* stop, const std::string& workDir,
                   uint32_t& localCounter, uint32_t& ftpCounter, uint32_t& mailCounter);

}  // namespace ocv
