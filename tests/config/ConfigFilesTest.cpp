// Device-information and capture-setting files.
#include <gtest/gtest.h>

#include <string>

#include "ConfigTestSupport.h"
#include "config/ConfigDocument.h"
#include "config/ConfigFiles.h"
#include "config/XmlMeta.h"

using namespace ocvtest;

namespace {

class ConfigFilesTest : public ::testing::Test {
protected:
    TempDir dir;
    CapturedLog cap;
};

TEST_F(ConfigFilesTest, DeviceFileRoundTripsAndMissingKeysKeepValues) {
    const ocv::DeviceInfo info{.deviceType = ocv::DEVICE_PANASONIC,
                               .deviceName = "http://127.0.0.1:8081/",
                               .frameRate = 15, .frameWidth = 640, .frameHeight = 480,
                               .quality = 3, .subType = 1, .cameraNo = 2, .size = 1,
                               .password = "user:secret"};
    ASSERT_TRUE(ocv::SaveDeviceInfoFile(dir.File("cam.dev"), info, cap.log));
    ocv::DeviceInfo back;
    ASSERT_TRUE(ocv::LoadDeviceInfoFile(dir.File("cam.dev"), back, cap.log));
    EXPECT_EQ(info, back);
    // Without "Password" the password stays what it was (empty after the wizard's clearing).
    auto doc = ocv::LoadXmlFile(dir.File("cam.dev"), &cap.log);
    pugi::xml_node device = ocv::FindSection(*doc, "DeviceInfo");
    device.remove_child(device.find_child_by_attribute("meta", "name", "Password"));
    ASSERT_TRUE(ocv::SaveXmlFile(*doc, dir.File("nopass.dev")));
    ocv::DeviceInfo cleared;
    ASSERT_TRUE(ocv::LoadDeviceInfoFile(dir.File("nopass.dev"), cleared, cap.log));
    EXPECT_EQ("", cleared.password);
    EXPECT_EQ(info.deviceName, cleared.deviceName);
    EXPECT_TRUE(cap.Notices().empty());
}

// Failed loads and saves of either file: the logged error, the record untouched.
TEST_F(ConfigFilesTest, FailuresAreLoggedAndLeaveTheRecord) {
    struct Row {
        bool device, save;
        const char* file;
        const char* contents;  // nullptr: no such file
        const char* error;     // after "[File=<path>]"; nullptr: a parse error box instead
    } rows[] = {
        {true, false, "none.dev", nullptr, ""},
        {true, false, "other.dev", "<OcvML><Camera/></OcvML>",
         " [Reason=<DeviceInfo>node not found!]"},
        {true, false, "bad.dev", "<OcvML><DeviceInfo>", nullptr},
        {true, true, "no/such/dir.dev", nullptr, ""},
        {false, false, "none.cap", nullptr, ""},
        {false, false, "x.cap", "<OcvML><Camera><DeviceInfo/></Camera></OcvML>",
         " [Reason=<OcvParam>node not found!]"},
        {false, true, "no/dir.cap", nullptr, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        cap.Clear();
        const std::string path = dir.File(row.file);
        if (row.contents) WriteFile(path, row.contents);
        ocv::OcvParam p = ocv::MakeDefaultOcvParam("/opt/ocv");
        p.deviceInfo.deviceName = "keep";
        const ocv::OcvParam before = p;
        bool ok = row.device ? (row.save ? ocv::SaveDeviceInfoFile(path, p.deviceInfo, cap.log)
                                         : ocv::LoadDeviceInfoFile(path, p.deviceInfo, cap.log))
                             : (row.save ? ocv::SaveCaptureSettingFile(path, p, cap.log)
                                         : ocv::LoadCaptureSettingFile(path, p, cap.log));
        EXPECT_FALSE(ok);
        EXPECT_EQ(before, p);
        if (!row.error) {
            EXPECT_EQ(1u, cap.Boxes().size());
            continue;
        }
        const std::string what = row.device ? "device information Failed!"
                                            : "configuration file failed.";
        EXPECT_EQ(std::vector<std::string>{(row.save ? "Saving " : "Loading ") + what +
                                           " [File=" + path + "]" + row.error},
                  cap.Errors());
    }
}

TEST_F(ConfigFilesTest, CaptureFileBringsTheNameAndLeavesTheDevicePart) {
    ocv::OcvParam from = ocv::MakeDefaultOcvParam("/opt/ocv");
    from.name = "Gate";
    from.motion.enableMotionCapture = 1;
    from.webServer.port = 8090;
    from.deviceInfo.deviceType = ocv::DEVICE_AXIS;
    ASSERT_TRUE(ocv::SaveCaptureSettingFile(dir.File("gate.cap"), from, cap.log));
    EXPECT_EQ(std::string::npos, ReadAll(dir.File("gate.cap")).find("DeviceInfo"));

    ocv::OcvParam into = ocv::MakeDefaultOcvParam("/opt/ocv");
    into.deviceInfo.deviceName = "mine";
    ASSERT_TRUE(ocv::LoadCaptureSettingFile(dir.File("gate.cap"), into, cap.log));
    ocv::OcvParam expected = from;
    expected.deviceInfo = ocv::MakeDefaultOcvParam("/opt/ocv").deviceInfo;  // the target's part
    expected.deviceInfo.deviceName = "mine";
    EXPECT_EQ(expected, into);
    EXPECT_TRUE(cap.Notices().empty());
}

TEST_F(ConfigFilesTest, CaptureFileWithoutMotionLeavesAClearedRecordAtZero) {
    ocv::OcvParam from = ocv::MakeDefaultOcvParam("/opt/ocv");
    ASSERT_TRUE(ocv::SaveCaptureSettingFile(dir.File("a.cap"), from, cap.log));
    auto doc = ocv::LoadXmlFile(dir.File("a.cap"), &cap.log);
    ocv::FindSection(*doc, "OcvParam").remove_child("Motion");
    ASSERT_TRUE(ocv::SaveXmlFile(*doc, dir.File("nomotion.cap")));

    ocv::OcvParam temp = ocv::MakeDefaultOcvParam("/opt/ocv");
    ocv::ClearOcvParam(temp);
    ASSERT_TRUE(ocv::LoadCaptureSettingFile(dir.File("nomotion.cap"), temp, cap.log));
    EXPECT_EQ(0, temp.motion.motionCaptureReception);
    EXPECT_EQ(0.0f, temp.motion.motionCaptureThreshold);
    EXPECT_EQ("", temp.motion.smtp.mailSubject);
    EXPECT_EQ("", temp.motion.local.image.fontName.faceName);
    EXPECT_EQ(from.vistrel.vistrelTimer, temp.vistrel.vistrelTimer);
    EXPECT_EQ(from.vistrel.smtp.mailBody, temp.vistrel.smtp.mailBody);
    EXPECT_EQ(from.vistrel.local.image.fontName, temp.vistrel.local.image.fontName);
    EXPECT_EQ(ocv::DeviceInfo{}, temp.deviceInfo);
}

}  // namespace
