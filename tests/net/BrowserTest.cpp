// The viewer page in headless Chromium: the live stream shows, and it moves.
#include <gtest/gtest.h>

#include <set>

#include "../foundation/TempDir.h"
#include "WebTestSupport.h"

using namespace ocvtest;

namespace {

TEST(ViewerPageInBrowser, ShowsTheMovingStream) {
    if (Shell("command -v chromium").empty())
        GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it)";
    TempDir dir;
    auto host = std::make_shared<TestHost>(320, 240, dir.Path());
    ServerRun server(host, Settings());
    ASSERT_TRUE(server.Ready());
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
    std::set<int> seen;
    for (int shot = 0; shot < 5 && seen.size() < 2; ++shot) {
        std::string png = dir.File("shot" + std::to_string(shot) + ".png");
        Shell("timeout 60 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
              "--disable-background-networking --no-first-run --user-data-dir=" +
              dir.File("profile") + " --window-size=400,300 --screenshot=" + png + " " + url +
              " >/dev/null 2>&1");
        ocv::CDibImage image;
        ASSERT_TRUE(image.LoadFromFile(png) && image.Width() == 400) << png;
        // The picture sits centred under the body margin: 320 x 240 from (40, 8).
        int index = PaletteAt(image, 200, 128, 60);
        ASSERT_GE(index, 0) << "no camera picture in the screenshot " << png;
        // Colours of the whole picture area agree (one frame, not a broken image).
        EXPECT_EQ(PaletteAt(image, 60, 30, 60), index);
        EXPECT_EQ(PaletteAt(image, 340, 230, 60), index);
        seen.insert(index);
    }
    EXPECT_GE(seen.size(), 2u) << "the picture did not change between screenshots";
    EXPECT_TRUE(host->Lines().Has("[WebServer] 現在1ユーザが動画を見ています...", ocv::LOG_DEBUG));
}

}  // namespace
