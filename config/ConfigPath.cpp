#include "config/ConfigPath.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "config/ParamFields.h"
#include "config/XmlMeta.h"
#include "foundation/Logger.h"

namespace ocv {
namespace {

const char* const kFormatWords[] = {"BMP", "JPEG", "PNG", "GIF"};
constexpr size_t kMaxCameraNumber = 100000;

// Receives every field of a record with the path and element chain leading to it.
class PathVisitor {
public:
    virtual ~PathVisitor() = default;

    void Enter(const char* pathSegment, const char* element, const char* block) {
        path_.push_back(pathSegment);
        elements_.push_back(element);
        blocks_.push_back(block);
    }
    void Leave() {
        path_.pop_back();
        elements_.pop_back();
        blocks_.pop_back();
    }

    void Int(const char* key, int32_t& f) { Field(key, KeyKind::Int, 0, &f); }
    void Byte(const char* key, uint8_t& f) { Field(key, KeyKind::Byte, 0, &f); }
    void Float(const char* key, float& f) { Field(key, KeyKind::Float, 0, &f); }
    void Text(const char* key, std::string& f, size_t cap) { Field(key, KeyKind::Text, cap, &f); }
    void Format(const char* key, int32_t& f) { Field(key, KeyKind::Format, 0, &f); }
    void Body(std::string& f) { Field("MailBody", KeyKind::Body, SmtpInfo::kBodyCapacity, &f); }

protected:
    virtual void Field(const char* key, KeyKind kind, size_t cap, void* field) = 0;

    std::string PathOf(const char* key) const {
        std::string p;
        for (const std::string& s : path_)
            if (!s.empty()) p += s + "/";
        return p + key;
    }
    const std::vector<std::string>& Elements() const { return elements_; }
    const std::string& Block() const { return blocks_.back(); }

private:
    std::vector<std::string> path_, elements_, blocks_;
};

template <class Fn>
void Section(PathVisitor& v, const char* name, Fn&& fn, const char* block = nullptr) {
    v.Enter(name, name, block ? block : name);
    fn();
    v.Leave();
}

void WalkImage(ImageSettings& im, PathVisitor& v) {
    fields::ImageSettingsFields(im, v);
    Section(
        v, "FontDateTime", [&] { fields::TextStyleFields(im.fontDateTime, v); }, "Font");
    Section(
        v, "FontName", [&] { fields::TextStyleFields(im.fontName, v); }, "Font");
}

void WalkLocal(LocalSetting& r, PathVisitor& v) {
    Section(v, "Local", [&] {
        fields::LocalSettingFields(r, v);
        Section(v, "Image", [&] { WalkImage(r.image, v); });
    });
}

template <class Rec>
void WalkTargets(Rec& r, PathVisitor& v) {
    WalkLocal(r.local, v);
    Section(v, "FTP", [&] {
        fields::FtpInfoFields(r.ftp, v);
        Section(v, "Image", [&] { WalkImage(r.ftp.image, v); });
    });
    Section(v, "SMTP", [&] {
        fields::SmtpInfoFields(r.smtp, v);
        Section(v, "Image", [&] { WalkImage(r.smtp.image, v); });
    });
}

void WalkCamera(CameraConfig& c, PathVisitor& v) {
    OcvParam& p = c.param;
    v.Enter("", "OcvParam", "OcvParam");
    v.Text("name", p.name, OcvParam::kNameCapacity);
    Section(v, "Live", [&] {
        fields::VistrelFields(p.vistrel, v);
        WalkTargets(p.vistrel, v);
    });
    Section(v, "Motion", [&] {
        fields::MotionFields(p.motion, v);
        WalkTargets(p.motion, v);
    });
    Section(v, "SnapShot", [&] {
        fields::SnapShotFields(p.snapShot, v);
        WalkTargets(p.snapShot, v);
    });
    Section(v, "Schedule", [&] { fields::ScheduleFields(p.schedule, v); });
    Section(v, "WebServer", [&] { fields::WebServerFields(p.webServer, v); });
    Section(v, "Recording", [&] {
        fields::RecordingFields(p.recording, v);
        WalkLocal(p.recording.local, v);
    });
    v.Leave();
    Section(v, "DeviceInfo", [&] { fields::DeviceInfoFields(p.deviceInfo, v); });
    Section(v, "ConditionSetting", [&] { fields::ConditionFields(c.conditions, v); });
}

void WalkSystem(SystemInfo& s, PathVisitor& v) {
    Section(v, "Log", [&] { fields::SystemLogFields(s, v); });
    Section(v, "MailCommand", [&] { fields::SystemMailFields(s, v); });
}

std::string FormatField(KeyKind kind, const void* f) {
    switch (kind) {
        case KeyKind::Int: return std::to_string(*static_cast<const int32_t*>(f));
        case KeyKind::Byte: return std::to_string(*static_cast<const uint8_t*>(f));
        case KeyKind::Float: return FormatMetaFloat(*static_cast<const float*>(f));
        case KeyKind::Format: {
            int32_t v = *static_cast<const int32_t*>(f);
            return v >= 0 && v < 4 ? kFormatWords[v] : "";
        }
        case KeyKind::Text:
        case KeyKind::Body: return *static_cast<const std::string*>(f);
    }
    return {};
}

class Collector : public PathVisitor {
public:
    std::vector<KeyInfo> keys;

protected:
    void Field(const char* key, KeyKind kind, size_t cap, void* field) override {
        KeyInfo k;
        k.path = PathOf(key);
        k.elements = Elements();
        k.key = key;
        k.block = Block();
        k.kind = kind;
        k.capacity = cap;
        k.defaultText = FormatField(kind, field);
        keys.push_back(std::move(k));
    }
};

// Finds the field of one path.
class Finder : public PathVisitor {
public:
    explicit Finder(std::string path) : target_(std::move(path)) {}
    void* field = nullptr;
    KeyKind kind = KeyKind::Int;
    size_t capacity = 0;

protected:
    void Field(const char* key, KeyKind k, size_t cap, void* f) override {
        if (field || PathOf(key) != target_) return;
        field = f;
        kind = k;
        capacity = cap;
    }

private:
    std::string target_;
};

bool ValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        uint32_t cp = n == 1 ? c : c & (0x7f >> n);
        for (size_t j = 1; j < n; ++j) {
            unsigned char d = static_cast<unsigned char>(s[i + j]);
            if ((d >> 6) != 2) return false;
            cp = (cp << 6) | (d & 0x3f);
        }
        // No overlong forms, surrogates or values beyond Unicode.
        static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
        i += n;
    }
    return true;
}

