#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <tuple>

#include "app/Options.h"
#include "app/ProgramDir.h"
#include "platform/Files.h"

using namespace ocv;

TEST(Options, ParsesEveryOption) {
    std::string err;
    auto o = ParseOptions({"--headless", "--dir", "/srv/cams", "--add-camera", "5",
                           "http://cam.local/", "--name", "Door"},
                          err);
    ASSERT_TRUE(o) << err;
    EXPECT_TRUE(o->headless && o->addCamera);
    EXPECT_EQ(std::tie(o->dir, o->addType, o->addUrl, o->addName),
              std::make_tuple("/srv/cams", 5, "http://cam.local/", "Door"));
    for (auto [args, number] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{"-s", "3"}, 3}, {{"-s2"}, 2}, {{"--dir", "/x", "-s12"}, 12}}) {
        o = ParseOptions(args, err);
        ASSERT_TRUE(o) << err;
        EXPECT_EQ(o->settingsCamera, number);
    }
}

TEST(Options, RefusesBadCommandLines) {
    std::string err;
    for (auto bad : std::vector<std::vector<std::string>>{
             {"--dir"}, {"--add-camera", "9", "x"}, {"--add-camera", "x5", "u"},
             {"--add-camera", "3"}, {"-s", "0"}, {"-s", "two"}, {"-s0"}, {"-sx"}, {"--name", "n"},
             {"--set", "a=1", "--headless"}, {"--get", "a", "-s", "1"}, {"--bogus"}}) {
        err.clear();
        EXPECT_FALSE(ParseOptions(bad, err)) << bad[0];
        EXPECT_FALSE(err.empty());
    }
}

TEST(ProgramDir, OptionThenPortableInstallThenHome) {
    char tmpl[] = "/tmp/ocvdirXXXXXX";
    std::string root = mkdtemp(tmpl);
    std::string wanted = JoinPath(root, "given/sub");
    EXPECT_EQ(ResolveProgramDirectory(wanted, "/usr/bin/ocuvane"), wanted);
    EXPECT_TRUE(DirectoryExists(wanted)) << "--dir is created";

    std::string portable = JoinPath(root, "portable");
    CreateDirectoryOne(portable);
    std::ofstream(JoinPath(portable, "ocv.xml")) << "<OcvML/>";
    EXPECT_EQ(ResolveProgramDirectory("", JoinPath(portable, "ocuvane")), portable);

    // Else $XDG_DATA_HOME/ocuvane when it is absolute, else ~/.local/share/ocuvane.
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", root.c_str(), 1);
    for (auto [xdg, lands] : std::vector<std::pair<std::string, std::string>>{
             {"relative", ".local/share/ocuvane"}, {JoinPath(root, "data"), "data/ocuvane"}}) {
        setenv("XDG_DATA_HOME", xdg.c_str(), 1);
        EXPECT_EQ(ResolveProgramDirectory("", JoinPath(root, "bin/ocuvane")), JoinPath(root, lands));
        EXPECT_TRUE(DirectoryExists(JoinPath(root, lands)));
    }
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", oldHome.c_str(), 1);
    RemoveDirectoryTree(root);
}
