// The document written for a new camera, compared with the expected document written out here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ConfigTestSupport.h"
#include "config/ConfigDocument.h"
#include "config/ConfigFiles.h"
#include "config/XmlMeta.h"

using namespace ocvtest;

namespace {

// Text style; VERT is 2 for the date/time style and 0 for the name style.
const char* const kFont = R"(
    <meta name="Height" value="14"/>
    <meta name="Width" value="0"/>
    <meta name="Escapement" value="0"/>
    <meta name="Orientation" value="0"/>
    <meta name="Weight" value="400"/>
    <meta name="Italic" value="0"/>
    <meta name="Underline" value="0"/>
    <meta name="StrikeOut" value="0"/>
    <meta name="CharSet" value="128"/>
    <meta name="OutPrecision" value="4"/>
    <meta name="ClipPrecision" value="0"/>
    <meta name="Quality" value="0"/>
    <meta name="PitchAndFamily" value="4"/>
    <meta name="FaceName" value="ＭＳ ゴシック"/>
    <meta name="Text Color" value="16777215"/>
    <meta name="Text Bk Color" value="0"/>
    <meta name="Transparent Text" value="1"/>
    <meta name="Vert Position" value="VERT"/>
    <meta name="Horz Position" value="0"/>)";

const char* const kImage = R"(
   <Image>
    <meta name="Image Filename" value="FILENAME"/>
    <meta name="Image File Format" value="FORMAT"/>
    <meta name="Resize Rate" value="1.00"/>
    <meta name="Rotate" value="0"/>
    <meta name="Enable Gray Scale" value="0"/>
    <meta name="Enable Print Date" value="1"/>
    <meta name="Enable Print Time" value="1"/>
    <meta name="Enable Print Name" value="1"/>
    <meta name="Enable Add Name Counter" value="COUNTER"/>
    <meta name="Enable Add Name Date" value="DATE"/>
    <meta name="Enable Add Name Time" value="TIME"/>
    <meta name="JPEG Quality" value="100"/>
    <meta name="PNG Bit Count" value="8"/>
    <meta name="PNG Palette NO" value="0"/>
    <meta name="PNG Reduce Type" value="1"/>
    <meta name="Enable Frame Image" value="0"/>
    <meta name="Frame Image File Name" value="/opt/ocv/logo.jpg"/>
    <meta name="Frame Transparent Color" value="16711935"/>
    <meta name="Frame Transparent Range" value="128"/>
    <FontDateTime>FONT2</FontDateTime>
    <FontName>FONT0</FontName>
   </Image>)";

std::string Image(const char* name, const char* format, const char* counter, const char* date,
                  const char* time) {
    std::string s = kImage;
    s = ReplaceAll(s, "FILENAME", name);
    s = ReplaceAll(s, "FORMAT", format);
    s = ReplaceAll(s, "COUNTER", counter);
    s = ReplaceAll(s, "DATE", date);
    s = ReplaceAll(s, "TIME", time);
    s = ReplaceAll(s, "FONT2", ReplaceAll(kFont, "VERT", "2"));
    s = ReplaceAll(s, "FONT0", ReplaceAll(kFont, "VERT", "0"));
    return s;
}

std::string Local(const std::string& image) {
    return R"(
  <Local>
   <meta name="Save Directory Name" value="/home/tester"/>
   <meta name="Enable Make Date Directory" value="0"/>)" +
           image + "</Local>";
}

std::string Ftp(const std::string& image) {
    return R"(
  <FTP>
   <meta name="FTP Server Address" value=""/>
   <meta name="FTP Server Port" value="21"/>
   <meta name="FTP User" value=""/>
   <meta name="FTP Password" value=""/>
   <meta name="FTP Directory" value="/"/>
   <meta name="FTP Login Retry Count" value="5"/>
   <meta name="FTP Pasv Mode" value="0"/>
   <meta name="FTP Anonymous" value="0"/>
   <meta name="FTP Use TLS" value="0"/>
   <meta name="Accept Self-Signed Certificate" value="0"/>)" +
           image + "</FTP>";
}

