// Section load rules: missing sub-sections, the mail body, the format word, the recipients,
// missing keys and sections taking their defaults, and the load/save fixed point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <random>
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

// A document holding one new camera.
std::unique_ptr<pugi::xml_document> DefaultDocument(const ocv::CameraConfig* cam = nullptr) {
    CapturedLog cap;
    ocv::ConfigDocument doc(kDir);
    doc.cameras.push_back(cam ? *cam : doc.NewCamera());
    auto out = std::make_unique<pugi::xml_document>();
    EXPECT_TRUE(doc.BuildDocument(*out, cap.log));
    return out;
}

pugi::xml_node Node(pugi::xml_node from, std::initializer_list<const char*> path) {
    for (const char* p : path) from = from.child(p);
    EXPECT_TRUE(from) << "missing " << *(path.end() - 1);
    return from;
}

pugi::xml_node CameraOf(pugi::xml_document& doc) { return doc.child("OcvML").child("Camera"); }

void SetMeta(pugi::xml_node section, const char* key, const char* value) {
    for (pugi::xml_node m : section.children("meta")) {
        if (std::string(m.attribute("name").value()) == key) {
            m.attribute("value").set_value(value);
            return;
        }
    }
    ADD_FAILURE() << "no meta " << key;
}

// Loads the camera element into a new camera's record.
ocv::OcvParam LoadCamera(pugi::xml_document& doc, CapturedLog& cap, bool* ok = nullptr) {
    ocv::OcvParam p = ocv::MakeDefaultOcvParam(kDir);
    bool r = ocv::LoadOcvParamFromNode(CameraOf(doc), p, cap.log);
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
        pugi::xml_node parent = Node(CameraOf(*doc), {"OcvParam"});
        for (const char* p : c.parent) parent = parent.child(p);
        ASSERT_TRUE(parent.remove_child(c.child)) << message;
        CapturedLog cap;
        bool ok = false;
        LoadCamera(*doc, cap, &ok);
        EXPECT_TRUE(ok) << message;
        EXPECT_EQ(std::vector<std::string>{message}, cap.Errors());
    }
}

TEST(SubSections, MissingSubSectionStopsTheLaterOnesOfTheSameSection) {
    auto doc = DefaultDocument();
    pugi::xml_node image = Node(CameraOf(*doc), {"OcvParam", "Motion", "Local", "Image"});
    SetMeta(image, "JPEG Quality", "55");
    SetMeta(image.child("FontName"), "Height", "30");
    image.remove_child("FontDateTime");
    pugi::xml_node motion = Node(CameraOf(*doc), {"OcvParam", "Motion"});
    SetMeta(motion.child("FTP"), "FTP Server Port", "2121");
    SetMeta(Node(CameraOf(*doc), {"OcvParam", "Recording"}), "RecordingTime", "99");
    CapturedLog cap;
    ocv::OcvParam p = LoadCamera(*doc, cap);
    EXPECT_EQ(55, p.motion.local.image.jpegQuality);      // own metas are read first
    EXPECT_EQ(14, p.motion.local.image.fontName.height);  // after the missing one: not read
    EXPECT_EQ(21, p.motion.ftp.ftpServerPort);            // the failed Local ends Motion
    EXPECT_EQ(99, p.recording.recordingTime);             // later sections go on
    EXPECT_EQ(1u, cap.Errors().size());
}

TEST(SubSections, SnapshotEnableLocalIsIgnoredWithoutError) {
    auto doc = DefaultDocument();
    pugi::xml_node snap = Node(CameraOf(*doc), {"OcvParam", "SnapShot"});
    pugi::xml_node meta = snap.prepend_child("meta");
    meta.append_attribute("name").set_value("Enable Local");
    meta.append_attribute("value").set_value("0");
    CapturedLog cap;
    ocv::OcvParam p = LoadCamera(*doc, cap);
    EXPECT_EQ(ocv::MakeDefaultOcvParam(kDir), p);
    EXPECT_TRUE(cap.Notices().empty());
}

std::string BodyAfterLoad(const std::string& stored, CapturedLog& cap) {
    auto doc = DefaultDocument();
    pugi::xml_node body = Node(CameraOf(*doc), {"OcvParam", "Live", "SMTP", "MailBody"});
    body.first_child().set_value(stored.c_str());
    return LoadCamera(*doc, cap).vistrel.smtp.mailBody;
}

