#pragma once
// The network camera models: each turns the device information into the request URL of its
// Motion-JPEG stream and hands it to the stream machinery with its reader variant.
#include <memory>
#include <string>

#include "foundation/DeviceInfo.h"
#include "sources/MJpegInterface.h"
#include "sources/MJpegParser.h"

namespace ocv {

// Joins the base URL and a path: concatenated when the base ends with "/" or "\", otherwise
// with one "/" between them.
std::string JoinCameraUrl(const std::string& base, const std::string& path);

// The quality word of the Panasonic request: 0 "Motion", 1 "Standard", 2 "Clarity", else "".
const char* KxQualityWord(int quality);

// The request path (without the base) of each model.
std::string OcvStreamPath(const DeviceInfo& info);
std::string KxStreamPath(const DeviceInfo& info);
std::string AxisStreamPath(const DeviceInfo& info);
std::string VivotekStreamPath(const DeviceInfo& info);
// The whole URL of a model's stream; "" for a device type that is not a network camera.
std::string BuildStreamUrl(const DeviceInfo& info);
// The reader variant of a device type (B for the MegaChips family, else A).
int ReaderVariantOf(int32_t deviceType);

// What the five models share: the checks of Connect, the format page and the fixed answers.
class CMJpegCameraModel : public CMJpegInterface {
public:
    CMJpegCameraModel(int32_t deviceType, std::shared_ptr<FrameNotifier> view,
                      std::shared_ptr<CLogger> logger);

    int Connect(const DeviceInfo* info) override;
    bool HasFormatPage() override { return IsConnected(); }
    bool ShowFormatPage(IDialogHost* parent, DeviceInfo* info) override;
    bool HasDevicePage() override { return false; }
    bool ShowDevicePage(IDialogHost*, DeviceInfo*) override { return false; }

    int32_t DeviceType() const { return deviceType_; }

private:
    int32_t deviceType_;
};

class COcvInterface : public CMJpegCameraModel {
public:
    COcvInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger)
        : CMJpegCameraModel(DEVICE_PEER_INSTANCE, std::move(view), std::move(logger)) {}
};

class CKxInterface : public CMJpegCameraModel {
public:
    CKxInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger)
        : CMJpegCameraModel(DEVICE_PANASONIC, std::move(view), std::move(logger)) {}
};

class CAxisInterface : public CMJpegCameraModel {
public:
    CAxisInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger)
        : CMJpegCameraModel(DEVICE_AXIS, std::move(view), std::move(logger)) {}
};

class CVivotekInterface : public CMJpegCameraModel {
public:
    CVivotekInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger)
        : CMJpegCameraModel(DEVICE_VIVOTEK, std::move(view), std::move(logger)) {}
};

class CMegaChipsInterface : public CMJpegCameraModel {
public:
    CMegaChipsInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger)
        : CMJpegCameraModel(DEVICE_MEGACHIPS, std::move(view), std::move(logger)) {}
};

// A Motion-JPEG stream of any maker, read from its URL exactly as given (path and query
// included). The camera decides size and quality, so there is no format page.
class CMJpegUrlInterface : public CMJpegCameraModel {
public:
    CMJpegUrlInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger)
        : CMJpegCameraModel(DEVICE_MJPEG_URL, std::move(view), std::move(logger)) {}
    bool HasFormatPage() override { return false; }
    bool ShowFormatPage(IDialogHost*, DeviceInfo*) override { return false; }
};

}  // namespace ocv
