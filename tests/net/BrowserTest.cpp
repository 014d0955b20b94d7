// The viewer page in headless Chromium: the live stream shows, and it moves.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "../foundation/TempDir.h"
#include "WebTestSupport.h"
#include "config/OcvParam.h"

using namespace ocvtest;

namespace {

// Index of the palette colour nearest to the screenshot pixel, -1 when none is close.
int PaletteIndexAt(const std::string& png, int x, int y) {
    std::string rgb = Shell(
        "/usr/bin/python3 -c \"from PIL import Image; "
        "print(*Image.open('" +
        png + "').convert('RGB').getpixel((" + std::to_string(x) + "," + std::to_string(y) +
        ")))\"");
    int r = -1, g = -1, b = -1;
    if (std::sscanf(rgb.c_str(), "%d %d %d", &r, &g, &b) != 3) return -1;
    for (int i = 0; i < 6; ++i) {
        int db = b - kPalette[i][0], dg = g - kPalette[i][1], dr = r - kPalette[i][2];
        if (db * db + dg * dg + dr * dr < 60 * 60) return i;
    }
    return -1;
}

TEST(ViewerPageInBrowser, ShowsTheMovingStream) {
    if (Shell("command -v chromium").empty())
        GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it)";
    TempDir dir;
    auto host = std::make_shared<TestHost>(320, 240, dir.Path());
    ocv::OcvParam p;
    p.webServer.enable = 1;
    p.webServer.maxFrame = 10;
    p.webServer.port = 0;
    p.webServer.nicIndex = LoopbackNic();
    ServerRun server(host, p);
    ASSERT_TRUE(server.Ready());
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";

    std::set<int> seen;
    for (int shot = 0; shot < 5 && seen.size() < 2; ++shot) {
        std::string png = dir.File("shot" + std::to_string(shot) + ".png");
        Shell(
            "timeout 60 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
            "--disable-background-networking --no-first-run --user-data-dir=" +
            dir.File("profile") + " --window-size=400,300 --screenshot=" + png + " " + url +
            " >/dev/null 2>&1");
        // The picture sits centred under the body margin: 320 x 240 from (40, 8).
        int index = PaletteIndexAt(png, 200, 128);
        ASSERT_GE(index, 0) << "no camera picture in the screenshot " << png;
        // Colours of the whole picture area agree (one frame, not a broken image).
        EXPECT_EQ(PaletteIndexAt(png, 60, 30), index);
        EXPECT_EQ(PaletteIndexAt(png, 340, 230), index);
        seen.insert(index);
    }
    EXPECT_GE(seen.size(), 2u) << "the picture did not change between screenshots";
    EXPECT_TRUE(host->Lines().Has("[WebServer] 現在1ユーザが動画を見ています...", ocv::LOG_DEBUG));
}

}  // namespace
