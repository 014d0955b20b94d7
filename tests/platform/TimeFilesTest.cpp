#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/Files.h"
#include "platform/Time.h"

using namespace ocv;

TEST(Time, LocalTimeRecordFields) {
    setenv("TZ", "JST-9", 1);  // no other test of this program reads local time
    tzset();
    // 2007-03-05 00:04:03 UTC is 09:04:03 on a Monday in UTC+9.
    LocalTime t = ToLocalTime(1173053043, 250);
    EXPECT_EQ(std::vector<int>({t.wYear, t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute,
                                t.wSecond, t.wMilliseconds}),
              std::vector<int>({2007, 3, 5, 1, 9, 4, 3, 250}));
}

TEST(Files, CreateDeleteAndRemoveTrees) {
    char tmpl[] = "/tmp/ocvfilesXXXXXX";
    std::string root = mkdtemp(tmpl);
    std::string a = JoinPath(root, "a"), f = JoinPath(root, "f.txt");
    EXPECT_TRUE(CreateDirectoryOne(a) && DirectoryExists(a));
    EXPECT_FALSE(CreateDirectoryOne(a)) << "exists already";
    EXPECT_FALSE(CreateDirectoryOne(JoinPath(root, "x/y"))) << "parent missing";

    std::ofstream(f) << "x";
    EXPECT_TRUE(DeleteFile(f));
    EXPECT_FALSE(FileExists(f));
    EXPECT_FALSE(DeleteFile(f)) << "already gone";
    EXPECT_FALSE(DeleteFile(a)) << "a directory is not a file";
    EXPECT_TRUE(DirectoryExists(a));

    // A tree goes with its contents; a link in it goes, not what it points to.
    std::string tree = JoinPath(root, "tree");
    ASSERT_TRUE(CreateDirectoryOne(tree) && CreateDirectoryOne(JoinPath(tree, "sub")));
    std::ofstream(JoinPath(tree, "sub/b.jpg")) << "b";
    std::ofstream(JoinPath(a, "keep.txt")) << "keep";
    ASSERT_EQ(symlink(a.c_str(), JoinPath(tree, "link").c_str()), 0);
    EXPECT_TRUE(RemoveDirectoryTree(tree));
    EXPECT_FALSE(DirectoryExists(tree));
    EXPECT_TRUE(FileExists(JoinPath(a, "keep.txt")));
    EXPECT_TRUE(RemoveDirectoryTree(JoinPath(root, "never-existed")));
    EXPECT_TRUE(RemoveDirectoryTree(root));
}

TEST(Paths, JoinAndTrailingSeparators) {
    const std::pair<std::string, std::string> rows[] = {
        {JoinPath("/a/b", "c.jpg"), "/a/b/c.jpg"},
        {JoinPath("/a/b/", "c.jpg"), "/a/b/c.jpg"},
        {JoinPath("/a/b/", "/c.jpg"), "/a/b/c.jpg"},
        {JoinPath("", "c.jpg"), "c.jpg"},
        {DropTrailingSeparator("/a/b/"), "/a/b"},
        {DropTrailingSeparator("/a/b\\"), "/a/b"},
        {DropTrailingSeparator("/a/b//"), "/a/b/"},  // only one separator is dropped
        {DropTrailingSeparator("/"), "/"},
    };
    for (const auto& [got, want] : rows) EXPECT_EQ(got, want);
    EXPECT_TRUE(DirectoryExists(TempDirectory()));
    EXPECT_NE(TempDirectory().back(), '/');
}
