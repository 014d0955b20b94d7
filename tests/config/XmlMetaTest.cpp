// The meta layer: lookup rules, the number and text rules, file reading and atomic writing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <string>

#include "ConfigTestSupport.h"
#include "config/XmlMeta.h"

using namespace ocvtest;

namespace {

std::unique_ptr<pugi::xml_document> Parse(const std::string& text) {
    std::string reason;
    auto doc = ocv::ParseXmlBuffer(text.data(), text.size(), reason);
    EXPECT_TRUE(doc) << reason;
    return doc;
}

// The first meta of the name in document order over the whole subtree; names are case-sensitive,
// and the first meta of the name ends the lookup even without a value.
TEST(MetaLookup, FirstMatchInDocumentOrderOverTheWholeSubtree) {
    auto doc = Parse(
        "<S><meta/><meta value=\"x\"/><meta name=\"A\" value=\"1\"/><Sub><meta name=\"B\" "
        "value=\"deep\"/></Sub><meta name=\"B\" value=\"late\"/><meta name=\"A\" value=\"2\"/>"
        "<meta name=\"smtp port\" value=\"1\"/><meta name=\"SMTP Port\"/>"
        "<meta name=\"SMTP Port\" value=\"2\"/><other name=\"Q\" value=\"3\"/></S>");
    const std::pair<const char*, const char*> rows[] = {
        {"A", "1"}, {"B", "deep"}, {"smtp port", "1"}, {"SMTP Port", nullptr}, {"Q", nullptr},
        {"C", nullptr}};
    for (const auto& [key, value] : rows) {
        std::string v = "keep";
        EXPECT_EQ(ocv::GetMeta(doc->child("S"), key, v), value != nullptr) << key;
        EXPECT_EQ(v, value ? value : "keep") << key;
    }
    doc = Parse("<R><A><X id=\"1\"><X id=\"2\"/></X></A><X id=\"3\"/></R>");
    EXPECT_STREQ("1", ocv::FindSection(*doc, "X").attribute("id").value());
    auto all = ocv::FindElements(*doc, "X");
    ASSERT_EQ(3u, all.size());
    EXPECT_STREQ("2", all[1].attribute("id").value());
    EXPECT_STREQ("3", all[2].attribute("id").value());
    EXPECT_FALSE(ocv::FindSection(doc->child("R").child("A").child("X").child("X"), "X"));
}

TEST(MetaNumbers, IntegersFollowTheAtoiRulesAndSaturate) {
    struct Row {
        const char* text;
        int32_t value;
        bool isNumber;
    } rows[] = {
        {"42", 42, true},    {"  \t-17abc", -17, true}, {"+5", 5, true},   {"3.9", 3, true},
        {"abc", 0, false},   {"", 0, false},            {"- 4", 0, false},
        {"2147483647", INT32_MAX, true},                {"-2147483648", INT32_MIN, true},
        {"99999999999999999999999999", INT32_MAX, true},
        {"-99999999999999999999999999", INT32_MIN, true},
    };
    for (const Row& row : rows) {
        bool isNumber = !row.isNumber;
        EXPECT_EQ(row.value, ocv::ParseMetaInt(row.text, &isNumber)) << row.text;
        EXPECT_EQ(row.isNumber, isNumber) << row.text;
    }
}

TEST(MetaNumbers, BytesKeepTheLowEightBits) {
    auto doc = Parse(
        "<S><meta name=\"a\" value=\"128\"/><meta name=\"b\" value=\"300\"/>"
        "<meta name=\"c\" value=\"-1\"/><meta name=\"d\" value=\"x\"/></S>");
    for (auto [key, want] : {std::pair{"a", 128}, {"b", 44}, {"c", 255}, {"d", 0}}) {
        uint8_t v = 9;
        ocv::ReadMetaByte(doc->child("S"), key, v);
        EXPECT_EQ(want, v) << key;
    }
}

TEST(MetaNumbers, FloatsWrittenWithTwoDecimalsWhateverTheLocale) {
    EXPECT_EQ("10.00", ocv::FormatMetaFloat(10.0f));
    EXPECT_EQ("-2.25", ocv::FormatMetaFloat(-2.25f));
    EXPECT_FLOAT_EQ(0.75f, ocv::ParseMetaFloat(" 0.75xyz"));
    bool isNumber = true;
    EXPECT_EQ(0.0f, ocv::ParseMetaFloat("fast", &isNumber));
    EXPECT_FALSE(isNumber);
    EXPECT_TRUE(std::isinf(ocv::ParseMetaFloat("1e300")));
    // A process locale with a decimal comma must not change the stored text.
    const char* locales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"};
    for (const char* name : locales) {
        if (!std::setlocale(LC_NUMERIC, name)) continue;
        EXPECT_EQ("1.50", ocv::FormatMetaFloat(1.5f)) << name;
        EXPECT_FLOAT_EQ(1.5f, ocv::ParseMetaFloat("1.5")) << name;
    }
    std::setlocale(LC_NUMERIC, "C");
}

TEST(MetaText, CopiedOnlyWhenShorterThanTheCapacityAndReported) {
    CapturedLog cap;
    auto doc = Parse(
        "<S><meta name=\"fits\" value=\"abc\"/><meta name=\"long\" value=\"secret\"/>"
        "<meta name=\"n\" value=\"zz\"/></S>");
    pugi::xml_node s = doc->child("S");
    std::string field = "old";
    EXPECT_TRUE(ocv::ReadMetaString(s, "fits", field, 4, &cap.log));
    EXPECT_EQ("abc", field);
    EXPECT_FALSE(ocv::ReadMetaString(s, "long", field, 4, &cap.log));
    EXPECT_EQ("abc", field);
    int32_t n = 7;
    EXPECT_TRUE(ocv::ReadMetaInt(s, "n", n, &cap.log));
    EXPECT_EQ(0, n);
    ASSERT_EQ(2u, cap.Warnings().size());
    EXPECT_NE(std::string::npos, cap.Warnings()[0].find("<long>"));
    EXPECT_EQ(std::string::npos, cap.Warnings()[0].find("secret")) << "the value is not logged";
    EXPECT_NE(std::string::npos, cap.Warnings()[1].find("<n>"));
}

TEST(XmlFile, MissingFileIsSilentAndBadFilesAreReportedOnce) {
    TempDir dir;
    CapturedLog cap;
    EXPECT_FALSE(ocv::LoadXmlFile(dir.File("none.xml"), &cap.log));
    EXPECT_FALSE(ocv::LoadXmlFile(dir.Path(), &cap.log));  // a directory is not a file
    EXPECT_TRUE(cap.Notices().empty());
    const std::string bad[] = {
        "",                                              // empty
        "<OcvML><SystemInfo><Log>",                      // truncated
        "<OcvML><meta name=\"a\" value=\"1\"></OcvML>",  // mismatched
        std::string("<a>\0</a>", 8),                     // binary
    };
    for (const std::string& text : bad) {
        cap.Clear();
        WriteFile(dir.File("bad.xml"), text);
        std::string reason;
        EXPECT_FALSE(ocv::LoadXmlFile(dir.File("bad.xml"), &cap.log, &reason)) << text;
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(std::vector<std::string>{"XML Perse Failed! [" + dir.File("bad.xml") + "], [" +
                                           reason + "]"},
                  cap.Boxes());
    }
}

TEST(XmlFile, DeepNestingIsRejectedWithoutExhaustingTheStack) {
    TempDir dir;
    CapturedLog cap;
    auto nested = [](size_t depth) {
        std::string text;
        for (size_t i = 0; i < depth; ++i) text += "<a>";
        for (size_t i = 0; i < depth; ++i) text += "</a>";
        return text;
    };
    WriteFile(dir.File("deep.xml"), nested(200000));
    std::string reason;
    EXPECT_FALSE(ocv::LoadXmlFile(dir.File("deep.xml"), &cap.log, &reason));
    EXPECT_NE(std::string::npos, reason.find("nested")) << reason;
    EXPECT_EQ(1u, cap.Boxes().size());
    WriteFile(dir.File("ok.xml"), nested(ocv::kMaxXmlDepth));  // within the bound it loads
    EXPECT_TRUE(ocv::LoadXmlFile(dir.File("ok.xml"), &cap.log));
}

size_t Entries(const std::string& dir) {
    auto it = std::filesystem::directory_iterator(dir);
    return static_cast<size_t>(std::distance(begin(it), end(it)));
}

TEST(AtomicSave, ReplacesTheFileWithMode0600OrFailsLeavingTheOldFileByteForByte) {
    TempDir dir;
    const std::string path = dir.File("f.xml");
    WriteFile(path, "old");
    ::chmod(path.c_str(), 0644);
    ASSERT_TRUE(ocv::WriteFileAtomically(path, "new contents"));
    EXPECT_EQ("new contents", ReadAll(path));
    struct stat st {};
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_EQ(1u, Entries(dir.Path()));

    // A write that hits the file-size limit fails like a full disk.
    struct sigaction ignore {}, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    bool ok = ocv::WriteFileAtomically(path, std::string(100000, 'y'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_FALSE(ok);
    EXPECT_EQ("new contents", ReadAll(path));
    // A missing directory and a directory in the file's place fail too.
    EXPECT_FALSE(ocv::WriteFileAtomically(dir.File("nodir/f.xml"), "x"));
    ASSERT_EQ(0, ::mkdir(dir.File("isdir").c_str(), 0700));
    EXPECT_FALSE(ocv::WriteFileAtomically(dir.File("isdir"), "x"));
    EXPECT_EQ(2u, Entries(dir.Path()));  // f.xml and isdir, no temporaries left behind
}

}  // namespace
