#pragma once
// Load and save of every record of a camera as DOM elements. Each save creates its element under
// the parent, appends it and writes its metas and sub-elements; each load reads from the section
// element it is given. All return 1 on success and 0 on failure; failures are reported at level
// Error on the given logger (the camera's channel).
//
// Section load rule: a section reads its own metas, then each sub-section in turn; a missing
// sub-section is reported and ends the section's load with 0 (later sub-sections are not read),
// and so does a sub-section whose own load fails. The caller goes on with its next section.
#include <pugixml.hpp>

#include "config/ImageSettings.h"
#include "config/OcvParam.h"
#include "config/SystemInfo.h"
#include "foundation/DeviceInfo.h"

namespace ocv {

class CLogger;

int LoadTextStyle(pugi::xml_node section, TextStyle& r, CLogger& log);
int SaveTextStyle(pugi::xml_node parent, const char* tag, const TextStyle& r, CLogger& log);
int LoadImageSettings(pugi::xml_node section, ImageSettings& r, CLogger& log);
int SaveImageSettings(pugi::xml_node parent, const ImageSettings& r, CLogger& log);
int LoadLocalSetting(pugi::xml_node section, LocalSetting& r, CLogger& log);
int SaveLocalSetting(pugi::xml_node parent, const LocalSetting& r, CLogger& log);
int LoadFtpInfo(pugi::xml_node section, FtpInfo& r, CLogger& log);
int SaveFtpInfo(pugi::xml_node parent, const FtpInfo& r, CLogger& log);
int LoadSmtpInfo(pugi::xml_node section, SmtpInfo& r, CLogger& log);
int SaveSmtpInfo(pugi::xml_node parent, const SmtpInfo& r, CLogger& log);
int LoadVistrelSetting(pugi::xml_node section, VistrelSetting& r, CLogger& log);
int SaveVistrelSetting(pugi::xml_node parent, const VistrelSetting& r, CLogger& log);
int LoadMotionCapSetting(pugi::xml_node section, MotionCapSetting& r, CLogger& log);
int SaveMotionCapSetting(pugi::xml_node parent, const MotionCapSetting& r, CLogger& log);
int LoadSnapShotSetting(pugi::xml_node section, SnapShotSetting& r, CLogger& log);
int SaveSnapShotSetting(pugi::xml_node parent, const SnapShotSetting& r, CLogger& log);
int LoadRecordingInfo(pugi::xml_node section, RecordingInfo& r, CLogger& log);
int SaveRecordingInfo(pugi::xml_node parent, const RecordingInfo& r, CLogger& log);
int LoadScheduleSetting(pugi::xml_node section, ScheduleSetting& r, CLogger& log);
int SaveScheduleSetting(pugi::xml_node parent, const ScheduleSetting& r, CLogger& log);
int LoadWebServerSetting(pugi::xml_node section, WebServerSetting& r, CLogger& log);
int SaveWebServerSetting(pugi::xml_node parent, const WebServerSetting& r, CLogger& log);
int LoadDeviceInfo(pugi::xml_node section, DeviceInfo& r, CLogger& log);
int SaveDeviceInfo(pugi::xml_node parent, const DeviceInfo& r, CLogger& log);

// Conditions: LoadConditions finds "ConditionSetting" in the camera element; when it is missing
// the conditions are reset to their defaults and 0 is returned.
int LoadConditions(pugi::xml_node camera, ConditionSetting& r, CLogger& log);
int SaveConditions(pugi::xml_node camera, const ConditionSetting& r, CLogger& log);

// The "OcvParam" element alone: the "name" meta and the sections, each read only when present
// (their results are not looked at). Used for camera elements and capture-setting files.
int LoadOcvParamElement(pugi::xml_node ocvParam, OcvParam& r, CLogger& log);
int SaveOcvParamElement(pugi::xml_node parent, const OcvParam& r, CLogger& log);

// A camera element: "OcvParam" then "DeviceInfo" (both required for loading).
bool LoadOcvParamFromNode(pugi::xml_node camera, OcvParam& r, CLogger& log);
bool SaveOcvParamToNode(pugi::xml_node camera, const OcvParam& r, CLogger& log);

// The system section: reads "Log" and then "MailCommand" below "SystemInfo". Returns true when
// both were present (only then may the log file be deleted as "Delete" asks).
bool LoadSystemInfo(pugi::xml_node systemInfo, SystemInfo& r, CLogger* log);
// Appends "Log" and "MailCommand" to the "SystemInfo" element.
bool SaveSystemInfo(pugi::xml_node systemInfo, const SystemInfo& r);

}  // namespace ocv
