#pragma once
// Makes the camera source of a device type: local capture devices (1), network streams (2),
// the network camera models (3 to 7) and a Motion-JPEG URL used as given (8).
#include <memory>

#include "foundation/CamSource.h"

namespace ocv {

std::shared_ptr<CCamInterface> CreateCameraSource(int32_t deviceType,
                                                  std::shared_ptr<FrameNotifier> view,
                                                  std::shared_ptr<CLogger> logger);

}  // namespace ocv
