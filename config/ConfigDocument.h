#pragma once
// The configuration document "ocv.xml" in the program directory: the system record and, in
// document order, every camera's start-up conditions, parameter record and device information.
// Shared by the desktop shell and the headless program; it holds no windows.
#include <functional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "config/OcvParam.h"
#include "config/SystemInfo.h"

namespace ocv {

class CLogger;

// One camera: its parameter record (with its device information) and its window conditions.
struct CameraConfig {
    OcvParam param;
    ConditionSetting conditions;

    bool operator==(const CameraConfig&) const = default;
};

// Chooses the logger that reports a camera's problems, by the camera's position (0-based: the
// position of its element when loading, its index when saving).
using CameraLogFn = std::function<CLogger&(size_t index)>;

class ConfigDocument {
public:
    static constexpr const char* kFileName = "ocv.xml";
    static constexpr const char* kLogFileName = "log.txt";

    // The system record at its defaults, no cameras.
    explicit ConfigDocument(std::string programDir);

    const std::string& ProgramDir() const { return programDir_; }
    std::string Path() const;
    // A new camera with every default.
    CameraConfig NewCamera() const;

    // Removes the temporary copies an interrupted save left beside the file (one warning when
    // there were any), resets the system record and the camera list, then reads the document.
    // False (nothing loaded) when the file is missing, cannot be read or does not parse; a
    // parse failure is reported with the error box "XML Perse Failed! [path], [reason]" on log.
    // Cameras whose "OcvParam" or "DeviceInfo" is missing are reported and left out. When
    // "Delete" is set (and both system sections were present) the log file is deleted once.
    bool LoadConfiguration(CLogger& log, const CameraLogFn& cameraLog = {});
    // Writes the whole document anew, atomically; false (the old file untouched) on failure.
    bool SaveConfiguration(CLogger& log, const CameraLogFn& cameraLog = {}) const;
    // Why the last load or save failed: the path and the system's reason ("" when it did not
    // fail on the file itself).
    const std::string& LastError() const { return lastError_; }

    // The same two steps on a document in memory. ReadDocument does not reset the records and
    // deletes no file; it returns whether the log file should be deleted.
    bool ReadDocument(const pugi::xml_document& doc, CLogger& log,
                      const CameraLogFn& cameraLog = {});
    bool BuildDocument(pugi::xml_document& doc, CLogger& log,
                       const CameraLogFn& cameraLog = {}) const;

    SystemInfo system;
    std::vector<CameraConfig> cameras;

private:
    std::string programDir_;
    mutable std::string lastError_;
};

}  // namespace ocv
