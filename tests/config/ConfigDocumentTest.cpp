// The configuration document as a whole: the system section rules, the log deletion, the camera
// list (order, renumbering, dropping, conditions) and saving.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "ConfigTestSupport.h"
#include "config/ConfigDocument.h"
#include "config/XmlMeta.h"

using namespace ocvtest;

namespace {

const char* const kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// A camera element as written for a new camera, with the given name and "no" value.
std::string CameraXml(const std::string& name, const std::string& no) {
    CapturedLog cap;
    ocv::ConfigDocument doc("/opt/ocv");
    ocv::CameraConfig cam = doc.NewCamera();
    cam.param.name = name;
    cam.conditions.left = 11;
    doc.cameras.push_back(cam);
    pugi::xml_document d;
    doc.BuildDocument(d, cap.log);
    pugi::xml_node c = d.child("OcvML").child("Camera");
    c.attribute("no").set_value(no.c_str());
    std::string text = ocv::XmlToString(d);
    size_t from = text.find("<Camera");
    return text.substr(from, text.find("</OcvML>") - from);
}

class ConfigDocumentTest : public ::testing::Test {
protected:
    void Write(const std::string& body) { WriteFile(dir.File("ocv.xml"), body); }
    TempDir dir;
    CapturedLog cap;
};

// The system section: Log must come before MailCommand (else the record stays at its defaults),
// "Delete" removes the configured log file once, and key names are case-sensitive.
TEST_F(ConfigDocumentTest, SystemSectionRules) {
    const std::string logDir = dir.File("logs");
    ASSERT_EQ(0, ::mkdir(logDir.c_str(), 0700));
    auto system = [&](const std::string& deleteLog, const std::string& path, bool mail) {
        Write(std::string(kDecl) + "<OcvML><SystemInfo><Log><meta name=\"Delete\" value=\"" +
              deleteLog + "\"/><meta name=\"LogFile Path\" value=\"" + path + "\"/></Log>" +
              (mail ? "<MailCommand><meta name=\"smtp port\" value=\"2525\"/>"
                      "<meta name=\"Check Time\" value=\"45\"/></MailCommand>"
                    : "") +
              "</SystemInfo></OcvML>");
    };
    ocv::ConfigDocument doc(dir.Path());
    Write(std::string(kDecl) + "<OcvML><SystemInfo><MailCommand><meta name=\"Check Time\" "
                               "value=\"45\"/></MailCommand></SystemInfo></OcvML>");
    EXPECT_TRUE(doc.LoadConfiguration(cap.log));
    EXPECT_EQ(ocv::MakeDefaultSystemInfo(dir.Path()), doc.system) << "MailCommand without Log";

    WriteFile(ocv::JoinPath(logDir, "log.txt"), "old log\r\n");
    WriteFile(dir.File("log.txt"), "program directory log\r\n");
    system("1", logDir, false);  // Log without MailCommand: read, but the file is not deleted
    EXPECT_TRUE(doc.LoadConfiguration(cap.log));
    EXPECT_EQ(logDir, doc.system.logFilePath);
    EXPECT_TRUE(ocv::FileExists(ocv::JoinPath(logDir, "log.txt")));

    system("1", logDir, true);
    EXPECT_TRUE(doc.LoadConfiguration(cap.log));
    EXPECT_FALSE(ocv::FileExists(ocv::JoinPath(logDir, "log.txt")));
    EXPECT_TRUE(ocv::FileExists(dir.File("log.txt")));  // only the configured one
    EXPECT_EQ(45, doc.system.checkTime);
    EXPECT_EQ(25, doc.system.smtpPort);  // "smtp port" differs in case: no match
    // With "Delete" 0 the file stays.
    WriteFile(ocv::JoinPath(logDir, "log.txt"), "new log\r\n");
    doc.system.deleteLog = 0;
    ASSERT_TRUE(doc.SaveConfiguration(cap.log));
    EXPECT_TRUE(doc.LoadConfiguration(cap.log));
    EXPECT_TRUE(ocv::FileExists(ocv::JoinPath(logDir, "log.txt")));
    EXPECT_TRUE(cap.Warnings().empty());
}

// Cameras come in document order whatever their numbers; broken ones are dropped with their
// problem on their own channel, missing conditions take their defaults, and the save numbers the
// cameras again from 1.
TEST_F(ConfigDocumentTest, CamerasInDocumentOrderBrokenOnesDroppedAndRenumberedOnSave) {
    auto without = [](std::string xml, const std::string& tag) {
        size_t a = xml.find("<" + tag + ">"), b = xml.find("</" + tag + ">") + tag.size() + 3;
        return xml.erase(a, b - a);
    };
    Write(std::string(kDecl) + "<OcvML>" + CameraXml("one", "4") +
          without(CameraXml("no-param", "2"), "OcvParam") +
          without(CameraXml("no-device", "3"), "DeviceInfo") +
          without(CameraXml("bare", "1"), "ConditionSetting") + "</OcvML>");
    CapturedLog cams[4];
    ocv::ConfigDocument doc(dir.Path());
    EXPECT_TRUE(
        doc.LoadConfiguration(cap.log, [&](size_t i) -> ocv::CLogger& { return cams[i].log; }));
    ASSERT_EQ(2u, doc.cameras.size());
    EXPECT_EQ("one", doc.cameras[0].param.name);
    EXPECT_EQ(11, doc.cameras[0].conditions.left);
    EXPECT_EQ("bare", doc.cameras[1].param.name);
    EXPECT_EQ(ocv::ConditionSetting{}, doc.cameras[1].conditions);
    EXPECT_EQ(ocv::MakeDefaultSystemInfo(dir.Path()), doc.system);  // no SystemInfo at all
    EXPECT_TRUE(cams[0].Notices().empty());
    EXPECT_EQ(std::vector<std::string>{"Loading configuration file failed. "
                                       "[Reason=<OcvParam>node not found!]"},
              cams[1].Errors());
    EXPECT_EQ(std::vector<std::string>{"Loading device information Failed! "
                                       "[Reason=<DeviceInfo>node not found!]"},
              cams[2].Errors());
    EXPECT_EQ(std::vector<std::string>{"Loading camera information Failed! "
                                       "[Reason=<ConditionSetting>node not found!]"},
              cams[3].Errors());
    EXPECT_EQ("bare", cams[3].log.Name());  // the channel is named after the camera
    EXPECT_TRUE(cap.Notices().empty());

    ASSERT_TRUE(doc.SaveConfiguration(cap.log));
    auto saved = ocv::LoadXmlFile(dir.File("ocv.xml"), &cap.log);
    ASSERT_TRUE(saved);
    auto cameras = ocv::FindElements(*saved, "Camera");
    ASSERT_EQ(2u, cameras.size());
    std::string name;
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(std::to_string(i + 1), cameras[i].attribute("no").value());
        ASSERT_TRUE(ocv::GetMeta(cameras[i], "name", name));
        EXPECT_EQ(doc.cameras[i].param.name, name);
    }
}

}  // namespace
