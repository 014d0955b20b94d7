#include <gtest/gtest.h>
#include <unistd.h>

#include "delivery/CaptureNaming.h"
#include "platform/Files.h"
#include "platform/NamedEvent.h"

using namespace ocv;

namespace {
LocalTime Dec5() {
    LocalTime t;
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 5;
    t.wHour = 13;
    t.wMinute = 45;
    t.wSecond = 7;
    return t;
}
}  // namespace

TEST(CaptureNaming, NameDateTimeCounterAndExtension) {
    ImageSettings im;
    im.imageFilename = "cam";
    im.enableAddNameDate = im.enableAddNameTime = im.enableAddNameCounter = 1;
    im.imageFileFormat = IMAGE_FORMAT_JPEG;
    uint32_t counter = 7;
    EXPECT_EQ(MakeCaptureFileName(im, Dec5(), counter), "cam202612051345070007.jpg");
    EXPECT_EQ(counter, 8u);

    im.imageFilename.clear();
    im.imageFileFormat = IMAGE_FORMAT_PNG;
    std::string n = MakeCaptureFileName(im, Dec5(), counter);
    EXPECT_EQ(n, "202612051345070008.png");
    EXPECT_EQ(n.size(), 8u + 6u + 4u + 4u);

    // Past 9999 the counter simply grows.
    counter = 12345;
    im.enableAddNameDate = im.enableAddNameTime = 0;
    im.imageFileFormat = IMAGE_FORMAT_GIF;
    EXPECT_EQ(MakeCaptureFileName(im, Dec5(), counter), "12345.gif");
}

TEST(CaptureNaming, CounterAdvancesEvenWhenNotShown) {
    ImageSettings im;
    im.imageFilename = "x";
    im.imageFileFormat = IMAGE_FORMAT_BMP;
    uint32_t counter = 0;
    EXPECT_EQ(MakeCaptureFileName(im, Dec5(), counter), "x.bmp");
    EXPECT_EQ(MakeCaptureFileName(im, Dec5(), counter), "x.bmp");
    EXPECT_EQ(counter, 2u);
    im.imageFilename.clear();
    EXPECT_EQ(MakeCaptureFileName(im, Dec5(), counter), ".bmp")
        << "all parts off: just the extension";
}

TEST(CaptureNaming, DateDirectoryIsMadeOneLevelWithOrWithoutTrailingSeparator) {
    char tmpl[] = "/tmp/ocvnameXXXXXX";
    std::string root = mkdtemp(tmpl);
    std::string a = MakeDateDirectory(root, Dec5());
    std::string b = MakeDateDirectory(root + "/", Dec5());
    EXPECT_EQ(a, root + "/20261205");
    EXPECT_EQ(a, b);
    EXPECT_TRUE(DirectoryExists(a));
    // Only one level is made: under a missing directory nothing is created.
    std::string missing = MakeDateDirectory(root + "/nope", Dec5());
    EXPECT_FALSE(DirectoryExists(missing));
    EXPECT_FALSE(DirectoryExists(root + "/nope"));
    RemoveDirectoryTree(root);
}

TEST(CaptureNaming, WorkDirectoryBelongsToTheThread) {
    std::string mine = MakeWorkDirectory();
    EXPECT_EQ(mine, JoinPath(TempDirectory(),
                             "ocv" + std::to_string(getpid()) + std::to_string(CurrentThreadId())));
    EXPECT_TRUE(DirectoryExists(mine));
    std::string other;
    std::thread([&] { other = MakeWorkDirectory(); }).join();
    EXPECT_NE(mine, other);
    RemoveDirectoryTree(mine);
    RemoveDirectoryTree(other);
}
