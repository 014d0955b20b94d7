// Capture file names, the date folder and the capture thread's working directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "../foundation/TempDir.h"
#include "delivery/CaptureNaming.h"
#include "platform/Files.h"
#include "platform/NamedEvent.h"

using namespace ocv;

namespace {

const LocalTime kDec5{2026, 12, 0, 5, 13, 45, 7, 0};

TEST(CaptureNaming, NamePartsCounterAndExtension) {
    struct Row {
        const char* name;
        int date, time, counter, format;
        uint32_t counterBefore;
        const char* expected;
    } rows[] = {
        {"cam", 1, 1, 1, IMAGE_FORMAT_JPEG, 7, "cam202612051345070007.jpg"},
        {"", 1, 1, 1, IMAGE_FORMAT_PNG, 8, "202612051345070008.png"},
        {"", 0, 0, 1, IMAGE_FORMAT_GIF, 12345, "12345.gif"},  // past 9999 it simply grows
        {"x", 0, 0, 0, IMAGE_FORMAT_BMP, 0, "x.bmp"},         // the counter still advances
        {"", 0, 0, 0, IMAGE_FORMAT_BMP, 0, ".bmp"},
    };
    for (const Row& row : rows) {
        ImageSettings im;
        im.imageFilename = row.name;
        im.enableAddNameDate = row.date;
        im.enableAddNameTime = row.time;
        im.enableAddNameCounter = row.counter;
        im.imageFileFormat = row.format;
        uint32_t counter = row.counterBefore;
        EXPECT_EQ(MakeCaptureFileName(im, kDec5, counter), row.expected);
        EXPECT_EQ(counter, row.counterBefore + 1) << row.expected;
    }
}

TEST(CaptureNaming, DateDirectoryIsMadeOneLevelWithOrWithoutTrailingSeparator) {
    TempDir dir;
    const std::string root = dir.Path();
    std::string a = MakeDateDirectory(root, kDec5);
    EXPECT_EQ(a, root + "/20261205");
    EXPECT_EQ(MakeDateDirectory(root + "/", kDec5), a);
    EXPECT_TRUE(DirectoryExists(a));
    // Only one level is made: under a missing directory nothing is created.
    MakeDateDirectory(root + "/nope", kDec5);
    EXPECT_FALSE(DirectoryExists(root + "/nope"));
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

}  // namespace
