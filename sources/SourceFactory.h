#pragma once
// Makes the camera source of a device type: the network camera models for types 3 to 7.
// Types 1 and 2 (local capture devices and network streams) are not available yet.
#include <memory>

#include "foundation/CamSource.h"

namespace ocv {

std::shared_ptr<CCamInterface> CreateCameraSource(int32_t deviceType,
                                                  std::shared_ptr<FrameNotifier> view,
                                                  std::shared_ptr<CLogger> logger);

}  // namespace ocv