std::string Smtp(const char* subject, const char* body, const std::string& image) {
    std::string s = R"(
  <SMTP>
   <meta name="SMTP Server Address" value=""/>
   <meta name="SMTP Server Port" value="25"/>
   <meta name="Mail From" value=""/>
   <meta name="Mail To1" value=""/>
   <meta name="Mail To2" value=""/>
   <meta name="Mail To3" value=""/>
   <meta name="Mail To4" value=""/>
   <meta name="Mail To5" value=""/>
   <meta name="Mail To6" value=""/>
   <meta name="Mail To7" value=""/>
   <meta name="Mail To8" value=""/>
   <meta name="Mail To9" value=""/>
   <meta name="Mail To10" value=""/>
   <meta name="Mail Subject" value="SUBJECT"/>
   <MailBody><![CDATA[BODY]]></MailBody>
   <meta name="No Add Image" value="0"/>
   <meta name="Enable POP3 before SMTP" value="0"/>
   <meta name="POP3 Server Address" value=""/>
   <meta name="POP3 Server Port" value="110"/>
   <meta name="POP3 User" value=""/>
   <meta name="POP3 Password" value=""/>
   <meta name="POP3 before SMTP Send Timeout" value="300"/>
   <meta name="SMTP Security" value="0"/>
   <meta name="SMTP User" value=""/>
   <meta name="SMTP Password" value=""/>
   <meta name="SMTP Auth Method" value="0"/>
   <meta name="POP3 Security" value="0"/>
   <meta name="Accept Self-Signed Certificate" value="0"/>)";
    s = ReplaceAll(s, "SUBJECT", subject);
    s = ReplaceAll(s, "BODY", body);
    return s + image + "</SMTP>";
}

const char* const kSystem = R"(<?xml version="1.0" encoding="UTF-8"?>
<OcvML>
 <SystemInfo>
  <Log>
   <meta name="Debug Mode" value="1"/>
   <meta name="Delete" value="1"/>
   <meta name="LogFile Path" value="/opt/ocv"/>
  </Log>
  <MailCommand>
   <meta name="Enable" value="0"/>
   <meta name="Enable Sender Check" value="0"/>
   <meta name="Enable Reply" value="0"/>
   <meta name="Check Time" value="30"/>
   <meta name="From Address" value=""/>
   <meta name="SMTP Address" value=""/>
   <meta name="SMTP Port" value="25"/>
   <meta name="POP3 Address" value=""/>
   <meta name="POP3 Port" value="110"/>
   <meta name="POP3 User" value=""/>
   <meta name="POP3 Password" value=""/>
   <meta name="Mail Address" value=""/>
   <meta name="SMTP Security" value="0"/>
   <meta name="SMTP User" value=""/>
   <meta name="SMTP Password" value=""/>
   <meta name="SMTP Auth Method" value="0"/>
   <meta name="POP3 Security" value="0"/>
   <meta name="Accept Self-Signed Certificate" value="0"/>
  </MailCommand>
 </SystemInfo>)";

const char* const kConditions = R"(
 <Camera no="1">
  <ConditionSetting>
   <meta name="AutoCapture" value="0"/>
   <meta name="Foreground" value="0"/>
   <meta name="Show" value="0"/>
   <meta name="LastShow" value="1"/>
   <meta name="Left" value="0"/>
   <meta name="Right" value="0"/>
   <meta name="Top" value="0"/>
   <meta name="Bottom" value="0"/>
   <meta name="Transparent" value="0"/>
   <meta name="TransparentParam" value="80"/>
  </ConditionSetting>)";

