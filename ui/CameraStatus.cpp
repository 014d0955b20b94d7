#include "ui/CameraStatus.h"

#include "controller/StateFlags.h"
#include "foundation/UrlMask.h"
#include "ui/UiText.h"

namespace ocv {

const char* CameraStatusWord(uint32_t flags) {
    if (!(flags & STATE_CONNECTED)) return "ERROR";
    if (IsMonitoring(flags)) return "MONITORING";
    if (flags & STATE_SCHEDULE) return "IDLE(Enable Schedule)";
    return "IDLE";
}

QString DeviceColumnText(const DeviceInfo& device) {
    static const T kTypeNames[] = {T::DeviceLocal,   T::DeviceStream,  T::DevicePeer,
                                   T::DevicePanasonic, T::DeviceAxis,  T::DeviceVivotek,
                                   T::DeviceMegaChips, T::DeviceMJpegUrl};
    const QString type = IsKnownDeviceType(device.deviceType)
                             ? Tr(kTypeNames[device.deviceType - 1])
                             : Tr(T::DeviceUnknown);
    if (device.deviceName.empty()) return type;
    return type + QStringLiteral(": ") + QString::fromStdString(MaskUrlPassword(device.deviceName));
}

}  // namespace ocv