bool ParseWholeInt(const std::string& text, long long lo, long long hi, long long& out) {
    if (text.empty()) return false;
    const char* b = text.data();
    const char* e = b + text.size();
    if (*b == '+') {
        ++b;
        if (b != e && *b == '-') return false;
    }
    long long v = 0;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e || b == e) return false;
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

// The value as the document writes it, when it parses completely as the kind and fits.
bool CanonicalValue(KeyKind kind, size_t cap, const std::string& value, std::string& canonical,
                    std::string& error) {
    switch (kind) {
        case KeyKind::Int:
        case KeyKind::Byte: {
            long long v = 0;
            long long lo = kind == KeyKind::Byte ? 0 : INT32_MIN;
            long long hi = kind == KeyKind::Byte ? 255 : INT32_MAX;
            if (!ParseWholeInt(value, lo, hi, v)) {
                error = "\"" + value + "\" is not an integer from " + std::to_string(lo) + " to " +
                        std::to_string(hi);
                return false;
            }
            canonical = std::to_string(v);
            return true;
        }
        case KeyKind::Float: {
            float v = 0;
            const char* b = value.data();
            const char* e = b + value.size();
            if (b != e && *b == '+') ++b;
            if (b != e && *b == '-' && b != value.data()) b = e;  // "+-1"
            auto [p, ec] = std::from_chars(b, e, v);
            if (value.empty() || ec != std::errc() || p != e || !std::isfinite(v)) {
                error = "\"" + value + "\" is not a decimal number";
                return false;
            }
            canonical = FormatMetaFloat(v);
            return true;
        }
        case KeyKind::Format:
            for (const char* w : kFormatWords) {
                if (value == w) {
                    canonical = value;
                    return true;
                }
            }
            error = "\"" + value + "\" is not one of BMP, JPEG, PNG, GIF";
            return false;
        case KeyKind::Text:
        case KeyKind::Body: {
            if (value.size() >= cap) {
                error = "the text has " + std::to_string(value.size()) + " bytes; at most " +
                        std::to_string(cap - 1) + " fit";
                return false;
            }
            if (!ValidUtf8(value)) {
                error = "the text is not valid UTF-8";
                return false;
            }
            for (unsigned char c : value) {
                bool lineBreak = kind == KeyKind::Body && (c == '\r' || c == '\n' || c == '\t');
                if ((c < 0x20 || c == 0x7f) && !lineBreak) {
                    error = "the text holds control characters";
                    return false;
                }
            }
            canonical = value;
            return true;
        }
    }
    return false;
}