std::string OcvParamElement() {
    std::string s = R"(
  <OcvParam>
   <meta name="name" value="New Camera"/>
   <Live>
    <meta name="Enable Vistrel" value="1"/>
    <meta name="Vistrel Timer" value="300000"/>
    <meta name="Enable Local" value="1"/>
    <meta name="Enable SMTP" value="0"/>
    <meta name="Enable FTP" value="0"/>)";
    s += Local(Image("live", "JPEG", "1", "0", "0"));
    s += Ftp(Image("live", "JPEG", "0", "0", "0"));
    s += Smtp("Vistrel", "Vistrel", Image("live", "JPEG", "0", "0", "0"));
    s += R"(</Live>
   <Motion>
    <meta name="Enable MotionCapture" value="0"/>
    <meta name="Motion Capture Reception" value="32"/>
    <meta name="Motion Capture Threshold" value="10.00"/>
    <meta name="Motion Capture Mode" value="0"/>
    <meta name="Motion Capture Timeout" value="0"/>
    <meta name="Motion Capture TimeoutMM" value="0"/>
    <meta name="Motion Next Capture Timeout" value="5"/>
    <meta name="Motion Next Capture TimeoutMM" value="0"/>
    <meta name="Motion Capture Enable Sound" value="1"/>
    <meta name="Motion Capture Sound Filename" value="/opt/ocv/moving.wav"/>
    <meta name="Enable Range" value="0"/>
    <meta name="Range Left" value="0"/>
    <meta name="Range Top" value="0"/>
    <meta name="Range Right" value="200"/>
    <meta name="Range Bottom" value="200"/>
    <meta name="Enable Outline" value="0"/>
    <meta name="Outline Level" value="0"/>
    <meta name="Live Shot Time" value="300"/>
    <meta name="Live Shot Interval" value="10"/>
    <meta name="Enable Recording" value="0"/>
    <meta name="Recording StartTime Before" value="0"/>
    <meta name="Enable Local" value="0"/>
    <meta name="Enable SMTP" value="0"/>
    <meta name="Enable FTP" value="0"/>)";
    s += Local(Image("motion", "JPEG", "1", "0", "0"));
    s += Ftp(Image("motion", "JPEG", "0", "0", "0"));
    s += Smtp("Motion Capture", "MotionCapture", Image("capture", "JPEG", "0", "0", "0"));
    s += R"(</Motion>
   <SnapShot>
    <meta name="Enable SMTP" value="0"/>
    <meta name="Enable FTP" value="0"/>)";
    s += Local(Image("snap", "JPEG", "1", "0", "0"));
    s += Ftp(Image("snap", "JPEG", "0", "0", "0"));
    s += Smtp("Snapshot", "Snapshot", Image("snap", "JPEG", "0", "0", "0"));
    s += R"(</SnapShot>
   <Schedule>
    <meta name="Enable" value="0"/>
    <meta name="Exec Week" value="127"/>
    <meta name="Start Hour" value="0"/>
    <meta name="Start Minute" value="0"/>
    <meta name="End Hour" value="23"/>
    <meta name="End Minute" value="0"/>
   </Schedule>
   <WebServer>
    <meta name="Nic Index" value="0"/>
    <meta name="Port" value="8080"/>
    <meta name="Enable UPnP" value="0"/>
    <meta name="Enable" value="0"/>
    <meta name="MaxFrame" value="15"/>
    <meta name="MaxUser" value="10"/>
    <meta name="Enable Password" value="0"/>
    <meta name="Password" value=""/>
    <meta name="i-mode Enable" value="0"/>
    <meta name="i-mode Enable Password" value="0"/>
    <meta name="i-mode Password" value=""/>
    <meta name="i-mode Size W" value="320"/>
    <meta name="i-mode Size H" value="240"/>
    <meta name="i-mode Quality" value="80"/>
   </WebServer>
   <Recording>
    <meta name="RecordingTime" value="10"/>
    <meta name="FrameRate" value="10"/>
    <meta name="EnableWMV" value="1"/>
    <meta name="WMVProfileType" value="1"/>
    <meta name="WMVSystemProfileIndex" value="1"/>
    <meta name="WMVCustomProfilePath" value="/opt/ocv/ovndefault.prx"/>)";
    s += Local(Image("movie", "BMP", "0", "1", "1"));
    s += R"(</Recording>
  </OcvParam>)";
    return s;
}

