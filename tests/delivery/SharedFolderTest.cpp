// Cameras that save into one folder under one name at the same moments: with the counter in
// the name every picture keeps a file of its own (each camera's counter starts at 0, so a name
// with the counter never replaces a file), a fixed name always holds one whole picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TargetTestSupport.h"
#include "delivery/LocalSave.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

class SharedFolderTest : public TargetFixture {};

TEST_F(SharedFolderTest, CamerasSavingAtOnceNeverWriteIntoOneFile) {
    constexpr int kCameras = 6, kPictures = 15;
    for (bool counterInName : {true, false}) {
        SCOPED_TRACE(counterInName ? "counter in the name" : "fixed name");
        const std::string dir = JoinPath(dir_, counterInName ? "counted" : "fixed");
        ASSERT_TRUE(CreateDirectoryOne(dir));
        LocalSetting local;
        local.saveDirectoryName = dir;
        local.image = PlainImage("live", IMAGE_FORMAT_JPEG);
        local.image.enableAddNameCounter = counterInName;
        // Each camera's picture has its own size, so every encoding is told apart by its bytes.
        std::set<std::string> encodings;
        for (int c = 0; c < kCameras; ++c)
            encodings.insert(ReferenceEncoding(MakeTestPicture(64 + 8 * c, 48), local.image,
                                               camera_, time_,
                                               JoinPath(refDir_, std::to_string(c) + ".jpg")));
        std::vector<std::thread> cameras;
        std::vector<int> saved(kCameras, 0);
        for (int c = 0; c < kCameras; ++c)
            cameras.emplace_back([&, c] {
                uint32_t counter = 0;  // every camera's counter starts at 0, as after a start
                for (int i = 0; i < kPictures; ++i) {
                    CDibImage picture = MakeTestPicture(64 + 8 * c, 48);
                    std::string name;
                    saved[c] += SaveToLocalDisk(picture, local, time_, counter, log_, "Live",
                                                camera_, name);
                }
            });
        for (std::thread& t : cameras) t.join();
        EXPECT_EQ(std::count(saved.begin(), saved.end(), kPictures), kCameras) << LogText();
        std::vector<std::string> files = DirectoryEntries(dir);
        EXPECT_EQ(files.size(), counterInName ? size_t{kCameras * kPictures} : 1u)
            << "no picture lost, no temporary left";
        for (const std::string& f : files)
            EXPECT_EQ(encodings.count(ReadWholeFile(JoinPath(dir, f))), 1u) << f << " is whole";
    }
}

}  // namespace
}  // namespace ocv::test
