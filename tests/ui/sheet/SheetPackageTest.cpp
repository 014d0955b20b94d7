// A package setup copies one target's settings into the same target of the chosen modes only.
#include <gtest/gtest.h>

#include "config/OcvParam.h"
#include "ui/SheetPackage.h"

namespace {

using namespace ocv;

FtpInfo SampleFtp() {
    FtpInfo f;
    f.ftpServerAddress = "ftp.example.org";
    f.ftpServerPort = 2121;
    f.ftpUser = "cam";
    f.ftpPassword = "pw";
    f.ftpDirectory = "/up";
    f.ftpPasvMode = 1;
    f.image.imageFilename = "from-package";
    return f;
}

SmtpInfo SampleSmtp() {
    SmtpInfo s;
    s.smtpServerAddress = "smtp.example.org";
    s.mailFrom = "cam@example.org";
    s.mailTo[3] = "boss@example.org";
    s.mailBody = "line\r\nline";
    s.image.imageFilename = "from-package";
    return s;
}

TEST(SheetPackage, FtpAndMailReachOnlyTheChosenModesAndKeepTheirImages) {
    const ModeChoice rows[] = {{}, {true, false, false}, {false, true, true}, {true, true, true}};
    for (const ModeChoice& c : rows) {
        const OcvParam before = MakeDefaultOcvParam("/opt/ocuvane");
        OcvParam p = before;
        ApplyFtpPackage(p, SampleFtp(), c);
        ApplySmtpPackage(p, SampleSmtp(), c);
        const bool chosen[3] = {c.live, c.motion, c.snapshot};
        for (int m = 0; m < 3; ++m) {
            OcvParam b = before;
            FtpInfo ftp = SampleFtp();
            ftp.image = FtpOf(b, m).image;
            SmtpInfo smtp = SampleSmtp();
            smtp.image = SmtpOf(b, m).image;
            EXPECT_EQ(FtpOf(p, m), chosen[m] ? ftp : FtpOf(b, m)) << m;
            EXPECT_EQ(SmtpOf(p, m), chosen[m] ? smtp : SmtpOf(b, m)) << m;
            EXPECT_EQ(LocalOf(p, m), LocalOf(b, m)) << m;
        }
        EXPECT_EQ(p.recording, before.recording);
    }
}

TEST(SheetPackage, ImageSettingsReachTheChosenCellsOfTheGrid) {
    ImageSettings image;
    image.imageFilename = "grid";
    image.enableGrayScale = 1;
    ImageChoice diagonal{};
    ImageChoice column{};
    ImageChoice all{};
    for (int i = 0; i < 3; ++i) {
        diagonal[i][i] = true;
        column[i][1] = true;
        all[i] = {true, true, true};
    }
    for (const ImageChoice& grid : {ImageChoice{}, diagonal, column, all}) {
        const OcvParam before = MakeDefaultOcvParam("/opt/ocuvane");
        OcvParam p = before;
        ApplyImagePackage(p, image, grid);
        OcvParam b = before;
        for (int m = 0; m < 3; ++m) {
            const ImageSettings* got[3] = {&LocalOf(p, m).image, &FtpOf(p, m).image,
                                           &SmtpOf(p, m).image};
            const ImageSettings* old[3] = {&LocalOf(b, m).image, &FtpOf(b, m).image,
                                           &SmtpOf(b, m).image};
            for (int t = 0; t < 3; ++t)
                EXPECT_EQ(*got[t], grid[m][t] ? image : *old[t]) << m << "," << t;
        }
    }
}

}  // namespace
