// The delivery routine with its remote targets replaced: which targets run, what each gets, where
// a stop ends it; the pause that a stop cuts short.
#include <gtest/gtest.h>

#include "TargetTestSupport.h"
#include "delivery/Deliver.h"
#include "delivery/StopWait.h"
#include "platform/Files.h"

namespace ocv::test {
namespace {

class DeliverTest : public TargetFixture {
protected:
    void SetUp() override {
        TargetFixture::SetUp();
        param_ = MakeDefaultOcvParam(dir_);
        param_.snapShot.local.image = PlainImage("snap", IMAGE_FORMAT_BMP);
        param_.vistrel.local.image = PlainImage("live", IMAGE_FORMAT_JPEG);
        for (LocalSetting* l : {&param_.vistrel.local, &param_.snapShot.local}) {
            l->saveDirectoryName = dir_;
            l->image.enableAddNameCounter = 0;
        }
    }
    void TearDown() override {
        SetDeliveryTargets({});
        TargetFixture::TearDown();
    }
    int Deliver(int mode, const NamedEvent* stop = nullptr) {
        return DeliverPicture(log_, param_, mode, picture_, time_, stop, workDir_, lc_, fc_, mc_);
    }
    OcvParam param_;
    uint32_t lc_ = 0, fc_ = 0, mc_ = 0;
};

// An unknown mode does nothing; the local save alone, then its failures logged with the mode name.
TEST_F(DeliverTest, LocalSaveAloneAndItsFailures) {
    EXPECT_EQ(Deliver(3), 0);
    EXPECT_EQ(LogText(), "");
    param_.snapShot.enableFtp = param_.snapShot.enableSmtp = 0;
    EXPECT_EQ(Deliver(MODE_SNAPSHOT), 1);
    EXPECT_TRUE(FileExists(JoinPath(dir_, "snap.bmp")));
    EXPECT_TRUE(Logged("[Snap] Saving to harddisk..."));
    EXPECT_EQ(lc_, 1u);
    EXPECT_EQ(fc_, 0u);
    param_.vistrel.local.saveDirectoryName = JoinPath(dir_, "missing");
    EXPECT_EQ(Deliver(MODE_VISTREL), 1);
    EXPECT_TRUE(Logged("[Live] Save image failed! [")) << LogText();
    param_.vistrel.local.saveDirectoryName = dir_;
    param_.vistrel.local.image.rotate = 5;  // no such quarter turn
    Deliver(MODE_VISTREL);
    EXPECT_TRUE(Logged("[Live] Edit image failed! [")) << LogText();
}

TEST_F(DeliverTest, StopBeforeRemoteTargetsSkipsThemAfterTheLocalSave) {
    int ftpCalls = 0, mailCalls = 0;
    SetDeliveryTargets({[&](const FtpInfo&, TargetCall&, std::string&) { return ++ftpCalls; },
                        [&](const SmtpInfo&, TargetCall&, const std::string&, const std::string&) {
                            return ++mailCalls;
                        }});
    param_.vistrel.enableLocal = param_.vistrel.enableFtp = param_.vistrel.enableSmtp = 1;
    stop_->Set();
    EXPECT_EQ(Deliver(MODE_VISTREL, stop_.get()), 0);
    EXPECT_TRUE(FileExists(JoinPath(dir_, "live.jpg"))) << "the local save is never interrupted";
    EXPECT_EQ(ftpCalls + mailCalls, 0);
    stop_->Reset();
    EXPECT_EQ(Deliver(MODE_VISTREL, stop_.get()), 1);
    EXPECT_EQ(ftpCalls, 1);
    EXPECT_EQ(mailCalls, 1);
}

// Each target edits its own copy; the mail gets the local and the FTP file names, the FTP name
// even when the upload failed.
TEST_F(DeliverTest, EachTargetGetsItsOwnCopyAndTheFileNamesOfTheOthers) {
    for (int uploaded : {1, 0}) {
        SCOPED_TRACE(uploaded ? "uploaded" : "upload failed");
        std::string seenLocal, seenFtp;
        int ftpWidth = 0, mailWidth = 0;
        SetDeliveryTargets(
            {[&](const FtpInfo&, TargetCall& c, std::string& name) {
                 ftpWidth = c.picture.Width();
                 c.picture.Rotate(90);  // must not leak into the mail's copy
                 name = "remote.jpg";
                 return uploaded;
             },
             [&](const SmtpInfo&, TargetCall& c, const std::string& local, const std::string& ftp) {
                 mailWidth = c.picture.Width();
                 seenLocal = local;
                 seenFtp = ftp;
                 return 1;
             }});
        param_.vistrel.enableFtp = param_.vistrel.enableSmtp = 1;
        param_.vistrel.local.image.rotate = 1;  // the local copy turns; the others must not
        ASSERT_EQ(Deliver(MODE_VISTREL), 1);
        EXPECT_EQ(ftpWidth, 96);
        EXPECT_EQ(mailWidth, 96);
        EXPECT_EQ(picture_.Width(), 96) << "the caller's picture is untouched";
        EXPECT_EQ(seenLocal, "live.jpg");
        EXPECT_EQ(seenFtp, "remote.jpg");
        CDibImage saved;
        ASSERT_TRUE(saved.LoadFromFile(JoinPath(dir_, "live.jpg")));
        EXPECT_EQ(saved.Width(), 64) << "the local copy was rotated";
    }
}

TEST_F(DeliverTest, PauseEndsEarlyOnlyForAStop) {
    struct Row {
        bool stopped;
        int ms;
    } rows[] = {{false, 0}, {true, 0}, {false, 20}, {true, 20}, {true, -1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.stopped << " " << row.ms);
        row.stopped ? stop_->Set() : stop_->Reset();
        EXPECT_EQ(PauseUnlessStopped(stop_.get(), row.ms), row.stopped);
    }
    EXPECT_FALSE(PauseUnlessStopped(nullptr, 0));
}

}  // namespace
}  // namespace ocv::test
