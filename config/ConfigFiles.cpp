#include "config/ConfigFiles.h"

#include <exception>

#include "config/ParamSections.h"
#include "config/XmlMeta.h"
#include "foundation/Logger.h"

namespace ocv {
namespace {

// A new document with the declaration, "OcvML" and one "Camera" without attributes.
pugi::xml_node NewFileCamera(pugi::xml_document& doc) {
    AppendXmlDeclaration(doc);
    return AppendElement(AppendElement(doc, "OcvML"), "Camera");
}

}  // namespace

bool SaveDeviceInfoFile(const std::string& path, const DeviceInfo& info, CLogger& log) {
    pugi::xml_document doc;
    try {
        if (!SaveDeviceInfo(NewFileCamera(doc), info, log)) return false;
    } catch (const std::exception& e) {
        log.Error("Saving device information Failed! [File=%s][Reason=%s]", path.c_str(), e.what());
        return false;
    }
    if (!SaveXmlFile(doc, path)) {
        log.Error("Saving device information Failed! [File=%s]", path.c_str());
        return false;
    }
    return true;
}

bool LoadDeviceInfoFile(const std::string& path, DeviceInfo& info, CLogger& log) {
    auto doc = LoadXmlFile(path, &log);
    if (!doc) {
        log.Error("Loading device information Failed! [File=%s]", path.c_str());
        return false;
    }
    pugi::xml_node device = FindSection(*doc, "DeviceInfo");
    if (!device) {
        log.Error(
            "Loading device information Failed! [File=%s] [Reason=<DeviceInfo>node not found!]",
            path.c_str());
        return false;
    }
    return LoadDeviceInfo(device, info, log) != 0;
}

bool SaveCaptureSettingFile(const std::string& path, const OcvParam& param, CLogger& log) {
    pugi::xml_document doc;
    try {
        if (!SaveOcvParamElement(NewFileCamera(doc), param, log)) return false;
    } catch (const std::exception& e) {
        log.Error("Saving configuration file failed. [File=%s][Reason=%s]", path.c_str(), e.what());
        return false;
    }
    if (!SaveXmlFile(doc, path)) {
        log.Error("Saving configuration file failed. [File=%s]", path.c_str());
        return false;
    }
    return true;
}

bool LoadCaptureSettingFile(const std::string& path, OcvParam& param, CLogger& log) {
    auto doc = LoadXmlFile(path, &log);
    if (!doc) {
        log.Error("Loading configuration file failed. [File=%s]", path.c_str());
        return false;
    }
    pugi::xml_node ocvParam = FindSection(*doc, "OcvParam");
    if (!ocvParam) {
        log.Error("Loading configuration file failed. [File=%s] [Reason=<OcvParam>node not found!]",
                  path.c_str());
        return false;
    }
    return LoadOcvParamElement(ocvParam, param, log) != 0;
}

}  // namespace ocv
