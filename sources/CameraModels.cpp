#include "sources/CameraModels.h"

#include <cstdio>

namespace ocv {
namespace {

std::string Format(const char* fmt, auto... args) {
    char buf[1024];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

}  // namespace

std::string JoinCameraUrl(const std::string& base, const std::string& path) {
    if (!base.empty() && (base.back() == '/' || base.back() == '\\')) return base + path;
    return base + "/" + path;
}

const char* KxQualityWord(int quality) {
    switch (quality) {
        case 0: return "Motion";
        case 1: return "Standard";
        case 2: return "Clarity";
        default: return "";
    }
}

std::string OcvStreamPath(const DeviceInfo& info) {
    return Format("MotionJpeg?Quality=%d&Password=%s", info.quality, info.password.c_str());
}

std::string KxStreamPath(const DeviceInfo& info) {
    return Format("nphMotionJpeg?Resolution=%dx%d&Quality=%s", info.frameWidth, info.frameHeight,
                  KxQualityWord(info.quality));
}

std::string AxisStreamPath(const DeviceInfo& info) {
    if (info.subType == 3) {
        return Format("axis-cgi/mjpg/video.cgi?camera=%d&resolution=%dx%d", info.cameraNo + 1,
                      info.frameWidth, info.frameHeight);
    }
    return Format("axis-cgi/mjpg/video.cgi?resolution=%dx%d", info.frameWidth, info.frameHeight);
}

std::string VivotekStreamPath(const DeviceInfo& info) {
    std::string prefix;
    if (info.subType == 0 && info.cameraNo < 4) {
        prefix = Format("cgi-bin/video.jpg?cam=%d&", info.cameraNo + 1);
    } else if (info.subType == 0) {
        prefix = "cgi-bin/quad.jpg?";
    } else {
        prefix = "cgi-bin/video.jpg?";
    }
    return Format("%squality=%d&size=%d", prefix.c_str(), info.quality + 1, info.size + 1);
}

std::string BuildStreamUrl(const DeviceInfo& info) {
    const std::string& base = info.deviceName;
    switch (info.deviceType) {
        case DEVICE_PEER_INSTANCE: return JoinCameraUrl(base, OcvStreamPath(info));
        case DEVICE_PANASONIC: return JoinCameraUrl(base, KxStreamPath(info));
        case DEVICE_AXIS: return JoinCameraUrl(base, AxisStreamPath(info));
        case DEVICE_VIVOTEK: return JoinCameraUrl(base, VivotekStreamPath(info));
        case DEVICE_MEGACHIPS: return base + "/GetData.cgi";  // always one slash added
        case DEVICE_MJPEG_URL: return base;  // the camera's own path and query, unchanged
        default: return "";
    }
}

int ReaderVariantOf(int32_t deviceType) {
    return deviceType == DEVICE_MEGACHIPS ? kReaderVariantB : kReaderVariantA;
}

CMJpegCameraModel::CMJpegCameraModel(int32_t deviceType, std::shared_ptr<FrameNotifier> view,
                                     std::shared_ptr<CLogger> logger)
    : CMJpegInterface(std::move(view), std::move(logger)), deviceType_(deviceType) {}

int CMJpegCameraModel::Connect(const DeviceInfo* info) {
    if (!info || info->deviceType != deviceType_) {
        Log().ErrorBox("指定されたデバイスタイプが異なります!");
        return 0;
    }
    if (info->deviceName.empty()) {
        Log().ErrorBox("接続先URLの指定がありません!");
        return 0;
    }
    return StartStream(BuildStreamUrl(*info), ReaderVariantOf(deviceType_)) ? 1 : 0;
}

bool CMJpegCameraModel::ShowFormatPage(IDialogHost* parent, DeviceInfo* info) {
    if (!HasFormatPage() || !parent || !info) return false;
    DeviceInfo edited = *info;
    if (!parent->RunFormatPage(deviceType_, edited)) return false;
    *info = edited;
    Disconnect();
    return Connect(info) > 0;
}

}  // namespace ocv
