#include "delivery/LocalSave.h"

#include <cerrno>

#include "delivery/CaptureNaming.h"
#include "imaging/EditImage.h"
#include "platform/Files.h"
#include "platform/NamedEvent.h"

namespace ocv {
namespace {

// Bounds the search for a free name (each step is one rename attempt).
constexpr uint32_t kMaxNameTries = 1000000;

}  // namespace

int SaveToLocalDisk(CDibImage& picture, const LocalSetting& local, const LocalTime& time,
                    uint32_t& counter, CLogger& log, const char* modeName,
                    const std::string& cameraName, std::string& fileName) {
    log.Info("[%s] Saving to harddisk...", modeName);
    std::string dir = DropTrailingSeparator(local.saveDirectoryName);
    if (local.enableMakeDateDirectory) dir = MakeDateDirectory(dir, time);
    fileName = MakeCaptureFileName(local.image, time, counter);
    // A name with the counter names one picture: a file left by an earlier run (whose counters
    // also started at 0) or by another camera is never replaced; the counter moves on to the
    // first free name when the picture is put in place below. A name without the counter is a
    // "latest picture" file and is replaced.
    std::string editError;
    if (!EditImage(cameraName, picture, local.image, time, editError)) {
        log.Error("[%s] Edit image failed! [%s]", modeName, editError.c_str());
        return 0;
    }
    // The picture is written under a name of this thread's own and then moved into place in one
    // step: cameras sharing a folder and a name never write into one file, a reader never sees
    // half a picture, and a name with the counter is taken only while it is free.
    const std::string temp =
        JoinPath(dir, "." + fileName + ".part" + std::to_string(CurrentThreadId()));
    if (!SaveImage(picture, local.image, temp)) {
        DeleteFile(temp);
        // The reason names the picture's own path, not the temporary one.
        std::string reason = picture.GetErrorText();
        if (size_t at = reason.find(temp); at != std::string::npos)
            reason.replace(at, temp.size(), JoinPath(dir, fileName));
        log.Error("[%s] Save image failed! [%s]", modeName, reason.c_str());
        return 0;
    }
    const bool replace = !local.image.enableAddNameCounter;
    int err = MoveFileInPlace(temp, JoinPath(dir, fileName), replace);
    for (uint32_t tries = 0; err == EEXIST && !replace && tries < kMaxNameTries; ++tries) {
        fileName = MakeCaptureFileName(local.image, time, counter);
        err = MoveFileInPlace(temp, JoinPath(dir, fileName), false);
    }
    if (err != 0) {
        DeleteFile(temp);
        log.Error("[%s] Save image failed! [%s: %s]", modeName, JoinPath(dir, fileName).c_str(),
                  SystemErrorText(err).c_str());
        return 0;
    }
    return 1;
}

}  // namespace ocv
