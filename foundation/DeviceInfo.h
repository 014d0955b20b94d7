#pragma once
// The device-information record a camera source connects with.
#include <cstdint>
#include <string>

namespace ocv {

enum DeviceType : int32_t {
    DEVICE_LOCAL_CAPTURE = 1,
    DEVICE_NETWORK_STREAM = 2,
    DEVICE_PEER_INSTANCE = 3,
    DEVICE_PANASONIC = 4,
    DEVICE_AXIS = 5,
    DEVICE_VIVOTEK = 6,
    DEVICE_MEGACHIPS = 7,
    DEVICE_MJPEG_URL = 8,  // a Motion-JPEG URL used as given, of a camera of any maker
};

struct DeviceInfo {
    static constexpr size_t kNameCapacity = 512;      // bytes including the terminator
    static constexpr size_t kPasswordCapacity = 256;  // bytes including the terminator

    int32_t deviceType = 0;
    std::string deviceName;  // friendly name, stream URL or the camera's base URL
    int32_t frameRate = 0;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t quality = 0;
    int32_t subType = 0;
    int32_t cameraNo = 0;
    int32_t size = 0;
    std::string password;

    bool operator==(const DeviceInfo&) const = default;
};

constexpr bool IsKnownDeviceType(int32_t type) { return type >= 1 && type <= 8; }

}  // namespace ocv
