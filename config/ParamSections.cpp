#include "config/ParamSections.h"

#include <cstring>
#include <exception>
#include <string>
#include <type_traits>

#include "config/ParamFields.h"
#include "config/ParamRanges.h"
#include "config/XmlMeta.h"
#include "foundation/Logger.h"

namespace ocv {
namespace {

const char* const kFormatWords[] = {"BMP", "JPEG", "PNG", "GIF"};

// Reads each listed field from the section's metas.
struct MetaLoader {
    pugi::xml_node section;
    CLogger* log;

    void Int(const char* key, int32_t& f) {
        int32_t before = f;
        if (ReadMetaInt(section, key, f, log)) Fit(key, f, before, std::to_string(f));
    }
    void Byte(const char* key, uint8_t& f) { ReadMetaByte(section, key, f, log); }
    void Float(const char* key, float& f) {
        float before = f;
        if (ReadMetaFloat(section, key, f, log)) Fit(key, f, before, FormatMetaFloat(f));
    }
    // A value out of its range is clamped or replaced by the field's value before reading (its
    // default), with one warning naming the key, the value in the document and the value used.
    template <class T>
    void Fit(const char* key, T& f, T before, const std::string& readText) {
        const ParamRange* range = FindParamRange(section.name(), key);
        if (!range) return;
        T used = FitToRange(*range, f, before);
        if (used == f) return;
        if (log) {
            const char* raw = GetMetaValue(section, key);
            std::string shown = raw ? CutUtf8(raw, 40) : readText;
            std::string usedText = std::is_same_v<T, float>
                                       ? FormatMetaFloat(static_cast<float>(used))
                                       : std::to_string(used);
            log->Warning("%s", OutOfRangeText(*range, shown, usedText).c_str());
        }
        f = used;
    }
    void Text(const char* key, std::string& f, size_t cap) {
        ReadMetaString(section, key, f, cap, log);
    }
    void Format(const char* key, int32_t& f) {
        const char* v = GetMetaValue(section, key);
        if (!v) return;
        for (int32_t i = 0; i < 4; ++i) {
            if (std::strcmp(v, kFormatWords[i]) == 0) {
                f = i;
                return;
            }
        }
        if (log)
            log->Warning("Setting <%s> ignored: unknown word [%s]", key, CutUtf8(v, 40).c_str());
    }
    void Body(std::string& f) {
        pugi::xml_node body = FindSection(section, "MailBody");
        if (!body || !body.first_child()) return;
        // The body is one CDATA section; a body holding "]]>" is written as several adjacent
        // ones, so the leading run of text children is taken together.
        std::string raw;
        for (pugi::xml_node c = body.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_cdata && c.type() != pugi::node_pcdata) break;
            raw += c.value();
            if (raw.size() > 2 * SmtpInfo::kBodyCapacity) break;  // enough to fill the field
        }
        // The program holds line breaks as CR LF: every LF without a CR before it gets one.
        std::string text;
        text.reserve(raw.size() + 16);
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) text += '\r';
            text += raw[i];
        }
        if (text.size() >= SmtpInfo::kBodyCapacity) {
            text = CutUtf8(text, SmtpInfo::kBodyCapacity - 1);
            if (log) log->Warning("Mail body cut to %zu bytes", text.size());
        }
        f = std::move(text);
    }
};

// Appends each listed field to the element as a meta.
struct MetaSaver {
    pugi::xml_node element;

    void Int(const char* key, int32_t f) { AddMetaInt(element, key, f); }
    void Byte(const char* key, uint8_t f) { AddMetaInt(element, key, f); }
    void Float(const char* key, float f) { AddMetaFloat(element, key, f); }
    void Text(const char* key, const std::string& f, size_t) { AddMeta(element, key, f); }
    void Format(const char* key, int32_t f) {
        AddMeta(element, key, f >= 0 && f < 4 ? kFormatWords[f] : "");
    }
    void Body(const std::string& f) {
        pugi::xml_node body = AppendElement(element, "MailBody");
        pugi::xml_node cdata = body.append_child(pugi::node_cdata);
        if (!cdata || !cdata.set_value(f.c_str())) throw XmlError("Not enough memory");
    }
};

// Runs one section operation, turning a DOM failure into the section's message and 0.
template <class Fn>
int Guard(CLogger& log, bool saving, const char* tag, Fn&& fn) {
    try {
        return fn();
    } catch (const std::exception& e) {
        log.Error(saving ? "Saving configuration file failed.（%s) [Reason=%s]"
                         : "Loading configuration file failed.（%s) [Reason=%s]",
                  tag, e.what());
        return 0;
    }
}