TEST(MailBody, LineEndsBecomeCrLfAndLongBodiesAreCut) {
    CapturedLog cap;
    EXPECT_EQ("a\r\nb\r\n", BodyAfterLoad("a\nb\n", cap));
    EXPECT_EQ("a\r\nb\r\n", BodyAfterLoad("a\r\nb\r\n", cap));
    EXPECT_EQ("\r\nx\r\n\r\ny", BodyAfterLoad("\nx\r\n\ny", cap));
    EXPECT_TRUE(cap.Notices().empty());

    // 600 bytes of 3-byte characters: cut to at most 511 bytes on a character boundary.
    std::string longBody;
    for (int i = 0; i < 200; ++i) longBody += "あ";
    std::string cut = BodyAfterLoad(longBody, cap);
    EXPECT_EQ(510u, cut.size());
    EXPECT_EQ(longBody.substr(0, 510), cut);
    EXPECT_EQ(1u, cap.Warnings().size());
    cap.Clear();
    // Line ends counted after the CR is inserted.
    std::string lines(300, '\n');
    EXPECT_EQ(511u, BodyAfterLoad(lines, cap).size());
}

TEST(MailBody, MissingOrEmptyElementKeepsTheFieldAndSpecialTextRoundTrips) {
    CapturedLog cap;
    auto doc = DefaultDocument();
    pugi::xml_node smtp = Node(CameraOf(*doc), {"OcvParam", "Motion", "SMTP"});
    smtp.remove_child("MailBody");
    pugi::xml_node snapBody = Node(CameraOf(*doc), {"OcvParam", "SnapShot", "SMTP", "MailBody"});
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
    pugi::xml_node live = Node(CameraOf(*doc), {"OcvParam", "Live"});
    SetMeta(live.child("Local").child("Image"), "Image File Format", "jpeg");
    SetMeta(live.child("FTP").child("Image"), "Image File Format", "PNG");
    SetMeta(live.child("SMTP").child("Image"), "Image File Format", "GIF");
    SetMeta(Node(CameraOf(*doc), {"OcvParam", "Recording", "Local", "Image"}), "Image File Format",
            "");
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
    std::string word;
    ocv::GetMeta(Node(CameraOf(*saved), {"OcvParam", "Motion", "FTP", "Image"}),
                 "Image File Format", word);
    EXPECT_EQ("", word);
    EXPECT_EQ(ocv::IMAGE_FORMAT_JPEG, LoadCamera(*saved, cap).motion.ftp.image.imageFileFormat);
}

TEST(Recipients, ExactlyTenAreReadAndAnEleventhIsIgnored) {
    auto doc = DefaultDocument();
    pugi::xml_node smtp = Node(CameraOf(*doc), {"OcvParam", "Live", "SMTP"});
    for (int i = 1; i <= 10; ++i) {
        std::string key = "Mail To" + std::to_string(i);
        std::string value = "r" + std::to_string(i) + "@example.com";
        SetMeta(smtp, key.c_str(), value.c_str());
    }
    pugi::xml_node extra =
        smtp.insert_child_after("meta", smtp.find_child_by_attribute("meta", "name", "Mail To10"));
    extra.append_attribute("name").set_value("Mail To11");
    extra.append_attribute("value").set_value("r11@example.com");
    CapturedLog cap;
    ocv::OcvParam p = LoadCamera(*doc, cap);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ("r" + std::to_string(i + 1) + "@example.com", p.vistrel.smtp.mailTo[i]);
    ocv::CameraConfig cam;
    cam.param = p;
    std::string saved = ocv::XmlToString(*DefaultDocument(&cam));
    EXPECT_EQ(std::string::npos, saved.find("Mail To11"));
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
    void Int(const char* k, int32_t& f) {
        ++n;
        f = InRange(k, n, n);
    }
    void Byte(const char*, uint8_t& f) { f = static_cast<uint8_t>(++n % 200 + 1); }
    void Float(const char* k, float& f) {
        ++n;
        f = InRange(k, n, static_cast<float>(n) + 0.25f);
    }
    void Text(const char*, std::string& f, size_t) { f = "t" + std::to_string(++n) + " é"; }
    void Format(const char*, int32_t& f) { f = (f + 1 + (++n) % 3) % 4; }
    void Body(std::string& f) { f = "body " + std::to_string(++n) + "\r\nline 2"; }
};

