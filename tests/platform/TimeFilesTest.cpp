#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/Files.h"
#include "platform/Time.h"

using namespace ocv;

TEST(Time, TickCountAdvancesInMilliseconds) {
    uint32_t a = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    uint32_t elapsed = GetTickCount() - a;  // unsigned difference survives the wrap
    EXPECT_GE(elapsed, 100u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Time, LocalTimeRecordFields) {
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "JST-9", 1);
    tzset();
    // 2007-03-05 00:04:03 UTC is 09:04:03 on a Monday in UTC+9.
    LocalTime t = ToLocalTime(1173053043, 250);
    EXPECT_EQ(t.wYear, 2007);
    EXPECT_EQ(t.wMonth, 3);
    EXPECT_EQ(t.wDay, 5);
    EXPECT_EQ(t.wDayOfWeek, 1);
    EXPECT_EQ(t.wHour, 9);
    EXPECT_EQ(t.wMinute, 4);
    EXPECT_EQ(t.wSecond, 3);
    EXPECT_EQ(t.wMilliseconds, 250);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ocvfilesXXXXXX";
        root_ = mkdtemp(tmpl);
    }
    void TearDown() override { RemoveDirectoryTree(root_); }
    std::string root_;
};

TEST_F(FilesTest, CreateDirectoryOneLevelOnly) {
    std::string a = JoinPath(root_, "a");
    EXPECT_TRUE(CreateDirectoryOne(a));
    EXPECT_TRUE(DirectoryExists(a));
    EXPECT_FALSE(CreateDirectoryOne(a)) << "exists already";
    EXPECT_FALSE(CreateDirectoryOne(JoinPath(root_, "x/y"))) << "parent missing";
}

TEST_F(FilesTest, DeleteFileOnlyDeletesFiles) {
    std::string f = JoinPath(root_, "f.txt");
    std::ofstream(f) << "x";
    EXPECT_TRUE(DeleteFile(f));
    EXPECT_FALSE(FileExists(f));
    EXPECT_FALSE(DeleteFile(f)) << "already gone";
    EXPECT_FALSE(DeleteFile(root_)) << "a directory is not a file";
    EXPECT_TRUE(DirectoryExists(root_));
}

TEST_F(FilesTest, RemoveDirectoryTreeRemovesLinksNotTheirTargets) {
    std::string outside = JoinPath(root_, "outside");
    ASSERT_TRUE(CreateDirectoryOne(outside));
    std::ofstream(JoinPath(outside, "keep.txt")) << "keep";
    std::string tree = JoinPath(root_, "tree");
    ASSERT_TRUE(CreateDirectoryOne(tree));
    ASSERT_TRUE(CreateDirectoryOne(JoinPath(tree, "sub")));
    std::ofstream(JoinPath(tree, "sub/a.jpg")) << "a";
    ASSERT_EQ(symlink(outside.c_str(), JoinPath(tree, "link").c_str()), 0);
    EXPECT_TRUE(RemoveDirectoryTree(tree));
    EXPECT_FALSE(DirectoryExists(tree));
    EXPECT_TRUE(FileExists(JoinPath(outside, "keep.txt")));
    EXPECT_TRUE(RemoveDirectoryTree(JoinPath(root_, "never-existed")));
}

TEST(Paths, JoinAndTrailingSeparators) {
    EXPECT_EQ(JoinPath("/a/b", "c.jpg"), "/a/b/c.jpg");
    EXPECT_EQ(JoinPath("/a/b/", "c.jpg"), "/a/b/c.jpg");
    EXPECT_EQ(JoinPath("/a/b/", "/c.jpg"), "/a/b/c.jpg");
    EXPECT_EQ(JoinPath("", "c.jpg"), "c.jpg");
    EXPECT_EQ(DropTrailingSeparator("/a/b/"), "/a/b");
    EXPECT_EQ(DropTrailingSeparator("/a/b\\"), "/a/b");
    EXPECT_EQ(DropTrailingSeparator("/a/b//"), "/a/b/") << "only one separator is dropped";
    EXPECT_EQ(DropTrailingSeparator("/"), "/");
    EXPECT_TRUE(DirectoryExists(TempDirectory()));
    EXPECT_NE(TempDirectory().back(), '/');
}
