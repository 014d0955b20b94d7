#include "sources/SourceFactory.h"

#include "sources/CameraModels.h"
#include "sources/LocalCaptureInterface.h"
#include "sources/NetStreamInterface.h"

namespace ocv {

std::shared_ptr<CCamInterface> CreateCameraSource(int32_t deviceType,
                                                  std::shared_ptr<FrameNotifier> view,
                                                  std::shared_ptr<CLogger> logger) {
    switch (deviceType) {
        case DEVICE_LOCAL_CAPTURE:
            return std::make_shared<CLocalCaptureInterface>(std::move(view), std::move(logger));
        case DEVICE_NETWORK_STREAM:
            return std::make_shared<CNetStreamInterface>(std::move(view), std::move(logger));
        case DEVICE_PEER_INSTANCE:
            return std::make_shared<COcvInterface>(std::move(view), std::move(logger));
        case DEVICE_PANASONIC:
            return std::make_shared<CKxInterface>(std::move(view), std::move(logger));
        case DEVICE_AXIS:
            return std::make_shared<CAxisInterface>(std::move(view), std::move(logger));
        case DEVICE_VIVOTEK:
            return std::make_shared<CVivotekInterface>(std::move(view), std::move(logger));
        case DEVICE_MEGACHIPS:
            return std::make_shared<CMegaChipsInterface>(std::move(view), std::move(logger));
        case DEVICE_MJPEG_URL:
            return std::make_shared<CMJpegUrlInterface>(std::move(view), std::move(logger));
        default: return nullptr;
    }
}

}  // namespace ocv