// A camera whose every stored field differs from its default (as far as the ranges allow).
ocv::CameraConfig ScrambledCamera() {
    Scrambler s{1000};
    ocv::CameraConfig c;
    c.param = ocv::MakeDefaultOcvParam(kDir);
    auto image = [&](ocv::ImageSettings& im) {
        ocv::fields::ImageSettingsFields(im, s);
        ocv::fields::TextStyleFields(im.fontDateTime, s);
        ocv::fields::TextStyleFields(im.fontName, s);
    };
    auto targets = [&](auto& r) {
        ocv::fields::LocalSettingFields(r.local, s);
        image(r.local.image);
        ocv::fields::FtpInfoFields(r.ftp, s);
        image(r.ftp.image);
        ocv::fields::SmtpInfoFields(r.smtp, s);
        image(r.smtp.image);
    };
    ocv::OcvParam& p = c.param;
    p.name = "Scrambled カメラ";
    ocv::fields::VistrelFields(p.vistrel, s);
    targets(p.vistrel);
    ocv::fields::MotionFields(p.motion, s);
    targets(p.motion);
    ocv::fields::SnapShotFields(p.snapShot, s);
    targets(p.snapShot);
    ocv::fields::RecordingFields(p.recording, s);
    ocv::fields::LocalSettingFields(p.recording.local, s);
    image(p.recording.local.image);
    ocv::fields::ScheduleFields(p.schedule, s);
    ocv::fields::WebServerFields(p.webServer, s);
    ocv::fields::DeviceInfoFields(p.deviceInfo, s);
    ocv::fields::ConditionFields(c.conditions, s);
    return c;
}

ocv::ConfigDocument ScrambledConfig() {
    ocv::ConfigDocument doc(kDir);
    Scrambler s{5000};
    ocv::fields::SystemLogFields(doc.system, s);
    ocv::fields::SystemMailFields(doc.system, s);
    doc.cameras.push_back(ScrambledCamera());
    return doc;
}

std::string Rebuild(const pugi::xml_document& in) {
    CapturedLog cap;
    ocv::ConfigDocument doc(kDir);
    doc.ReadDocument(in, cap.log);
    pugi::xml_document out;
    EXPECT_TRUE(doc.BuildDocument(out, cap.log));
    return ocv::XmlToString(out);
}

TEST(RoundTrip, LoadSaveLoadSaveIsAFixedPoint) {
    CapturedLog cap;
    ocv::ConfigDocument first = ScrambledConfig();
    ocv::CameraConfig edge = first.NewCamera();
    edge.param.name = std::string(255, 'n');                   // exactly at the capacity
    edge.param.webServer.password = "<&>\"'\t\r\n\x01";        // escaped characters
    edge.param.vistrel.smtp.mailBody = std::string(511, 'b');  // longest body
    edge.param.motion.motionCaptureThreshold = 0.125f;         // written as "0.12"
    edge.param.deviceInfo.deviceName = "http://127.0.0.1:8080/日本";
    first.cameras.push_back(edge);
    pugi::xml_document d1;
    ASSERT_TRUE(first.BuildDocument(d1, cap.log));
    std::string s1 = ocv::XmlToString(d1);
    std::string reason;
    auto p1 = ocv::ParseXmlBuffer(s1.data(), s1.size(), reason);
    ASSERT_TRUE(p1);
    std::string s2 = Rebuild(*p1);
    auto p2 = ocv::ParseXmlBuffer(s2.data(), s2.size(), reason);
    ASSERT_TRUE(p2);
    std::string s3 = Rebuild(*p2);
    EXPECT_EQ(s2, s3);
    EXPECT_EQ(s1, s2);
    ocv::ConfigDocument back(kDir);
    back.ReadDocument(*p2, cap.log);
    ASSERT_EQ(2u, back.cameras.size());
    EXPECT_EQ(first.system, back.system);
    EXPECT_EQ(first.cameras[0], back.cameras[0]);
    EXPECT_EQ(edge.param.webServer.password, back.cameras[1].param.webServer.password);
    EXPECT_FLOAT_EQ(0.12f, back.cameras[1].param.motion.motionCaptureThreshold);
    EXPECT_TRUE(cap.Notices().empty());
}

