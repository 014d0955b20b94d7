// The add-camera dialog accepts what --add-camera accepts and refuses the rest with the reason
// the command line gives.
#include <gtest/gtest.h>

#include <regex>

#include "DesktopFixture.h"
#include "app/desktop/AddCameraDialog.h"

using namespace ocv;
using namespace ocvtest;

namespace {

// The reason --add-camera prints when it refuses; empty when it added the camera.
std::string CommandLineRefusal(const TempDir& dir, int type, const std::string& address) {
    Process p({kOcuvane, "--dir", dir.Path(), "--add-camera", std::to_string(type), address},
              dir.File("add.out"), dir.File("add.err"));
    if (p.Wait(20000) == 0) return {};
    std::smatch m;
    std::string err = p.Err();
    std::regex re("refused: (.*); nothing was added");
    return std::regex_search(err, m, re) ? m[1].str() : "unexpected: " + err;
}

TEST(AddCameraDialogTest, RefusesWhatTheCommandLineRefusesWithTheSameReason) {
    App();
    TempDir dir;
    struct Row {
        int type;
        const char* address;
        bool accepted;
    };
    const Row rows[] = {
        {5, "http://user:pw@127.0.0.1/", true},
        {2, "rtsp://127.0.0.1:8554/live", true},
        {1, "USB Camera", true},
        {8, "rtsp://127.0.0.1/live", false},
        {5, "127.0.0.1/axis-cgi", false},
        {2, "ftp://127.0.0.1/x.mp4", false},
        {2, "rtsp://127.0.0.1:99999/live", false},
        {3, "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.type) + " " + row.address);
        CAddCameraDialog dlg(CameraChoice{});
        dlg.SetChoice(CameraChoice{row.type, row.address, "Yard"});
        dlg.accept();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, row.accepted);
        const std::string refusal = dlg.Refusal().toStdString();
        EXPECT_EQ(refusal, CommandLineRefusal(dir, row.type, row.address));
        EXPECT_EQ(refusal.empty(), row.accepted);
        const CameraChoice c = dlg.Choice();
        EXPECT_EQ(c.type, row.type);
        EXPECT_EQ(c.address, row.address);
        EXPECT_EQ(c.name, "Yard");
    }
}

}  // namespace
