// Settings by path: every stored key has a path, values are checked by kind and by the loader,
// and a refused change leaves the document as it was.
#include <gtest/gtest.h>

#include <set>

#include "config/ConfigDocument.h"
#include "config/ConfigPath.h"
#include "config/XmlMeta.h"
#include "foundation/Logger.h"

namespace ocv {
namespace {

const char* kDir = "/opt/ocv";

std::unique_ptr<pugi::xml_document> OneCameraDocument() {
    ConfigDocument config(kDir);
    config.cameras.push_back(config.NewCamera());
    auto dom = CreateXmlDocument();
    CLogger quiet;
    EXPECT_TRUE(config.BuildDocument(*dom, quiet));
    return dom;
}

ConfigDocument Read(const pugi::xml_document& dom) {
    ConfigDocument config(kDir);
    CLogger quiet;
    config.ReadDocument(dom, quiet);
    return config;
}

TEST(ConfigPath, EveryWrittenMetaHasExactlyOnePath) {
    // A new camera's document written by the saver: each meta (and the mail bodies) must be
    // reachable by one path, and each path must name something the saver writes.
    auto dom = OneCameraDocument();
    size_t written = FindElements(*dom, "meta").size() + FindElements(*dom, "MailBody").size();
    std::vector<KeyInfo> system = SystemKeys(kDir), camera = CameraKeys(kDir);
    std::set<std::string> paths;
    for (const KeyInfo& k : system) paths.insert("system/" + k.path);
    for (const KeyInfo& k : camera) paths.insert("camera:1/" + k.path);
    EXPECT_EQ(paths.size(), system.size() + camera.size()) << "paths are unique";
    EXPECT_EQ(paths.size(), written);
    ConfigDocument loaded = Read(*dom);
    for (const std::string& p : paths) {
        std::string value, error;
        EXPECT_TRUE(GetConfigValue(loaded, p, value, error)) << p << ": " << error;
    }
}

TEST(ConfigPath, AcceptedValuesRoundTripThroughTheLoader) {
    struct Case {
        const char* path;
        const char* value;
        const char* readBack;
    } cases[] = {
        {"camera:1/Live/Vistrel Timer", "10000", "10000"},
        {"camera:1/Live/Vistrel Timer", "+5", "5"},
        {"camera:1/name", "玄関", "玄関"},
        {"camera:1/Motion/Motion Capture Threshold", "12.5", "12.50"},
        {"camera:1/Live/FTP/FTP Use TLS", "1", "1"},
        {"camera:1/SnapShot/FTP/Accept Self-Signed Certificate", "1", "1"},
        {"camera:1/Recording/Local/Image/Image File Format", "PNG", "PNG"},
        {"camera:1/Live/Local/Image/FontName/CharSet", "255", "255"},
        {"camera:1/Live/SMTP/MailBody", "a\nb", "a\r\nb"},
        {"camera:1/ConditionSetting/AutoCapture", "1", "1"},
        {"camera:1/DeviceInfo/Device Name", "http://cam/", "http://cam/"},
        {"system/MailCommand/POP3 Port", "995", "995"},
        {"system/Log/LogFile Path", "/var/log/ocv", "/var/log/ocv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        auto dom = OneCameraDocument();
        std::string error, value;
        ASSERT_TRUE(SetConfigValue(*dom, kDir, c.path, c.value, error)) << error;
        // Through text, as the file would be read back.
        std::string reason;
        std::string text = XmlToString(*dom);
        auto reparsed = ParseXmlBuffer(text.data(), text.size(), reason);
        ASSERT_TRUE(reparsed) << reason;
        ConfigDocument loaded = Read(*reparsed);
        ASSERT_TRUE(GetConfigValue(loaded, c.path, value, error)) << error;
        EXPECT_EQ(value, c.readBack);
    }
}

TEST(ConfigPath, RefusalsLeaveTheDocumentUntouched) {
    const char* cases[][2] = {
        {"camera:1/Live/Vistrel Tim", "1"},             // unknown key
        {"camera:2/Live/Vistrel Timer", "1"},           // no such camera
        {"camera:0/Live/Vistrel Timer", "1"},           // cameras count from 1
        {"cam:1/Live/Vistrel Timer", "1"},              // unknown scope
        {"system", "1"},                                // no key
        {"camera:1/Live", "1"},                         // a section, not a key
        {"camera:1/Live/Vistrel Timer", "10s"},         // not an integer
        {"camera:1/Live/Vistrel Timer", ""},            // empty
        {"camera:1/Live/Vistrel Timer", " 5"},          // white space
        {"camera:1/Live/Vistrel Timer", "2147483648"},  // beyond 32 bits
        {"camera:1/Live/Vistrel Timer", "+-5"},
        {"camera:1/Live/Local/Image/FontName/Italic", "256"},  // a byte
        {"camera:1/Motion/Motion Capture Threshold", "nan"},
        {"camera:1/Motion/Motion Capture Threshold", "1e39"},
        {"camera:1/Live/Local/Image/Image File Format", "jpeg"},
        {"camera:1/Live/FTP/FTP User", "a\nb"},      // control character
        {"camera:1/Live/FTP/FTP User", "\xff\xfe"},  // not UTF-8
        {"camera:1/Live/FTP/FTP User",               // 64 bytes do not fit a 64-byte field
         "0123456789012345678901234567890123456789012345678901234567890123"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c[0]) + "=" + c[1]);
        auto dom = OneCameraDocument();
        std::string before = XmlToString(*dom), error;
        EXPECT_FALSE(SetConfigValue(*dom, kDir, c[0], c[1], error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(XmlToString(*dom), before);
    }
}

TEST(ConfigPath, MissingKeysAreAddedAndMissingSectionsRefused) {
    auto dom = OneCameraDocument();
    // A document written before the key existed.
    pugi::xml_node ftp = FindSection(FindSection(*dom, "Live"), "FTP");
    for (pugi::xml_node m : FindElements(ftp, "meta"))
        if (std::string(m.attribute("name").value()) == "FTP Use TLS") m.parent().remove_child(m);
    std::string error, value;
    ASSERT_TRUE(SetConfigValue(*dom, kDir, "camera:1/Live/FTP/FTP Use TLS", "1", error)) << error;
    ASSERT_TRUE(GetConfigValue(Read(*dom), "camera:1/Live/FTP/FTP Use TLS", value, error));
    EXPECT_EQ(value, "1");

    FindSection(*dom, "OcvParam").remove_child(FindSection(*dom, "Schedule"));
    std::string before = XmlToString(*dom);
    EXPECT_FALSE(SetConfigValue(*dom, kDir, "camera:1/Schedule/Enable", "1", error));
    EXPECT_NE(error.find("<Schedule>"), std::string::npos) << error;
    EXPECT_EQ(XmlToString(*dom), before);
}

}  // namespace
}  // namespace ocv