// Stores a canonical value into a record field as the loader would read it.
void StoreField(KeyKind kind, void* f, const std::string& canonical) {
    switch (kind) {
        case KeyKind::Int: *static_cast<int32_t*>(f) = ParseMetaInt(canonical.c_str()); break;
        case KeyKind::Byte:
            *static_cast<uint8_t*>(f) = static_cast<uint8_t>(ParseMetaInt(canonical.c_str()));
            break;
        case KeyKind::Float: *static_cast<float*>(f) = ParseMetaFloat(canonical.c_str()); break;
        case KeyKind::Format:
            for (int32_t i = 0; i < 4; ++i)
                if (canonical == kFormatWords[i]) *static_cast<int32_t*>(f) = i;
            break;
        case KeyKind::Text: *static_cast<std::string*>(f) = canonical; break;
        case KeyKind::Body: {
            // The loader holds line breaks as CR LF.
            std::string text;
            for (size_t i = 0; i < canonical.size(); ++i) {
                if (canonical[i] == '\n' && (i == 0 || canonical[i - 1] != '\r')) text += '\r';
                text += canonical[i];
            }
            *static_cast<std::string*>(f) = text;
            break;
        }
    }
}

// Collects what the loader reports while reading a document.
class CaptureSink : public ILogNotifySink {
public:
    std::vector<std::string> lines;
    void Notify(const std::string& text, int) override { lines.push_back(text); }
    void ShowMessageBox(const std::string&) override {}
};

struct LoadedRecords {
    ConfigDocument doc;
    std::vector<std::string> messages;
};

LoadedRecords Load(const pugi::xml_document& dom, const std::string& programDir) {
    LoadedRecords r{ConfigDocument(programDir), {}};
    auto sink = std::make_shared<CaptureSink>();
    CLogger log;
    log.SetPath("/dev/null");
    log.SetMessageBox(0);
    log.SetNotifySink(sink);
    r.doc.ReadDocument(dom, log);
    r.messages = std::move(sink->lines);
    return r;
}

// The first meta named `key` in the section's subtree: the one the loader reads.
pugi::xml_node FindMetaNode(pugi::xml_node section, const std::string& key) {
    for (pugi::xml_node m : FindElements(section, "meta")) {
        pugi::xml_attribute name = m.attribute("name");
        if (name && key == name.value()) return m;
    }
    return {};
}

bool WriteIntoDom(pugi::xml_node scope, const KeyInfo& info, const std::string& canonical,
                  const std::string& where, std::string& error) {
    pugi::xml_node node = scope;
    std::string chain;
    for (const std::string& e : info.elements) {
        chain += "<" + e + ">";
        node = FindSection(node, e.c_str());
        if (!node) {
            error = where + " has no " + chain + " element in the document";
            return false;
        }
    }
    if (info.kind == KeyKind::Body) {
        pugi::xml_node body = FindSection(node, "MailBody");
        if (!body) body = node.append_child("MailBody");
        while (body && body.first_child()) body.remove_child(body.first_child());
        pugi::xml_node cdata = body ? body.append_child(pugi::node_cdata) : pugi::xml_node();
        return cdata && cdata.set_value(canonical.c_str());
    }
    pugi::xml_node meta = FindMetaNode(node, info.key);
    if (!meta) {
        meta = node.append_child("meta");
        if (!meta || !meta.append_attribute("name").set_value(info.key.c_str())) return false;
    }
    pugi::xml_attribute v = meta.attribute("value");
    if (!v) v = meta.append_attribute("value");
    return v && v.set_value(canonical.c_str());
}

const KeyInfo* FindKey(const std::vector<KeyInfo>& keys, const std::string& rest) {
    for (const KeyInfo& k : keys)
        if (k.path == rest) return &k;
    return nullptr;
}

}  // namespace

std::vector<KeyInfo> SystemKeys(const std::string& programDir) {
    SystemInfo s = MakeDefaultSystemInfo(programDir);
    Collector c;
    WalkSystem(s, c);
    return c.keys;
}

std::vector<KeyInfo> CameraKeys(const std::string& programDir) {
    CameraConfig cam = ConfigDocument(programDir).NewCamera();
    Collector c;
    WalkCamera(cam, c);
    return c.keys;
}

