// Values out of range in a stored document: each is replaced at load with one warning naming the
// key, the stored value and the used value, and the next save holds the used value. Also the
// leftovers of interrupted saves and the reasons of failed loads and saves.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "config/ConfigDocument.h"
#include "config/ConfigPath.h"
#include "config/XmlMeta.h"
#include "ConfigTestSupport.h"

namespace ocv {
namespace {

using ocvtest::CapturedLog;

// The meta of a camera key (path below "camera:1/") or a system key ("system/...").
pugi::xml_node MetaOf(pugi::xml_document& dom, const std::string& dir, const std::string& path) {
    bool system = path.rfind("system/", 0) == 0;
    std::string rest = path.substr(path.find('/') + 1);
    pugi::xml_node node = system ? FindSection(dom, "SystemInfo") : FindElements(dom, "Camera")[0];
    for (const KeyInfo& k : system ? SystemKeys(dir) : CameraKeys(dir)) {
        if (k.path != rest) continue;
        for (const std::string& e : k.elements) node = FindSection(node, e.c_str());
        for (pugi::xml_node m : FindElements(node, "meta"))
            if (k.key == m.attribute("name").value()) return m;
    }
    return {};
}

struct RangeCase {
    const char* path;
    const char* stored;
    const char* used;  // what the loader keeps and the next save writes
    const char* warning;
};

TEST(RangeLoad, OutOfRangeValuesAreReplacedWithOneWarningAndSavedInRange) {
    const RangeCase cases[] = {
        {"camera:1/WebServer/Port", "-1", "8080", "Setting <WebServer/Port> out of range [-1]: using [8080]"},
        {"camera:1/WebServer/Port", "70000", "8080", "Setting <WebServer/Port> out of range [70000]: using [8080]"},
        {"camera:1/WebServer/MaxUser", "-5", "1", "Setting <WebServer/MaxUser> out of range [-5]: using [1]"},
        {"camera:1/WebServer/MaxFrame", "999", "30", "Setting <WebServer/MaxFrame> out of range [999]: using [30]"},
        {"camera:1/Live/Local/Image/JPEG Quality", "150", "100", "Setting <Image/JPEG Quality> out of range [150]: using [100]"},
        {"camera:1/Live/Local/Image/Resize Rate", "-2.00", "1.00", "Setting <Image/Resize Rate> out of range [-2.00]: using [1.00]"},
        {"camera:1/Live/Local/Image/Resize Rate", "40.00", "10.00", "Setting <Image/Resize Rate> out of range [40.00]: using [10.00]"},
        {"camera:1/Motion/Motion Capture Mode", "7", "0", "Setting <Motion/Motion Capture Mode> out of range [7]: using [0]"},
        {"camera:1/Schedule/Start Hour", "25", "23", "Setting <Schedule/Start Hour> out of range [25]: using [23]"},
        {"camera:1/Live/SMTP/SMTP Security", "9", "0", "Setting <SMTP/SMTP Security> out of range [9]: using [0]"},
        {"system/MailCommand/POP3 Security", "-1", "0", "Setting <MailCommand/POP3 Security> out of range [-1]: using [0]"},
        {"system/MailCommand/POP3 Port", "0", "110", "Setting <MailCommand/POP3 Port> out of range [0]: using [110]"},
    };
    const char* const dir = "/opt/ocv";
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " = " + c.stored);
        ConfigDocument doc(dir);
        doc.cameras.push_back(doc.NewCamera());
        auto dom = CreateXmlDocument();
        CapturedLog log;
        ASSERT_TRUE(doc.BuildDocument(*dom, log.log));
        pugi::xml_node meta = MetaOf(*dom, dir, c.path);
        ASSERT_TRUE(meta) << "no meta for the path";
        meta.attribute("value").set_value(c.stored);
        ConfigDocument loaded(dir);
        loaded.ReadDocument(*dom, log.log);
        EXPECT_EQ(log.Warnings(), std::vector<std::string>{c.warning});
        std::string value, error;
        ASSERT_TRUE(GetConfigValue(loaded, c.path, value, error)) << error;
        EXPECT_EQ(value, c.used);
        auto saved = CreateXmlDocument();
        ASSERT_TRUE(loaded.BuildDocument(*saved, log.log));
        EXPECT_STREQ(MetaOf(*saved, dir, c.path).attribute("value").value(), c.used);
    }
}

TEST(RangeLoad, InterruptedSaveCopiesAreRemovedAndFailuresSayWhy) {
    TempDir dir;
    ConfigDocument doc(dir.Path());
    doc.cameras.push_back(doc.NewCamera());
    CapturedLog log;
    ASSERT_TRUE(doc.SaveConfiguration(log.log));
    // Copies a killed save left behind, and a file that only looks like one.
    for (const char* name : {"ocv.xml.a1B2c3", "ocv.xml.ZZZZZZ", "ocv.xml.bak"})
        std::ofstream(dir.File(name)) << "<secret/>";
    ConfigDocument loaded(dir.Path());
    ASSERT_TRUE(loaded.LoadConfiguration(log.log));
    struct stat st;
    EXPECT_NE(::stat(dir.File("ocv.xml.a1B2c3").c_str(), &st), 0);
    EXPECT_NE(::stat(dir.File("ocv.xml.ZZZZZZ").c_str(), &st), 0);
    EXPECT_EQ(::stat(dir.File("ocv.xml.bak").c_str(), &st), 0) << "not a save's copy: kept";
    EXPECT_EQ(loaded.cameras.size(), 1u);

    // Failures that hold for root too: the document is a directory, the directory is gone.
    TempDir other;
    ASSERT_EQ(::mkdir(other.File("ocv.xml").c_str(), 0700), 0);
    ConfigDocument unreadable(other.Path());
    EXPECT_FALSE(unreadable.LoadConfiguration(log.log));
    EXPECT_NE(unreadable.LastError().find(unreadable.Path()), std::string::npos);
    EXPECT_NE(unreadable.LastError().find("Is a directory"), std::string::npos)
        << unreadable.LastError();
    ConfigDocument gone(other.File("missing/dir"));
    EXPECT_FALSE(gone.SaveConfiguration(log.log));
    EXPECT_NE(gone.LastError().find("No such file or directory"), std::string::npos)
        << gone.LastError();
    EXPECT_NE(gone.LastError().find(gone.ProgramDir()), std::string::npos) << gone.LastError();
}

}  // namespace
}  // namespace ocv
