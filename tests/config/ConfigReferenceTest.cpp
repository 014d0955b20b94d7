// The settings reference against the key tables: every stored key is described, no description
// is left over, and the committed docs/configuration.md is what the tables give today.
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "config/ConfigPath.h"
#include "config/ConfigReference.h"
#include "config/KeyMeanings.h"

namespace ocv {
namespace {

TEST(ConfigReference, EveryKeyHasOneMeaningAndEveryMeaningAKey) {
    std::set<std::pair<std::string, std::string>> used;
    for (const auto& keys : {SystemKeys("/p"), CameraKeys("/p")})
        for (const KeyInfo& k : keys) {
            used.emplace(k.block, k.key);
            const KeyMeaning* m = FindKeyMeaning(k.block, k.key);
            EXPECT_TRUE(m && *m->meaning) << k.block << " / " << k.key << " (" << k.path << ")";
        }
    std::set<std::pair<std::string, std::string>> described;
    for (const KeyMeaning& m : KeyMeanings()) {
        EXPECT_TRUE(described.emplace(m.block, m.key).second)
            << "described twice: " << m.block << " / " << m.key;
        EXPECT_TRUE(used.count({m.block, m.key})) << "no such key: " << m.block << " / " << m.key;
    }
}

TEST(ConfigReference, CommittedDocumentIsCurrent) {
    std::ifstream in(std::string(OCV_SOURCE_DIR) + "/docs/configuration.md", std::ios::binary);
    std::ostringstream committed;
    committed << in.rdbuf();
    EXPECT_TRUE(committed.str() == ConfigReferenceMarkdown())
        << "docs/configuration.md is out of date: run build/release/tools/ocv-configdoc > "
           "docs/configuration.md";
}

}  // namespace
}  // namespace ocv