// Looks up a sub-section and loads it; a missing one is reported with the parent's tag.
template <class Rec, class LoadFn>
bool LoadSub(pugi::xml_node section, const char* sub, const char* tag, Rec& r, CLogger& log,
             LoadFn load) {
    pugi::xml_node node = FindSection(section, sub);
    if (!node) {
        log.Error("Loading configuration file failed.（%s) <%s>node not found!", tag, sub);
        return false;
    }
    return load(node, r, log) != 0;
}

// Loads the three targets of a capture mode: Local, then FTP, then SMTP.
template <class Rec>
bool LoadTargets(pugi::xml_node section, const char* tag, Rec& r, CLogger& log) {
    return LoadSub(section, "Local", tag, r.local, log, LoadLocalSetting) &&
           LoadSub(section, "FTP", tag, r.ftp, log, LoadFtpInfo) &&
           LoadSub(section, "SMTP", tag, r.smtp, log, LoadSmtpInfo);
}

template <class Rec>
bool SaveTargets(pugi::xml_node element, const Rec& r, CLogger& log) {
    return SaveLocalSetting(element, r.local, log) && SaveFtpInfo(element, r.ftp, log) &&
           SaveSmtpInfo(element, r.smtp, log);
}

}  // namespace

int LoadTextStyle(pugi::xml_node section, TextStyle& r, CLogger& log) {
    return Guard(log, false, "FONTSETTING", [&] {
        MetaLoader v{section, &log};
        fields::TextStyleFields(r, v);
        return 1;
    });
}

int SaveTextStyle(pugi::xml_node parent, const char* tag, const TextStyle& r, CLogger& log) {
    return Guard(log, true, "FONTSETTING", [&] {
        MetaSaver v{AppendElement(parent, tag)};
        fields::TextStyleFields(r, v);
        return 1;
    });
}

int LoadImageSettings(pugi::xml_node section, ImageSettings& r, CLogger& log) {
    return Guard(log, false, "IMAGESETTING", [&] {
        MetaLoader v{section, &log};
        fields::ImageSettingsFields(r, v);
        return LoadSub(section, "FontDateTime", "IMAGESETTING", r.fontDateTime, log,
                       LoadTextStyle) &&
                       LoadSub(section, "FontName", "IMAGESETTINGO", r.fontName, log, LoadTextStyle)
                   ? 1
                   : 0;
    });
}

int SaveImageSettings(pugi::xml_node parent, const ImageSettings& r, CLogger& log) {
    return Guard(log, true, "IMAGESETTING", [&] {
        MetaSaver v{AppendElement(parent, "Image")};
        fields::ImageSettingsFields(r, v);
        return SaveTextStyle(v.element, "FontDateTime", r.fontDateTime, log) &&
                       SaveTextStyle(v.element, "FontName", r.fontName, log)
                   ? 1
                   : 0;
    });
}

int LoadLocalSetting(pugi::xml_node section, LocalSetting& r, CLogger& log) {
    return Guard(log, false, "LOCALSETTING", [&] {
        MetaLoader v{section, &log};
        fields::LocalSettingFields(r, v);
        return LoadSub(section, "Image", "LOCALSETTING", r.image, log, LoadImageSettings) ? 1 : 0;
    });
}

int SaveLocalSetting(pugi::xml_node parent, const LocalSetting& r, CLogger& log) {
    return Guard(log, true, "LOCALSETTING", [&] {
        MetaSaver v{AppendElement(parent, "Local")};
        fields::LocalSettingFields(r, v);
        return SaveImageSettings(v.element, r.image, log);
    });
}

int LoadFtpInfo(pugi::xml_node section, FtpInfo& r, CLogger& log) {
    return Guard(log, false, "FTPINFO", [&] {
        MetaLoader v{section, &log};
        fields::FtpInfoFields(r, v);
        return LoadSub(section, "Image", "FTPINFO", r.image, log, LoadImageSettings) ? 1 : 0;
    });
}

int SaveFtpInfo(pugi::xml_node parent, const FtpInfo& r, CLogger& log) {
    return Guard(log, true, "FTPINFO", [&] {
        MetaSaver v{AppendElement(parent, "FTP")};
        fields::FtpInfoFields(r, v);
        return SaveImageSettings(v.element, r.image, log);
    });
}

int LoadSmtpInfo(pugi::xml_node section, SmtpInfo& r, CLogger& log) {
    return Guard(log, false, "SMTPINFO", [&] {
        MetaLoader v{section, &log};
        fields::SmtpInfoFields(r, v);
        return LoadSub(section, "Image", "SMTPINFO", r.image, log, LoadImageSettings) ? 1 : 0;
    });
}

int SaveSmtpInfo(pugi::xml_node parent, const SmtpInfo& r, CLogger& log) {
    return Guard(log, true, "SMTPINFO", [&] {
        MetaSaver v{AppendElement(parent, "SMTP")};
        fields::SmtpInfoFields(r, v);
        return SaveImageSettings(v.element, r.image, log);
    });
}

