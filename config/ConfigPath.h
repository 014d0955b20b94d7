#pragma once
// Single settings of the configuration document addressed by a path, for reading and changing
// them from the command line without editing the XML by hand.
//
//   system/Log/Debug Mode                   a key of the system record ("Log", "MailCommand")
//   camera:N/Live/Vistrel Timer             a key of the N-th camera (1-based, document order)
//   camera:N/Live/FTP/Image/FontName/Height sub-sections as nested below the section
//   camera:N/name, camera:N/DeviceInfo/..., camera:N/ConditionSetting/...
//   camera:N/Live/SMTP/MailBody             the mail body element
//
// The list of paths and their kinds comes from the same field tables that load and save the
// records, so every stored key has a path and nothing else does.
#include <cstddef>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "config/ConfigDocument.h"

namespace ocv {

enum class KeyKind { Int, Byte, Float, Text, Format, Body };

struct KeyInfo {
    std::string path;                   // below the scope: "Live/Vistrel Timer", "Log/Delete"
    std::vector<std::string> elements;  // element chain below the scope element
    std::string key;                    // meta name; "MailBody" for the body element
    std::string block;                  // record the key belongs to: "FTP", "Image", "Log", ...
    KeyKind kind = KeyKind::Int;
    size_t capacity = 0;      // text kinds: bytes including the terminator
    std::string defaultText;  // the default as it is written into the document
};

// Every key of the system record and of a new camera (defaults from `programDir`), in the order
// in which they are written.
std::vector<KeyInfo> SystemKeys(const std::string& programDir);
std::vector<KeyInfo> CameraKeys(const std::string& programDir);

// A path split into its scope and the part below it.
struct ConfigPath {
    bool system = false;
    size_t camera = 0;  // 1-based when !system
    std::string rest;   // "Live/Vistrel Timer"
};
bool ParseConfigPath(const std::string& text, ConfigPath& out, std::string& error);
// "PATH=VALUE", split at the first "=".
bool SplitAssignment(const std::string& text, std::string& path, std::string& value,
                     std::string& error);

// The value of a path in the records as loaded, written as the document writes it.
bool GetConfigValue(const ConfigDocument& doc, const std::string& path, std::string& value,
                    std::string& error);

// Changes one value in a parsed document. The value must parse completely as the key's kind and
// fit its field; the edited document is then read with the loader and must give exactly the
// records of the original with only this field changed (a loader that corrects or ignores the
// value refuses it). On any refusal `dom` is left as it was and `error` says why.
bool SetConfigValue(pugi::xml_document& dom, const std::string& programDir, const std::string& path,
                    const std::string& value, std::string& error);

}  // namespace ocv