bool ParseConfigPath(const std::string& text, ConfigPath& out, std::string& error) {
    size_t slash = text.find('/');
    std::string scope = text.substr(0, slash);
    out = ConfigPath{};
    if (slash == std::string::npos || slash + 1 >= text.size()) {
        error = "\"" + text + "\" is not a setting path (system/SECTION/KEY or camera:N/...)";
        return false;
    }
    out.rest = text.substr(slash + 1);
    if (scope == "system") {
        out.system = true;
        return true;
    }
    long long n = 0;
    if (scope.rfind("camera:", 0) == 0 && ParseWholeInt(scope.substr(7), 1, kMaxCameraNumber, n) &&
        scope[7] != '+') {
        out.camera = static_cast<size_t>(n);
        return true;
    }
    error = "\"" + scope + "\" is neither \"system\" nor \"camera:N\" with N from 1";
    return false;
}

bool SplitAssignment(const std::string& text, std::string& path, std::string& value,
                     std::string& error) {
    size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        error = "\"" + text + "\" is not PATH=VALUE";
        return false;
    }
    path = text.substr(0, eq);
    value = text.substr(eq + 1);
    return true;
}

bool GetConfigValue(const ConfigDocument& doc, const std::string& pathText, std::string& value,
                    std::string& error) {
    ConfigPath path;
    if (!ParseConfigPath(pathText, path, error)) return false;
    Finder f(path.rest);
    SystemInfo system = doc.system;
    CameraConfig cam;
    if (path.system) {
        WalkSystem(system, f);
    } else {
        if (path.camera > doc.cameras.size()) {
            error = "there is no camera " + std::to_string(path.camera) + " (the document holds " +
                    std::to_string(doc.cameras.size()) + ")";
            return false;
        }
        cam = doc.cameras[path.camera - 1];
        WalkCamera(cam, f);
    }
    if (!f.field) {
        error = "unknown setting path \"" + pathText + "\"";
        return false;
    }
    value = FormatField(f.kind, f.field);
    return true;
}

bool SetConfigValue(pugi::xml_document& dom, const std::string& programDir,
                    const std::string& pathText, const std::string& value, std::string& error) {
    ConfigPath path;
    if (!ParseConfigPath(pathText, path, error)) return false;
    const std::vector<KeyInfo> keys = path.system ? SystemKeys(programDir) : CameraKeys(programDir);
    const KeyInfo* info = FindKey(keys, path.rest);
    if (!info) {
        error = "unknown setting path \"" + pathText + "\"";
        return false;
    }
    std::string canonical;
    if (!CanonicalValue(info->kind, info->capacity, value, canonical, error)) {
        error = pathText + ": " + error;
        return false;
    }

    // The records the document gives now, and what they must become.
    LoadedRecords before = Load(dom, programDir);
    ConfigDocument expected = before.doc;
    std::string where = path.system ? "system" : "camera:" + std::to_string(path.camera);
    Finder f(path.rest);
    if (path.system) {
        if (!FindSection(dom, "SystemInfo")) {
            error = "the document has no <SystemInfo> element";
            return false;
        }
        WalkSystem(expected.system, f);
    } else {
        std::vector<pugi::xml_node> cameras = FindElements(dom, "Camera");
        if (path.camera > cameras.size()) {
            error = "there is no camera " + std::to_string(path.camera) + " (the document holds " +
                    std::to_string(cameras.size()) + ")";
            return false;
        }
        if (before.doc.cameras.size() != cameras.size()) {
            error = "a camera of the document cannot be loaded, so camera numbers are ambiguous";
            return false;
        }
        WalkCamera(expected.cameras[path.camera - 1], f);
    }
    StoreField(info->kind, f.field, canonical);

    // Edit a copy; the caller's document changes only when the loader takes the value as given.
    pugi::xml_document edited;
    edited.reset(dom);
    pugi::xml_node editedScope = path.system ? FindSection(edited, "SystemInfo")
                                             : FindElements(edited, "Camera")[path.camera - 1];
    if (!WriteIntoDom(editedScope, *info, canonical, where, error)) {
        if (error.empty()) error = "out of memory";
        return false;
    }
    LoadedRecords after = Load(edited, programDir);
    if (!(after.doc.system == expected.system) || after.doc.cameras != expected.cameras) {
        error = pathText + ": the value \"" + value + "\" is not taken as given";
        for (const std::string& m : after.messages) {
            bool old = false;
            for (const std::string& b : before.messages) old = old || b == m;
            if (!old) error += "; " + m;
        }
        return false;
    }
    dom.reset(edited);
    return true;
}

}  // namespace ocv