int LoadVistrelSetting(pugi::xml_node section, VistrelSetting& r, CLogger& log) {
    return Guard(log, false, "VISTRELSETTING", [&] {
        MetaLoader v{section, &log};
        fields::VistrelFields(r, v);
        return LoadTargets(section, "VISTRELSETTING", r, log) ? 1 : 0;
    });
}

int SaveVistrelSetting(pugi::xml_node parent, const VistrelSetting& r, CLogger& log) {
    return Guard(log, true, "VISTRELSETTING", [&] {
        MetaSaver v{AppendElement(parent, "Live")};
        fields::VistrelFields(r, v);
        return SaveTargets(v.element, r, log) ? 1 : 0;
    });
}

int LoadMotionCapSetting(pugi::xml_node section, MotionCapSetting& r, CLogger& log) {
    return Guard(log, false, "MOTIONCAPSETTING", [&] {
        MetaLoader v{section, &log};
        fields::MotionFields(r, v);
        return LoadTargets(section, "MOTIONCAPSETTING", r, log) ? 1 : 0;
    });
}

int SaveMotionCapSetting(pugi::xml_node parent, const MotionCapSetting& r, CLogger& log) {
    return Guard(log, true, "MOTIONCAPSETTING", [&] {
        MetaSaver v{AppendElement(parent, "Motion")};
        fields::MotionFields(r, v);
        return SaveTargets(v.element, r, log) ? 1 : 0;
    });
}

int LoadSnapShotSetting(pugi::xml_node section, SnapShotSetting& r, CLogger& log) {
    return Guard(log, false, "SNAPSHOTSETTING", [&] {
        MetaLoader v{section, &log};
        fields::SnapShotFields(r, v);
        return LoadTargets(section, "SNAPSHOTSETTING", r, log) ? 1 : 0;
    });
}

int SaveSnapShotSetting(pugi::xml_node parent, const SnapShotSetting& r, CLogger& log) {
    return Guard(log, true, "SNAPSHOTSETTING", [&] {
        MetaSaver v{AppendElement(parent, "SnapShot")};
        fields::SnapShotFields(r, v);
        return SaveTargets(v.element, r, log) ? 1 : 0;
    });
}

int LoadRecordingInfo(pugi::xml_node section, RecordingInfo& r, CLogger& log) {
    return Guard(log, false, "RECORDINGINFO", [&] {
        MetaLoader v{section, &log};
        fields::RecordingFields(r, v);
        return LoadSub(section, "Local", "RECORDINGINFO", r.local, log, LoadLocalSetting) ? 1 : 0;
    });
}

int SaveRecordingInfo(pugi::xml_node parent, const RecordingInfo& r, CLogger& log) {
    return Guard(log, true, "RECORDINGINFO", [&] {
        MetaSaver v{AppendElement(parent, "Recording")};
        fields::RecordingFields(r, v);
        return SaveLocalSetting(v.element, r.local, log);
    });
}

int LoadScheduleSetting(pugi::xml_node section, ScheduleSetting& r, CLogger& log) {
    return Guard(log, false, "SCHEDULESETTING", [&] {
        MetaLoader v{section, &log};
        fields::ScheduleFields(r, v);
        return 1;
    });
}

int SaveScheduleSetting(pugi::xml_node parent, const ScheduleSetting& r, CLogger& log) {
    return Guard(log, true, "SCHEDULESETTING", [&] {
        MetaSaver v{AppendElement(parent, "Schedule")};
        fields::ScheduleFields(r, v);
        return 1;
    });
}

int LoadWebServerSetting(pugi::xml_node section, WebServerSetting& r, CLogger& log) {
    return Guard(log, false, "WEBSERVERSETTING", [&] {
        MetaLoader v{section, &log};
        fields::WebServerFields(r, v);
        return 1;
    });
}

int SaveWebServerSetting(pugi::xml_node parent, const WebServerSetting& r, CLogger& log) {
    return Guard(log, true, "WEBSERVERSETTING", [&] {
        MetaSaver v{AppendElement(parent, "WebServer")};
        fields::WebServerFields(r, v);
        return 1;
    });
}

int LoadDeviceInfo(pugi::xml_node section, DeviceInfo& r, CLogger& log) {
    try {
        MetaLoader v{section, &log};
        fields::DeviceInfoFields(r, v);
        return 1;
    } catch (const std::exception& e) {
        log.Error("Loading device information Failed!（DEVICEINFO) [Reason=%s]", e.what());
        return 0;
    }
}

int SaveDeviceInfo(pugi::xml_node parent, const DeviceInfo& r, CLogger& log) {
    try {
        MetaSaver v{AppendElement(parent, "DeviceInfo")};
        fields::DeviceInfoFields(r, v);
        return 1;
    } catch (const std::exception& e) {
        log.Error("Saving device information Failed!（DEVICEINFO) [Reason=%s]", e.what());
        return 0;
    }
}

