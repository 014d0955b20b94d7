// Section load rules: missing sub-sections, the mail body, the format word, the recipients, and
// the load/save fixed point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "ConfigTestSupport.h"
#include "config/ConfigDocument.h"
#include "config/ParamFields.h"
#include "config/ParamRanges.h"
#include "config/ParamSections.h"
#include "config/XmlMeta.h"

using namespace ocvtest;

namespace {

const char* const kDir = "/opt/ocv";

// A document holding one camera, a new one unless given.
std::unique_ptr<pugi::xml_document> DefaultDocument(const ocv::CameraConfig* cam = nullptr) {
    CapturedLog cap;
    ocv::ConfigDocument doc(kDir);
    doc.cameras.push_back(cam ? *cam : doc.NewCamera());
    auto out = std::make_unique<pugi::xml_document>();
    EXPECT_TRUE(doc.BuildDocument(*out, cap.log));
    return out;
}

// The element at `path` below the camera's OcvParam.
pugi::xml_node Param(pugi::xml_document& doc, const std::vector<const char*>& path = {}) {
    pugi::xml_node n = doc.child("OcvML").child("Camera").child("OcvParam");
    for (const char* p : path) n = n.child(p);
    EXPECT_TRUE(n);
    return n;
}

void SetMeta(pugi::xml_node section, const char* key, const char* value) {
    pugi::xml_node m = section.find_child_by_attribute("meta", "name", key);
    EXPECT_TRUE(m) << "no meta " << key;
    m.attribute("value").set_value(value);
}

// Loads the camera element into a new camera's record.
ocv::OcvParam LoadCamera(pugi::xml_document& doc, CapturedLog& cap, bool* ok = nullptr) {
    ocv::OcvParam p = ocv::MakeDefaultOcvParam(kDir);
    bool r = ocv::LoadOcvParamFromNode(doc.child("OcvML").child("Camera"), p, cap.log);
    if (ok) *ok = r;
    return p;
}

TEST(SubSections, EveryMissingSubSectionIsReportedWithItsMessage) {
    struct MissingCase {
        std::vector<const char*> parent;  // below OcvParam
        const char* child;
        const char* record;  // the record named in the message
    } cases[] = {
        {{"Live"}, "Local", "VISTRELSETTING"},
        {{"Live"}, "FTP", "VISTRELSETTING"},
        {{"Live"}, "SMTP", "VISTRELSETTING"},
        {{"Motion"}, "Local", "MOTIONCAPSETTING"},
        {{"Motion"}, "FTP", "MOTIONCAPSETTING"},
        {{"Motion"}, "SMTP", "MOTIONCAPSETTING"},
        {{"SnapShot"}, "Local", "SNAPSHOTSETTING"},
        {{"SnapShot"}, "FTP", "SNAPSHOTSETTING"},
        {{"SnapShot"}, "SMTP", "SNAPSHOTSETTING"},
        {{"Recording"}, "Local", "RECORDINGINFO"},
        {{"Live", "Local"}, "Image", "LOCALSETTING"},
        {{"Motion", "FTP"}, "Image", "FTPINFO"},
        {{"SnapShot", "SMTP"}, "Image", "SMTPINFO"},
        {{"Recording", "Local", "Image"}, "FontDateTime", "IMAGESETTING"},
        {{"Live", "FTP", "Image"}, "FontName", "IMAGESETTINGO"},
    };
    for (const MissingCase& c : cases) {
        const std::string message = std::string("Loading configuration file failed.（") +
                                    c.record + ") <" + c.child + ">node not found!";
        auto doc = DefaultDocument();
        ASSERT_TRUE(Param(*doc, c.parent).remove_child(c.child)) << message;
        CapturedLog cap;
        bool ok = false;
        LoadCamera(*doc, cap, &ok);
        EXPECT_TRUE(ok) << message;
        EXPECT_EQ(std::vector<std::string>{message}, cap.Errors());
    }
}

TEST(SubSections, MissingSubSectionStopsTheLaterOnesOfTheSameSection) {
    auto doc = DefaultDocument();
    pugi::xml_node image = Param(*doc, {"Motion", "Local", "Image"});
    SetMeta(image, "JPEG Quality", "55");
    SetMeta(image.child("FontName"), "Height", "30");
    image.remove_child("FontDateTime");
    SetMeta(Param(*doc, {"Motion", "FTP"}), "FTP Server Port", "2121");
    SetMeta(Param(*doc, {"Recording"}), "RecordingTime", "99");
    CapturedLog cap;
    ocv::OcvParam p = LoadCamera(*doc, cap);
    EXPECT_EQ(55, p.motion.local.image.jpegQuality);      // own metas are read first
    EXPECT_EQ(14, p.motion.local.image.fontName.height);  // after the missing one: not read
    EXPECT_EQ(21, p.motion.ftp.ftpServerPort);            // the failed Local ends Motion
    EXPECT_EQ(99, p.recording.recordingTime);             // later sections go on
    EXPECT_EQ(1u, cap.Errors().size());
}

std::string BodyAfterLoad(const std::string& stored, CapturedLog& cap) {
    auto doc = DefaultDocument();
    Param(*doc, {"Live", "SMTP", "MailBody"}).first_child().set_value(stored.c_str());
    return LoadCamera(*doc, cap).vistrel.smtp.mailBody;
}

TEST(MailBody, LineEndsLengthMissingElementsAndSpecialText) {
    CapturedLog cap;
    EXPECT_EQ("a\r\nb\r\n", BodyAfterLoad("a\nb\n", cap));
    EXPECT_EQ("a\r\nb\r\n", BodyAfterLoad("a\r\nb\r\n", cap));
    EXPECT_EQ("\r\nx\r\n\r\ny", BodyAfterLoad("\nx\r\n\ny", cap));
    EXPECT_TRUE(cap.Notices().empty());
    // 600 bytes of 3-byte characters: cut to at most 511 bytes on a character boundary.
    std::string longBody;
    for (int i = 0; i < 200; ++i) longBody += "あ";
    EXPECT_EQ(longBody.substr(0, 510), BodyAfterLoad(longBody, cap));
    EXPECT_EQ(1u, cap.Warnings().size());
    // Line ends counted after the CR is inserted.
    EXPECT_EQ(511u, BodyAfterLoad(std::string(300, '\n'), cap).size());
    // A missing or empty element keeps the field; special text round-trips.
    auto doc = DefaultDocument();
    Param(*doc, {"Motion", "SMTP"}).remove_child("MailBody");
    pugi::xml_node snapBody = Param(*doc, {"SnapShot", "SMTP", "MailBody"});
    snapBody.remove_child(snapBody.first_child());
    ocv::OcvParam p = LoadCamera(*doc, cap);
    EXPECT_EQ("MotionCapture", p.motion.smtp.mailBody);
    EXPECT_EQ("Snapshot", p.snapShot.smtp.mailBody);
    ocv::CameraConfig cam;
    cam.param = ocv::MakeDefaultOcvParam(kDir);
    cam.param.vistrel.smtp.mailBody = "end ]]> of <cdata> & \"more\"\r\n日本語";
    auto saved = DefaultDocument(&cam);
    EXPECT_EQ(cam.param.vistrel.smtp.mailBody, LoadCamera(*saved, cap).vistrel.smtp.mailBody);
}

TEST(ImageFormat, OnlyTheExactWordsAreAccepted) {
    auto doc = DefaultDocument();
    SetMeta(Param(*doc, {"Live", "Local", "Image"}), "Image File Format", "jpeg");
    SetMeta(Param(*doc, {"Live", "FTP", "Image"}), "Image File Format", "PNG");
    SetMeta(Param(*doc, {"Live", "SMTP", "Image"}), "Image File Format", "GIF");
    SetMeta(Param(*doc, {"Recording", "Local", "Image"}), "Image File Format", "");
    CapturedLog cap;
    ocv::OcvParam p = LoadCamera(*doc, cap);
    EXPECT_EQ(ocv::IMAGE_FORMAT_JPEG, p.vistrel.local.image.imageFileFormat);
    EXPECT_EQ(ocv::IMAGE_FORMAT_PNG, p.vistrel.ftp.image.imageFileFormat);
    EXPECT_EQ(ocv::IMAGE_FORMAT_GIF, p.vistrel.smtp.image.imageFileFormat);
    EXPECT_EQ(ocv::IMAGE_FORMAT_BMP, p.recording.local.image.imageFileFormat);
    EXPECT_EQ(2u, cap.Warnings().size());  // "jpeg" and the empty word, once each
    EXPECT_TRUE(cap.Errors().empty());
    // A value outside the four formats is written as an empty word and read back unchanged.
    ocv::CameraConfig cam;
    cam.param = ocv::MakeDefaultOcvParam(kDir);
    cam.param.motion.ftp.image.imageFileFormat = 7;
    auto saved = DefaultDocument(&cam);
    std::string word = "?";
    ocv::GetMeta(Param(*saved, {"Motion", "FTP", "Image"}), "Image File Format", word);
    EXPECT_EQ("", word);
    EXPECT_EQ(ocv::IMAGE_FORMAT_JPEG, LoadCamera(*saved, cap).motion.ftp.image.imageFileFormat);
}

TEST(Recipients, ExactlyTenAreReadAndAnEleventhIsIgnored) {
    auto doc = DefaultDocument();
    pugi::xml_node smtp = Param(*doc, {"Live", "SMTP"});
    auto address = [](int i) { return "r" + std::to_string(i) + "@example.com"; };
    for (int i = 1; i <= 10; ++i)
        SetMeta(smtp, ("Mail To" + std::to_string(i)).c_str(), address(i).c_str());
    pugi::xml_node extra = smtp.append_child("meta");
    extra.append_attribute("name").set_value("Mail To11");
    extra.append_attribute("value").set_value(address(11).c_str());
    CapturedLog cap;
    ocv::CameraConfig cam;
    cam.param = LoadCamera(*doc, cap);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(address(i + 1), cam.param.vistrel.smtp.mailTo[i]);
    EXPECT_EQ(std::string::npos, ocv::XmlToString(*DefaultDocument(&cam)).find("Mail To11"));
}

// A counter value moved into the key's range when the key has one (in any section: a key has the
// same range wherever it is limited), so that loading keeps it.
template <class T>
T InRange(const char* key, int n, T value) {
    for (const ocv::ParamRange& r : ocv::ParamRanges()) {
        if (std::string(r.key) != key) continue;
        double span = std::min(r.max - r.min, 1000.0);
        double v = r.min + std::fmod(n, span + (std::is_integral_v<T> ? 1 : 0));
        if constexpr (std::is_floating_point_v<T>) v = std::min(v + 0.25, r.max);
        return static_cast<T>(v);
    }
    return value;
}

// Gives every field it visits a value of its own, counting from `n` (within the key's range).
struct Scrambler {
    int n;
    void Int(const char* k, int32_t& f) { ++n, f = InRange(k, n, n); }
    void Byte(const char*, uint8_t& f) { f = static_cast<uint8_t>(++n % 200 + 1); }
    void Float(const char* k, float& f) { ++n, f = InRange(k, n, static_cast<float>(n) + 0.25f); }
    void Text(const char*, std::string& f, size_t) { f = "t" + std::to_string(++n) + " é"; }
    void Format(const char*, int32_t& f) { f = (f + 1 + (++n) % 3) % 4; }
    void Body(std::string& f) { f = "body " + std::to_string(++n) + "\r\nline 2"; }
};

// A document whose every stored field differs from its default (as far as the ranges allow).
ocv::ConfigDocument ScrambledConfig() {
    namespace f = ocv::fields;
    Scrambler s{1000};
    ocv::ConfigDocument doc(kDir);
    f::SystemLogFields(doc.system, s);
    f::SystemMailFields(doc.system, s);
    ocv::CameraConfig& c = doc.cameras.emplace_back();
    c.param = ocv::MakeDefaultOcvParam(kDir);
    auto image = [&](ocv::ImageSettings& im) {
        f::ImageSettingsFields(im, s);
        f::TextStyleFields(im.fontDateTime, s);
        f::TextStyleFields(im.fontName, s);
    };
    auto targets = [&](auto& r) {
        f::LocalSettingFields(r.local, s);
        image(r.local.image);
        f::FtpInfoFields(r.ftp, s);
        image(r.ftp.image);
        f::SmtpInfoFields(r.smtp, s);
        image(r.smtp.image);
    };
    ocv::OcvParam& p = c.param;
    p.name = "Scrambled カメラ";
    f::VistrelFields(p.vistrel, s);
    targets(p.vistrel);
    f::MotionFields(p.motion, s);
    targets(p.motion);
    f::SnapShotFields(p.snapShot, s);
    targets(p.snapShot);
    f::RecordingFields(p.recording, s);
    f::LocalSettingFields(p.recording.local, s);
    image(p.recording.local.image);
    f::ScheduleFields(p.schedule, s);
    f::WebServerFields(p.webServer, s);
    f::DeviceInfoFields(p.deviceInfo, s);
    f::ConditionFields(c.conditions, s);
    return doc;
}

std::unique_ptr<pugi::xml_document> Parse(const std::string& text) {
    std::string reason;
    auto doc = ocv::ParseXmlBuffer(text.data(), text.size(), reason);
    EXPECT_TRUE(doc) << reason;
    return doc;
}

// Reads `in` into `doc` and writes it again.
std::string Rebuild(const pugi::xml_document& in, ocv::ConfigDocument& doc, CapturedLog& cap) {
    doc.ReadDocument(in, cap.log);
    pugi::xml_document out;
    EXPECT_TRUE(doc.BuildDocument(out, cap.log));
    return ocv::XmlToString(out);
}

TEST(RoundTrip, LoadSaveLoadSaveIsAFixedPoint) {
    CapturedLog cap;
    ocv::ConfigDocument first = ScrambledConfig();
    ocv::CameraConfig& edge = first.cameras.emplace_back(first.NewCamera());
    edge.param.name = std::string(255, 'n');                   // exactly at the capacity
    edge.param.webServer.password = "<&>\"'\t\r\n\x01";        // escaped characters
    edge.param.vistrel.smtp.mailBody = std::string(511, 'b');  // longest body
    edge.param.motion.motionCaptureThreshold = 0.125f;         // written as "0.12"
    edge.param.deviceInfo.deviceName = "http://127.0.0.1:8080/日本";
    pugi::xml_document d1;
    ASSERT_TRUE(first.BuildDocument(d1, cap.log));
    const std::string s1 = ocv::XmlToString(d1);
    // Nearly every stored value of the first camera differs from its default.
    auto plain = DefaultDocument();
    auto defaults = ocv::FindElements(*plain, "meta"), stored = ocv::FindElements(d1, "meta");
    size_t differing = 0;
    for (size_t i = 0; i < defaults.size(); ++i)
        differing += std::string(defaults[i].attribute("value").value()) !=
                     stored[i].attribute("value").value();
    EXPECT_GT(differing, defaults.size() * 95 / 100);
    ocv::ConfigDocument back(kDir), again(kDir);
    const std::string s2 = Rebuild(*Parse(s1), back, cap);
    EXPECT_EQ(s1, s2);
    EXPECT_EQ(s2, Rebuild(*Parse(s2), again, cap));
    ASSERT_EQ(2u, back.cameras.size());
    EXPECT_EQ(first.system, back.system);
    EXPECT_EQ(first.cameras[0], back.cameras[0]);
    EXPECT_EQ(edge.param.webServer.password, back.cameras[1].param.webServer.password);
    EXPECT_FLOAT_EQ(0.12f, back.cameras[1].param.motion.motionCaptureThreshold);
    EXPECT_TRUE(cap.Notices().empty());
}

}  // namespace
