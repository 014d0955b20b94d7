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

TEST(ConfigPath, EveryKeyHasItsOwnPathThatReads) {
    ConfigDocument loaded = Read(*OneCameraDocument());
    std::set<std::string> paths;
    for (bool system : {true, false})
        for (const KeyInfo& k : system ? SystemKeys(kDir) : CameraKeys(kDir)) {
            std::string path = (system ? "system/" : "camera:1/") + k.path, value, error;
            EXPECT_TRUE(paths.insert(path).second) << "twice: " << path;
            EXPECT_TRUE(GetConfigValue(loaded, path, value, error)) << path << ": " << error;
        }
}

// Each row sets one value in a new camera's document: an accepted value reads back (through the
// text of the file and the loader) as given; a refused one leaves the document untouched.
TEST(ConfigPath, ValuesAreCheckedThenReadBackThroughTheLoader) {
    const char* const kRefused = nullptr;
    const char* rows[][3] = {
        {"camera:1/Live/Vistrel Timer", "10000", "10000"},
        {"camera:1/Live/Vistrel Timer", "+5", "5"},
        {"camera:1/name", "玄関", "玄関"},
        {"camera:1/Motion/Motion Capture Threshold", "12.5", "12.50"},
        {"camera:1/Recording/Local/Image/Image File Format", "PNG", "PNG"},
        {"camera:1/Live/Local/Image/FontName/CharSet", "255", "255"},
        {"camera:1/Live/SMTP/MailBody", "a\nb", "a\r\nb"},
        {"camera:1/ConditionSetting/AutoCapture", "1", "1"},
        {"system/MailCommand/POP3 Port", "995", "995"},
        {"system/Log/LogFile Path", "/var/log/ocv", "/var/log/ocv"},
        {"camera:1/Live/Vistrel Tim", "1", kRefused},    // unknown key
        {"camera:2/Live/Vistrel Timer", "1", kRefused},  // no such camera
        {"camera:0/Live/Vistrel Timer", "1", kRefused},  // cameras count from 1
        {"cam:1/Live/Vistrel Timer", "1", kRefused},     // unknown scope
        {"camera:1/Live", "1", kRefused},                // a section, not a key
        {"camera:1/Live/Vistrel Timer", "10s", kRefused},
        {"camera:1/Live/Vistrel Timer", " 5", kRefused},
        {"camera:1/Live/Vistrel Timer", "2147483648", kRefused},  // beyond 32 bits
        {"camera:1/Live/Local/Image/FontName/Italic", "256", kRefused},  // a byte
        {"camera:1/Motion/Motion Capture Threshold", "nan", kRefused},
        {"camera:1/Live/Local/Image/Image File Format", "jpeg", kRefused},
        {"camera:1/Live/FTP/FTP User", "a\nb", kRefused},      // control character
        {"camera:1/Live/FTP/FTP User", "\xff\xfe", kRefused},  // not UTF-8
        {"camera:1/Live/FTP/FTP User",  // 64 bytes do not fit a 64-byte field
         "0123456789012345678901234567890123456789012345678901234567890123", kRefused},
    };
    for (const auto& [path, value, readBack] : rows) {
        SCOPED_TRACE(std::string(path) + "=" + value);
        auto dom = OneCameraDocument();
        std::string before = XmlToString(*dom), error, reason, got;
        ASSERT_EQ(SetConfigValue(*dom, kDir, path, value, error), readBack != kRefused) << error;
        if (readBack == kRefused) {
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(XmlToString(*dom), before);
            continue;
        }
        std::string text = XmlToString(*dom);
        auto reparsed = ParseXmlBuffer(text.data(), text.size(), reason);
        ASSERT_TRUE(reparsed) << reason;
        ASSERT_TRUE(GetConfigValue(Read(*reparsed), path, got, error)) << error;
        EXPECT_EQ(got, readBack);
    }
}

TEST(ConfigPath, MissingKeysAreAddedAndMissingSectionsRefused) {
    auto dom = OneCameraDocument();
    // A document written before the key existed.
    pugi::xml_node ftp = FindSection(FindSection(*dom, "Live"), "FTP");
    ASSERT_TRUE(ftp.remove_child(ftp.find_child_by_attribute("meta", "name", "FTP Use TLS")));
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
