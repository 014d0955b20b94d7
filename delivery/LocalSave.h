#pragma once
// The local-disk target: edit, name and write a picture into its save directory.
#include <string>

#include "config/OcvParam.h"
#include "foundation/Logger.h"
#include "imaging/DibImage.h"
#include "platform/Time.h"

namespace ocv {

// Writes `picture` (edited in place) into the save directory of `local`. `cameraName` is stamped
// when the image settings ask for it; `fileName` receives the name without directory. 1 on
// success, 0 on failure (logged).
int SaveToLocalDisk(CDibImage& picture, const LocalSetting& local, const LocalTime& time,
                    uint32_t& counter, CLogger& log, const char* modeName,
                    const std::string& cameraName, std::string& fileName);

}  // namespace ocv
