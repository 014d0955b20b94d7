// The desktop program on a virtual X display with a tray host: started on --demo it shows a
// camera window with a moving picture and the tray icon, and the log window from the tray
// menu; screenshots go to the build tree's
// screenshots/ (the pictures in docs/screenshots/ are taken from there).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <regex>
#include <sstream>

#include "../Site.h"
#include "../../foundation/TempDir.h"

using namespace ocv;
using namespace ocvtest;

namespace {

// The output of a shell command run on `display`.
std::string Capture(const std::string& display, const std::string& command) {
    std::string out;
    FILE* p = ::popen(("DISPLAY=" + display + " " + command + " 2>/dev/null").c_str(), "r");
    char buf[4096];
    for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    if (p) ::pclose(p);
    return out;
}

struct Window {
    std::string id, name, wmClass;
    int indent = 0, width = 0, height = 0, x = 0, y = 0;  // x and y on the screen
    bool inPanel = false;  // embedded below the tray host's panel
};

// Every window of `xwininfo -root -tree`, in tree order with its depth.
std::vector<Window> Windows(const std::string& display) {
    std::vector<Window> out;
    std::istringstream tree(Capture(display, "xwininfo -root -tree"));
    std::regex re(
        R"(^(\s*)(0x[0-9a-f]+) (\"[^\"]*\"|\(has no name\)): \(([^)]*)\)\s+(\d+)x(\d+)\S*\s+\+(-?\d+)\+(-?\d+))");
    std::string line;
    std::smatch m;
    while (std::getline(tree, line)) {
        if (!std::regex_search(line, m, re)) continue;
        out.push_back({m[2], m[3], m[4], static_cast<int>(m[1].length()), std::stoi(m[5]),
                       std::stoi(m[6]), std::stoi(m[7]), std::stoi(m[8])});
    }
    for (size_t i = 0; i < out.size(); ++i)
        for (size_t j = i; j-- > 0;) {
            if (out[j].indent < out[i].indent && out[j].name == "\"panel\"") out[i].inPanel = true;
            if (out[i].inPanel || out[j].indent <= 5) break;
        }
    return out;
}

class XvfbDemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int n = 91; n < 140; ++n) {
            struct stat st {};
            if (::stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) != 0 &&
                ::stat(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), &st) != 0) {
                display_ = ":" + std::to_string(n);
                break;
            }
        }
        ASSERT_FALSE(display_.empty());
        xvfb_ = Start({"/usr/bin/Xvfb", display_, "-screen", "0", "800x600x24", "-nolisten", "tcp"},
                      "xvfb");
        ASSERT_TRUE(WaitFor([&] { return Run("xset q >/dev/null 2>&1"); }, 20000));
        trayer_ = Start({"/usr/bin/trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                         "pixel", "--width", "60", "--height", "24"},
                        "trayer", {"DISPLAY=" + display_});
        ASSERT_TRUE(WaitFor([&] {
            for (const Window& w : Windows(display_))
                if (w.wmClass.find("\"trayer\"") != std::string::npos && w.name == "\"panel\"") return true;
            return false;
        }, 20000));
    }
    void TearDown() override { program_.reset(), trayer_.reset(), xvfb_.reset(); }
    // A process with its output in the test's directory as <tag>.out and <tag>.err.
    std::unique_ptr<Process> Start(const std::vector<std::string>& argv, const std::string& tag,
                                   const std::vector<std::string>& env = {}) {
        return std::make_unique<Process>(argv, dir_.File(tag + ".out"), dir_.File(tag + ".err"),
                                         env);
    }
    bool Run(const std::string& command) {
        return ::system(("DISPLAY=" + display_ + " " + command).c_str()) == 0;
    }
    void Screenshot(const std::string& name) {
        const std::string dir = std::string(OCV_BINARY_DIR) + "/screenshots";
        ::mkdir(dir.c_str(), 0755);
        EXPECT_TRUE(Run("import -window root " + dir + "/" + name));
        EXPECT_TRUE(FileExists(dir + "/" + name));
    }

    // Pixels of the screen rectangle `w` (inset by `inset`), as ImageMagick's text listing.
    std::string Pixels(const Window& w, int inset) {
        const std::string crop = std::to_string(w.width - 2 * inset) + "x" +
                                 std::to_string(w.height - 2 * inset) + "+" +
                                 std::to_string(w.x + inset) + "+" + std::to_string(w.y + inset);
        return Capture(display_, "import -window root -crop " + crop + " -depth 8 txt:-");
    }
    void Click(int x, int y, int button) {
        ASSERT_TRUE(Run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                        " click " + std::to_string(button)));
    }

    TempDir dir_;
    std::string display_;
    std::unique_ptr<Process> xvfb_, trayer_, program_;
};