const char* const kDeviceInfo = R"(
  <DeviceInfo>
   <meta name="Device Type" value="0"/>
   <meta name="Device Name" value=""/>
   <meta name="Frame Rate" value="0"/>
   <meta name="Frame Width" value="0"/>
   <meta name="Frame Height" value="0"/>
   <meta name="Quality" value="0"/>
   <meta name="SubType" value="0"/>
   <meta name="CameraNo" value="0"/>
   <meta name="Size" value="0"/>
   <meta name="Password" value=""/>
  </DeviceInfo>)";

class DocumentShape : public ::testing::Test {
protected:
    void SetUp() override {
        const char* home = std::getenv("HOME");
        savedHome_ = home ? home : "";
        ::setenv("HOME", "/home/tester", 1);
    }
    void TearDown() override { ::setenv("HOME", savedHome_.c_str(), 1); }

private:
    std::string savedHome_;
};

TEST_F(DocumentShape, NewCameraSavedWithoutChangesGivesTheExpectedDocument) {
    TempDir dir;
    CapturedLog cap;
    ocv::ConfigDocument doc("/opt/ocv");
    doc.cameras.push_back(doc.NewCamera());
    pugi::xml_document built;
    ASSERT_TRUE(doc.BuildDocument(built, cap.log));
    std::string expected = Squeeze(std::string(kSystem) + kConditions + OcvParamElement() +
                                   kDeviceInfo + "\n </Camera>\n</OcvML>");
    std::string actual = ocv::XmlToString(built);
    // Compare piecewise first so that a failure points at the place where they differ.
    size_t diff = 0;
    while (diff < expected.size() && diff < actual.size() && expected[diff] == actual[diff]) ++diff;
    EXPECT_EQ(expected, actual) << "first difference at byte " << diff << ": ..."
                                << actual.substr(diff > 80 ? diff - 80 : 0, 200);
    EXPECT_TRUE(cap.Notices().empty());
}

TEST_F(DocumentShape, SavedFileHasNoWhiteSpaceBetweenElementsAndIsPrivate) {
    TempDir dir;
    CapturedLog cap;
    ocv::ConfigDocument doc(dir.Path());
    doc.cameras.push_back(doc.NewCamera());
    ASSERT_TRUE(doc.SaveConfiguration(cap.log));
    std::string bytes = ReadFile(dir.File("ocv.xml"));
    EXPECT_EQ(0u, bytes.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?><OcvML><SystemInfo><Log>"));
    EXPECT_EQ(std::string::npos, bytes.find(">\n")) << "line break between elements";
    EXPECT_EQ(std::string::npos, bytes.find("> <"));
    struct stat st {};
    ASSERT_EQ(0, ::stat(dir.File("ocv.xml").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
}

TEST_F(DocumentShape, DeviceAndCaptureFilesHoldOnlyTheirParts) {
    TempDir dir;
    CapturedLog cap;
    ocv::OcvParam p = ocv::MakeDefaultOcvParam("/opt/ocv");
    ASSERT_TRUE(ocv::SaveDeviceInfoFile(dir.File("a.dev"), p.deviceInfo, cap.log));
    EXPECT_EQ(Squeeze(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<OcvML>\n<Camera>") +
                      kDeviceInfo + "\n</Camera>\n</OcvML>"),
              ReadFile(dir.File("a.dev")));
    ASSERT_TRUE(ocv::SaveCaptureSettingFile(dir.File("a.cap"), p, cap.log));
    EXPECT_EQ(Squeeze(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<OcvML>\n<Camera>") +
                      OcvParamElement() + "\n</Camera>\n</OcvML>"),
              ReadFile(dir.File("a.cap")));
    struct stat st {};
    ASSERT_EQ(0, ::stat(dir.File("a.cap").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
}

}  // namespace
