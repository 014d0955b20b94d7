#include "delivery/LocalSave.h"

#include "delivery/CaptureNaming.h"
#include "imaging/EditImage.h"
#include "platform/Files.h"

namespace ocv {
namespace {

// Bounds the search for a free name (each step is one look at the directory).
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
    // also started at 0) is never replaced; the counter moves on to the first free name. A name
    // without the counter is a "latest picture" file and is replaced as before.
    if (local.image.enableAddNameCounter) {
        for (uint32_t tries = 0; FileExists(JoinPath(dir, fileName)) && tries < kMaxNameTries;
             ++tries)
            fileName = MakeCaptureFileName(local.image, time, counter);
    }
    std::string editError;
    if (!EditImage(cameraName, picture, local.image, time, editError)) {
        log.Error("[%s] Edit image failed! [%s]", modeName, editError.c_str());
        return 0;
    }
    std::string path = JoinPath(dir, fileName);
    if (!SaveImage(picture, local.image, path)) {
        log.Error("[%s] Save image failed! [%s]", modeName, picture.GetErrorText().c_str());
        return 0;
    }
    return 1;
}

}  // namespace ocv
