// The desktop program on a virtual X display with a tray host: started on --demo it shows a
// camera window with a moving picture and the tray icon, and the log window from the tray
// menu; screenshots go to the build tree's
// screenshots/ (the pictures in docs/screenshots/ are taken from there).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

// Under a display of its own (the first free number from :91) with trayer as the tray host.
TEST(XvfbDemoTest, DemoShowsACameraWindowAndTheTrayIcon) {
    TempDir dir;
    std::string display;
    auto taken = [](const std::string& path) { return ::access(path.c_str(), F_OK) == 0; };
    for (int n = 91; n < 140 && display.empty(); ++n)
        if (!taken("/tmp/.X11-unix/X" + std::to_string(n)) &&
            !taken("/tmp/.X" + std::to_string(n) + "-lock"))
            display = ":" + std::to_string(n);
    ASSERT_FALSE(display.empty());
    // Processes with their output in the test's directory as <tag>.out and <tag>.err; the
    // program ends first, the display last.
    auto start = [&](const std::vector<std::string>& argv, const std::string& tag,
                     const std::vector<std::string>& env = {}) {
        return std::make_unique<Process>(argv, dir.File(tag + ".out"), dir.File(tag + ".err"), env);
    };
    auto run = [&](const std::string& command) {
        return ::system(("DISPLAY=" + display + " " + command).c_str()) == 0;
    };
    auto xvfb = start({"/usr/bin/Xvfb", display, "-screen", "0", "800x600x24", "-nolisten", "tcp"},
                      "xvfb");
    ASSERT_TRUE(WaitFor([&] { return run("xset q >/dev/null 2>&1"); }, 20000));
    auto trayer = start({"/usr/bin/trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                         "pixel", "--width", "60", "--height", "24"},
                        "trayer", {"DISPLAY=" + display});
    ASSERT_TRUE(WaitFor([&] {
        for (const Window& w : Windows(display))
            if (w.wmClass.find("\"trayer\"") != std::string::npos && w.name == "\"panel\"")
                return true;
        return false;
    }, 20000));
    auto screenshot = [&](const std::string& name) {
        const std::string shots = std::string(OCV_BINARY_DIR) + "/screenshots";
        ::mkdir(shots.c_str(), 0755);
        EXPECT_TRUE(run("import -window root " + shots + "/" + name));
        EXPECT_TRUE(FileExists(shots + "/" + name));
    };
    // Pixels of the screen rectangle `w` (inset by `inset`), as ImageMagick's text listing.
    auto pixels = [&](const Window& w, int inset) {
        const std::string crop = std::to_string(w.width - 2 * inset) + "x" +
                                 std::to_string(w.height - 2 * inset) + "+" +
                                 std::to_string(w.x + inset) + "+" + std::to_string(w.y + inset);
        return Capture(display, "import -window root -crop " + crop + " -depth 8 txt:-");
    };
    auto click = [&](int x, int y, int button) {
        EXPECT_TRUE(run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                        " click " + std::to_string(button)));
    };
    const std::string runtime = dir.File("runtime");
    ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
    const std::string demo = dir.File("demo");
    auto program = start({kOcuvane, "--demo", "--dir", demo}, "ocuvane",
                         {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb",
                          "XDG_RUNTIME_DIR=" + runtime, "LANG=C.UTF-8"});
    // The first viewable window of the program that `match` takes.
    auto find = [&](const std::function<bool(const Window&)>& match, Window* found = nullptr) {
        for (const Window& w : Windows(display))
            if (w.wmClass.find("\"ocuvane\"") != std::string::npos && match(w) &&
                Capture(display, "xwininfo -id " + w.id).find("IsViewable") != std::string::npos) {
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
    ASSERT_TRUE(WaitFor([&] { return find(isCamera, &camera); }, 20000)) << program->Err();
    // The tray icon: a window of the program embedded below the tray host's panel.
    ASSERT_TRUE(WaitFor([&] { return find([](const Window& w) { return w.inPanel; }, &icon); }, 10000));
    // The camera connected; a moment for its first pictures to be painted.
    ASSERT_TRUE(WaitFor(
        [&] { return Process::Read(demo + "/log.txt").find("との接続を確立") != std::string::npos; },
        20000));
    WaitFor([] { return false; }, 1500);
    screenshot("desktop-demo.png");
    // The picture moves: two looks at the panel a second apart differ (the window is where it
    // was placed by now).
    ASSERT_TRUE(find(isCamera, &camera));
    const std::string before = pixels(camera, 30);
    WaitFor([] { return false; }, 1000);
    EXPECT_NE(pixels(camera, 30), before) << "the camera window's picture does not move";
    EXPECT_EQ(program->Err().find("No system tray"), std::string::npos);
    EXPECT_EQ(Process::Read(demo + "/log.txt").find("No system tray"), std::string::npos);
    // The right button on the icon opens the menu (six commands of equal height).
    auto openMenu = [&] {
        click(icon.x + icon.width / 2, icon.y + icon.height / 2, 3);
        return WaitFor([&] { return find(top(100, 100, 299, 1 << 20), &menu); }, 10000);
    };
    ASSERT_TRUE(openMenu());
    screenshot("desktop-tray-menu.png");
    // "Show &logs...", the fourth command, opens the log window with the lines of log.txt.
    click(menu.x + 40, menu.y + menu.height * 7 / 12, 1);
    ASSERT_TRUE(WaitFor([&] { return find(top(400, 0, 1 << 20, 299), &logWindow); }, 10000));
    WaitFor([] { return false; }, 500);
    screenshot("desktop-log.png");
    click(logWindow.x + 25, logWindow.y + 8, 1);  // the log window's "Close"
    // Its last command, "E&xit", ends the program.
    ASSERT_TRUE(openMenu());
    click(menu.x + 40, menu.y + menu.height - 12, 1);
    EXPECT_EQ(program->Wait(20000), 0) << program->Err();
}

}  // namespace
