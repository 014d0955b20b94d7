#pragma once
// Stand-alone files of one camera: a device-information file (".dev", the DeviceInfo record) and
// a capture-setting file (".cap", the camera name and every capture section). Both have the shape
// of the configuration document, so "ocv.xml" itself reads as either (its first camera).
// Failures are reported at level Error on the given logger (the camera's channel).
#include <string>

#include "config/OcvParam.h"
#include "foundation/DeviceInfo.h"

namespace ocv {

class CLogger;

inline constexpr const char* kDeviceFileFilter =
    "Device Setting Files(*.dev)|*.dev|All Files(*.*)|*.*||";
inline constexpr const char* kDeviceFileExtension = "dev";
inline constexpr const char* kCaptureFileFilter =
    "Capture Setting Files(*.cap)|*.cap|All Files(*.*)|*.*||";
inline constexpr const char* kCaptureFileExtension = "cap";

bool SaveDeviceInfoFile(const std::string& path, const DeviceInfo& info, CLogger& log);
// Reads the first "DeviceInfo" of the file into info, key by key (missing keys keep values).
bool LoadDeviceInfoFile(const std::string& path, DeviceInfo& info, CLogger& log);
// Writes the record's name and sections, without device information or conditions.
bool SaveCaptureSettingFile(const std::string& path, const OcvParam& param, CLogger& log);
// Reads the first "OcvParam" of the file into the record (the device part is not touched).
bool LoadCaptureSettingFile(const std::string& path, OcvParam& param, CLogger& log);

}  // namespace ocv
