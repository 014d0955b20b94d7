// The documents written for a new camera against the key tables: every key in its element, in
// the table order, with its default as written (the defaults themselves are pinned by the
// committed settings reference).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "config/ConfigDocument.h"
#include "config/ConfigPath.h"
#include "config/XmlMeta.h"

using namespace ocvtest;

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// The elements and metas of the keys whose chain starts with `first` (all when empty), opening
// and closing elements as the chain changes from one key to the next.
std::string Expected(const std::vector<ocv::KeyInfo>& keys, const std::string& first = "") {
    std::string out;
    std::vector<std::string> open;
    auto closeTo = [&](size_t depth) {
        while (open.size() > depth) {
            out += "</" + open.back() + ">";
            open.pop_back();
        }
    };
    for (const ocv::KeyInfo& k : keys) {
        if (!first.empty() && (k.elements.empty() || k.elements[0] != first)) continue;
        size_t same = 0;
        while (same < open.size() && same < k.elements.size() && open[same] == k.elements[same])
            ++same;
        closeTo(same);
        for (size_t i = same; i < k.elements.size(); ++i) {
            out += "<" + k.elements[i] + ">";
            open.push_back(k.elements[i]);
        }
        if (k.kind == ocv::KeyKind::Body)
            out += "<MailBody><![CDATA[" + k.defaultText + "]]></MailBody>";
        else
            out += "<meta name=\"" + k.key + "\" value=\"" + k.defaultText + "\"/>";
    }
    closeTo(0);
    return out;
}

TEST(DocumentShape, SavedFilesHoldTheKeysOfTheTablesInOrder) {
    TempDir dir;
    CapturedLog cap;
    ocv::ConfigDocument doc(dir.Path());
    doc.cameras.push_back(doc.NewCamera());
    ASSERT_TRUE(doc.SaveConfiguration(cap.log));
    const std::vector<ocv::KeyInfo> cam = ocv::CameraKeys(dir.Path());
    const std::string want = kDecl + "<OcvML><SystemInfo>" + Expected(ocv::SystemKeys(dir.Path())) +
                             "</SystemInfo><Camera no=\"1\">" + Expected(cam, "ConditionSetting") +
                             Expected(cam, "OcvParam") + Expected(cam, "DeviceInfo") +
                             "</Camera></OcvML>",
                      got = ReadAll(dir.File("ocv.xml"));
    size_t diff = 0;
    while (diff < want.size() && diff < got.size() && want[diff] == got[diff]) ++diff;
    EXPECT_EQ(want, got) << "first difference at byte " << diff;

    EXPECT_TRUE(cap.Notices().empty());
}

}  // namespace
