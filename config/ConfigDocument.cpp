#include "config/ConfigDocument.h"

#include <exception>

#include "config/ParamSections.h"
#include "config/XmlMeta.h"
#include "foundation/Logger.h"
#include "platform/Files.h"

namespace ocv {

ConfigDocument::ConfigDocument(std::string programDir)
    : system(MakeDefaultSystemInfo(programDir)), programDir_(std::move(programDir)) {}

std::string ConfigDocument::Path() const { return JoinPath(programDir_, kFileName); }

CameraConfig ConfigDocument::NewCamera() const {
    CameraConfig c;
    MakeDefaultOcvParam(c.param, programDir_);
    return c;
}

bool ConfigDocument::ReadDocument(const pugi::xml_document& doc, CLogger& log,
                                  const CameraLogFn& cameraLog) {
    bool deleteLog = false;
    try {
        if (pugi::xml_node sys = FindSection(doc, "SystemInfo"))
            deleteLog = LoadSystemInfo(sys, system, &log) && system.deleteLog != 0;
        // Order and number of the cameras come from the document order alone ("no" is not read).
        std::vector<pugi::xml_node> elements = FindElements(doc, "Camera");
        for (size_t i = 0; i < elements.size(); ++i) {
            CLogger& camLog = cameraLog ? cameraLog(i) : log;
            CameraConfig cam = NewCamera();
            if (!LoadOcvParamFromNode(elements[i], cam.param, camLog)) continue;
            if (cameraLog) camLog.SetName(cam.param.name);
            LoadConditions(elements[i], cam.conditions, camLog);
            cameras.push_back(std::move(cam));
        }
    } catch (const std::exception& e) {
        // Out of memory while reading: the cameras made so far stay.
        log.Error("Loading configuration file failed. [Reason=%s]", e.what());
    }
    return deleteLog;
}

bool ConfigDocument::LoadConfiguration(CLogger& log, const CameraLogFn& cameraLog) {
    lastError_.clear();
    if (int stale = RemoveStaleTemporaries(Path()))
        log.Warning("Removed %d temporary copies of %s left by an interrupted save", stale,
                    Path().c_str());
    system = MakeDefaultSystemInfo(programDir_);
    cameras.clear();
    std::string reason;
    auto doc = LoadXmlFile(Path(), &log, &reason);
    if (!doc) {
        if (!reason.empty()) lastError_ = Path() + ": " + reason;
        return false;
    }
    if (ReadDocument(*doc, log, cameraLog)) DeleteFile(JoinPath(system.logFilePath, kLogFileName));
    return true;
}

bool ConfigDocument::BuildDocument(pugi::xml_document& doc, CLogger& log,
                                   const CameraLogFn& cameraLog) const {
    try {
        AppendXmlDeclaration(doc);
        pugi::xml_node root = AppendElement(doc, "OcvML");
        if (!SaveSystemInfo(AppendElement(root, "SystemInfo"), system)) return false;
        for (size_t i = 0; i < cameras.size(); ++i) {
            CLogger& camLog = cameraLog ? cameraLog(i) : log;
            pugi::xml_node cam = AppendElement(root, "Camera");
            if (!cam.append_attribute("no").set_value(std::to_string(i + 1).c_str()))
                throw XmlError("Not enough memory");
            if (!SaveConditions(cam, cameras[i].conditions, camLog)) return false;
            if (!SaveOcvParamToNode(cam, cameras[i].param, camLog)) return false;
        }
        return true;
    } catch (const std::exception& e) {
        log.Error("Saving configuration file failed. [Reason=%s]", e.what());
        return false;
    }
}

bool ConfigDocument::SaveConfiguration(CLogger& log, const CameraLogFn& cameraLog) const {
    lastError_.clear();
    pugi::xml_document doc;
    if (!BuildDocument(doc, log, cameraLog)) return false;
    return SaveXmlFile(doc, Path(), &lastError_);
}

}  // namespace ocv
