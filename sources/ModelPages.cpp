#include "sources/ModelPages.h"

#include <algorithm>
#include <cstdio>

namespace ocv {
namespace {

constexpr int kKxDefaultSizeIndex = 1;  // 320x240

int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(hi, v)); }

}  // namespace

const char* FormatPageTitle(int32_t deviceType) {
    switch (deviceType) {
        case DEVICE_PANASONIC: return "Panasonic Network camera setup";
        case DEVICE_AXIS: return "AXIS Network camera setup";
        case DEVICE_VIVOTEK: return "Vivotek Network camera setup";
        case DEVICE_MEGACHIPS: return "Surfeel/TS-LCAM/EG-SIVA24 setup";
        default: return "";
    }
}

std::vector<FrameSize> SizeChoices(int32_t deviceType, int subType) {
    if (deviceType == DEVICE_PANASONIC) return {{160, 120}, {320, 240}, {640, 480}};
    if (deviceType == DEVICE_AXIS) {
        if (subType == 0) return {{640, 480}, {320, 240}};
        return {{704, 480}, {352, 240}};
    }
    return {};
}

std::vector<std::string> SizeLabels(const std::vector<FrameSize>& sizes) {
    std::vector<std::string> out;
    for (const FrameSize& s : sizes) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%dx%d", s.width, s.height);
        out.emplace_back(buf);
    }
    return out;
}

int SizeIndexOf(int32_t deviceType, int subType, int width, int height) {
    std::vector<FrameSize> sizes = SizeChoices(deviceType, subType);
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i].width == width && sizes[i].height == height) return static_cast<int>(i);
    }
    return deviceType == DEVICE_PANASONIC ? kKxDefaultSizeIndex : 0;
}

std::vector<std::string> KxQualityChoices() { return {"Motion", "Standard", "Clarity"}; }
std::vector<std::string> AxisTypeChoices() {
    return {"AXIS 2100/205", "AXIS 2120", "AXIS 2130/2130R RTZ", "AXIS 2400"};
}
std::vector<std::string> AxisCameraChoices() {
    return {"Camera1", "Camera2", "Camera3", "Camera4"};
}
bool AxisCameraEnabled(int subType) { return subType == 3; }
std::vector<std::string> VivotekCameraChoices() {
    return {"Camera1", "Camera2", "Camera3", "Camera4", "ALL"};
}
std::vector<std::string> VivotekTypeChoices() { return {"VS2401/2402", "VS2101"}; }
std::vector<std::string> VivotekQualityChoices() {
    return {"Medium", "Standard", "Good", "Detailed", "Excellent"};
}
std::vector<std::string> VivotekSizeChoices() { return {"Half", "Standard", "Double"}; }

FormatPageData LoadFormatPage(const DeviceInfo& info) {
    FormatPageData page;
    page.url = info.deviceName;
    switch (info.deviceType) {
        case DEVICE_PEER_INSTANCE:
            page.quality = Clamp(info.quality, 0, 100);
            page.password = info.password;
            break;
        case DEVICE_PANASONIC:
            page.sizeIndex = SizeIndexOf(DEVICE_PANASONIC, 0, info.frameWidth, info.frameHeight);
            page.quality = info.quality;  // a value outside the list selects nothing
            break;
        case DEVICE_AXIS:
            page.subType = Clamp(info.subType, 0, 3);
            page.sizeIndex =
                SizeIndexOf(DEVICE_AXIS, page.subType, info.frameWidth, info.frameHeight);
            page.cameraNo = Clamp(info.cameraNo, 0, 3);
            break;
        case DEVICE_VIVOTEK:
            page.cameraNo = Clamp(info.cameraNo, 0, 4);
            page.subType = Clamp(info.subType, 0, 1);
            page.quality = Clamp(info.quality, 0, 4);
            page.sizeIndex = Clamp(info.size, 0, 2);
            break;
        default: break;
    }
    return page;
}

bool ValidateFormatPage(const FormatPageData& page, std::string& message) {
    if (page.url.empty()) {
        message = kUrlMissingMessage;
        return false;
    }
    message.clear();
    return true;
}

void StoreFormatPage(const FormatPageData& page, DeviceInfo& info) {
    info.deviceName = page.url;
    switch (info.deviceType) {
        case DEVICE_PEER_INSTANCE:
            info.quality = Clamp(page.quality, 0, 100);
            info.password = page.password;
            break;
        case DEVICE_PANASONIC: {
            std::vector<FrameSize> sizes = SizeChoices(DEVICE_PANASONIC, 0);
            FrameSize s = sizes[Clamp(page.sizeIndex, 0, static_cast<int>(sizes.size()) - 1)];
            info.frameWidth = s.width;
            info.frameHeight = s.height;
            info.quality = page.quality;
            break;
        }
        case DEVICE_AXIS: {
            std::vector<FrameSize> sizes = SizeChoices(DEVICE_AXIS, page.subType);
            FrameSize s = sizes[Clamp(page.sizeIndex, 0, static_cast<int>(sizes.size()) - 1)];
            info.frameWidth = s.width;
            info.frameHeight = s.height;
            info.subType = page.subType;
            info.cameraNo = page.cameraNo;
            break;
        }
        case DEVICE_VIVOTEK:
            info.cameraNo = page.cameraNo;
            info.subType = page.subType;
            info.quality = page.quality;
            info.size = page.sizeIndex;
            break;
        default: break;
    }
}

}  // namespace ocv