TEST_F(XvfbDemoTest, DemoShowsACameraWindowAndTheTrayIcon) {
    const std::string runtime = dir_.File("runtime");
    ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
    const std::string demo = dir_.File("demo");
    program_ = Start({kOcuvane, "--demo", "--dir", demo}, "ocuvane",
                     {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + runtime,
                      "LANG=C.UTF-8"});
    // The first viewable window of the program that `match` takes.
    auto find = [&](const std::function<bool(const Window&)>& match, Window* found = nullptr) {
        for (const Window& w : Windows(display_))
            if (w.wmClass.find("\"ocuvane\"") != std::string::npos && match(w) &&
                Capture(display_, "xwininfo -id " + w.id).find("IsViewable") != std::string::npos) {
                if (found) *found = w;
                return true;
            }
        return false;
    };
    // A top-level window within these sizes.
    auto top = [](int minW, int minH, int maxW, int maxH) {
        return [=](const Window& w) {
            return w.indent <= 5 && w.width >= minW && w.height >= minH && w.width <= maxW &&
                   w.height <= maxH;
        };
    };
    // The camera window: top level, at least 300x300.
    const auto isCamera = top(300, 300, 1 << 20, 1 << 20);
    Window camera, icon, menu, logWindow;
    ASSERT_TRUE(WaitFor([&] { return find(isCamera, &camera); }, 20000)) << program_->Err();
    // The tray icon: a window of the program embedded below the tray host's panel.
    ASSERT_TRUE(WaitFor([&] { return find([](const Window& w) { return w.inPanel; }, &icon); }, 10000));
    // The camera connected; a moment for its first pictures to be painted.
    ASSERT_TRUE(WaitFor(
        [&] { return Process::Read(demo + "/log.txt").find("との接続を確立") != std::string::npos; },
        20000));
    WaitFor([] { return false; }, 1500);
    Screenshot("desktop-demo.png");
    // The picture moves: two looks at the panel a second apart differ (the window is where it
    // was placed by now).
    ASSERT_TRUE(find(isCamera, &camera));
    const std::string before = Pixels(camera, 30);
    WaitFor([] { return false; }, 1000);
    EXPECT_NE(Pixels(camera, 30), before) << "the camera window's picture does not move";
    EXPECT_EQ(program_->Err().find("No system tray"), std::string::npos);
    EXPECT_EQ(Process::Read(demo + "/log.txt").find("No system tray"), std::string::npos);
    // The right button on the icon opens the menu (six commands of equal height).
    auto openMenu = [&] {
        Click(icon.x + icon.width / 2, icon.y + icon.height / 2, 3);
        return WaitFor([&] { return find(top(100, 100, 299, 1 << 20), &menu); }, 10000);
    };
    ASSERT_TRUE(openMenu());
    Screenshot("desktop-tray-menu.png");
    // "Show &logs...", the fourth command, opens the log window with the lines of log.txt.
    Click(menu.x + 40, menu.y + menu.height * 7 / 12, 1);
    ASSERT_TRUE(WaitFor([&] { return find(top(400, 0, 1 << 20, 299), &logWindow); }, 10000));
    WaitFor([] { return false; }, 500);
    Screenshot("desktop-log.png");
    Click(logWindow.x + 25, logWindow.y + 8, 1);  // the log window's "Close"
    // Its last command, "E&xit", ends the program.
    ASSERT_TRUE(openMenu());
    Click(menu.x + 40, menu.y + menu.height - 12, 1);
    EXPECT_EQ(program_->Wait(20000), 0) << program_->Err();
    EXPECT_NE(Process::Read(demo + "/log.txt").find("Ocuvane stopped."), std::string::npos);
    const std::string xml = Process::Read(demo + "/ocv.xml");
    EXPECT_NE(xml.find("LastShow"), std::string::npos);
}

}  // namespace