// Metas removed from a document: the loaded record has the defaults in their place, and every
// other value as stored. Checked by comparing the rewritten document with the stored one in
// which the removed values are replaced by those of a default document.
TEST(RoundTrip, RemovedKeysLoadAsDefaults) {
    CapturedLog cap;
    ocv::ConfigDocument scrambled = ScrambledConfig();
    pugi::xml_document full;
    ASSERT_TRUE(scrambled.BuildDocument(full, cap.log));
    ocv::ConfigDocument defaults(kDir);
    defaults.cameras.push_back(defaults.NewCamera());
    pugi::xml_document plain;
    ASSERT_TRUE(defaults.BuildDocument(plain, cap.log));
    const std::string fullText = ocv::XmlToString(full);
    const std::vector<pugi::xml_node> plainMetas = ocv::FindElements(plain, "meta");
    const size_t count = plainMetas.size();
    ASSERT_EQ(count, ocv::FindElements(full, "meta").size());
    size_t differing = 0;
    for (size_t i = 0; i < count; ++i) {
        differing += std::string(plainMetas[i].attribute("value").value()) !=
                     ocv::FindElements(full, "meta")[i].attribute("value").value();
    }
    EXPECT_GT(differing, count * 95 / 100);

    std::mt19937 rng(12345);
    for (int round = 0; round < 60; ++round) {
        // Round 0..n: one key at a time over a sample; later rounds: many keys at once.
        std::vector<bool> remove(count, false);
        if (round < 30) {
            remove[rng() % count] = true;
        } else {
            for (size_t i = 0; i < count; ++i) remove[i] = rng() % 3 == 0;
        }
        std::string reason;
        auto damaged = ocv::ParseXmlBuffer(fullText.data(), fullText.size(), reason);
        auto expected = ocv::ParseXmlBuffer(fullText.data(), fullText.size(), reason);
        std::vector<pugi::xml_node> dm = ocv::FindElements(*damaged, "meta");
        std::vector<pugi::xml_node> em = ocv::FindElements(*expected, "meta");
        for (size_t i = 0; i < count; ++i) {
            if (!remove[i]) continue;
            dm[i].parent().remove_child(dm[i]);
            em[i].attribute("value").set_value(plainMetas[i].attribute("value").value());
        }
        // The parsed copy has no declaration node; the rebuilt one starts with it.
        const std::string want =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + ocv::XmlToString(*expected);
        // The parsed copy also holds the mail bodies with LF only; CRs are not compared.
        std::string got = Rebuild(*damaged);
        std::erase(got, '\r');
        size_t at = 0;
        while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
        EXPECT_TRUE(want == got) << "round " << round << " differs at " << at << ":\n  want ..."
                                 << want.substr(at > 150 ? at - 150 : 0, 250) << "\n  got  ..."
                                 << got.substr(at > 150 ? at - 150 : 0, 250);
    }
}

TEST(RoundTrip, RemovedSectionsLoadAsDefaultsSilently) {
    CapturedLog cap;
    ocv::ConfigDocument scrambled = ScrambledConfig();
    pugi::xml_document full;
    ASSERT_TRUE(scrambled.BuildDocument(full, cap.log));
    const std::string fullText = ocv::XmlToString(full);
    const char* sections[] = {"Live", "Motion", "SnapShot", "Schedule", "WebServer", "Recording"};
    for (const char* section : sections) {
        std::string reason;
        auto damaged = ocv::ParseXmlBuffer(fullText.data(), fullText.size(), reason);
        Node(CameraOf(*damaged), {"OcvParam"}).remove_child(section);
        CapturedLog log;
        ocv::ConfigDocument doc(kDir);
        doc.ReadDocument(*damaged, log.log);
        ASSERT_EQ(1u, doc.cameras.size());
        ocv::OcvParam expected = scrambled.cameras[0].param;
        ocv::OcvParam def = ocv::MakeDefaultOcvParam(kDir);
        std::string s = section;
        if (s == "Live") expected.vistrel = def.vistrel;
        if (s == "Motion") expected.motion = def.motion;
        if (s == "SnapShot") expected.snapShot = def.snapShot;
        if (s == "Schedule") expected.schedule = def.schedule;
        if (s == "WebServer") expected.webServer = def.webServer;
        if (s == "Recording") expected.recording = def.recording;
        EXPECT_EQ(expected, doc.cameras[0].param) << section;
        EXPECT_TRUE(log.Notices().empty()) << section;
    }
}

}  // namespace