int LoadConditions(pugi::xml_node camera, ConditionSetting& r, CLogger& log) {
    try {
        pugi::xml_node section = FindSection(camera, "ConditionSetting");
        if (!section) {
            log.Error(
                "Loading camera information Failed! [Reason=<ConditionSetting>node not found!]");
            ResetConditions(r);
            return 0;
        }
        MetaLoader v{section, &log};
        fields::ConditionFields(r, v);
        return 1;
    } catch (const std::exception& e) {
        log.Error("Loading status information Failed!（CONDSETTING) [Reason=%s]", e.what());
        return 0;
    }
}

int SaveConditions(pugi::xml_node camera, const ConditionSetting& r, CLogger& log) {
    try {
        MetaSaver v{AppendElement(camera, "ConditionSetting")};
        fields::ConditionFields(r, v);
        return 1;
    } catch (const std::exception& e) {
        log.Error("Saving status information Failed!（CONDSETTING) [Reason=%s]", e.what());
        return 0;
    }
}

int LoadOcvParamElement(pugi::xml_node ocvParam, OcvParam& r, CLogger& log) {
    return Guard(log, false, "OCVPARAM", [&] {
        ReadMetaString(ocvParam, "name", r.name, OcvParam::kNameCapacity, &log);
        // Each section is read only when present; a failing section does not stop the others.
        if (pugi::xml_node s = FindSection(ocvParam, "Live")) LoadVistrelSetting(s, r.vistrel, log);
        if (pugi::xml_node s = FindSection(ocvParam, "Motion"))
            LoadMotionCapSetting(s, r.motion, log);
        if (pugi::xml_node s = FindSection(ocvParam, "SnapShot"))
            LoadSnapShotSetting(s, r.snapShot, log);
        if (pugi::xml_node s = FindSection(ocvParam, "Schedule"))
            LoadScheduleSetting(s, r.schedule, log);
        if (pugi::xml_node s = FindSection(ocvParam, "WebServer"))
            LoadWebServerSetting(s, r.webServer, log);
        if (pugi::xml_node s = FindSection(ocvParam, "Recording"))
            LoadRecordingInfo(s, r.recording, log);
        return 1;
    });
}

int SaveOcvParamElement(pugi::xml_node parent, const OcvParam& r, CLogger& log) {
    return Guard(log, true, "OCVPARAM", [&] {
        pugi::xml_node e = AppendElement(parent, "OcvParam");
        AddMeta(e, "name", r.name);
        return SaveVistrelSetting(e, r.vistrel, log) && SaveMotionCapSetting(e, r.motion, log) &&
                       SaveSnapShotSetting(e, r.snapShot, log) &&
                       SaveScheduleSetting(e, r.schedule, log) &&
                       SaveWebServerSetting(e, r.webServer, log) &&
                       SaveRecordingInfo(e, r.recording, log)
                   ? 1
                   : 0;
    });
}

bool LoadOcvParamFromNode(pugi::xml_node camera, OcvParam& r, CLogger& log) {
    pugi::xml_node ocvParam = FindSection(camera, "OcvParam");
    if (!ocvParam) {
        log.Error("Loading configuration file failed. [Reason=<OcvParam>node not found!]");
        return false;
    }
    if (!LoadOcvParamElement(ocvParam, r, log)) return false;
    pugi::xml_node device = FindSection(camera, "DeviceInfo");
    if (!device) {
        log.Error("Loading device information Failed! [Reason=<DeviceInfo>node not found!]");
        return false;
    }
    return LoadDeviceInfo(device, r.deviceInfo, log) != 0;
}

bool SaveOcvParamToNode(pugi::xml_node camera, const OcvParam& r, CLogger& log) {
    if (!SaveOcvParamElement(camera, r, log)) return false;
    return SaveDeviceInfo(camera, r.deviceInfo, log) != 0;
}

bool LoadSystemInfo(pugi::xml_node systemInfo, SystemInfo& r, CLogger* log) {
    pugi::xml_node logSection = FindSection(systemInfo, "Log");
    if (!logSection) return false;
    MetaLoader logReader{logSection, log};
    fields::SystemLogFields(r, logReader);
    pugi::xml_node mail = FindSection(systemInfo, "MailCommand");
    if (!mail) return false;
    MetaLoader mailReader{mail, log};
    fields::SystemMailFields(r, mailReader);
    return true;
}

bool SaveSystemInfo(pugi::xml_node systemInfo, const SystemInfo& r) {
    try {
        MetaSaver logWriter{AppendElement(systemInfo, "Log")};
        fields::SystemLogFields(r, logWriter);
        MetaSaver mailWriter{AppendElement(systemInfo, "MailCommand")};
        fields::SystemMailFields(r, mailWriter);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace ocv
