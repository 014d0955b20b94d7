#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "delivery/Deliver.h"
#include "delivery/LocalSave.h"
#include "platform/Files.h"

using namespace ocv;

namespace {

class DeliverTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ocvdelivXXXXXX";
        dir_ = mkdtemp(tmpl);
        log_.SetName("cam");
        log_.SetPath(JoinPath(dir_, "log.txt"));
        param_ = MakeDefaultOcvParam(dir_);
        for (LocalSetting* l : {&param_.vistrel.local, &param_.snapShot.local}) {
            l->saveDirectoryName = dir_;
            l->image.enablePrintDate = l->image.enablePrintTime = l->image.enablePrintName = 0;
            l->image.enableAddNameDate = l->image.enableAddNameTime = 0;
            l->image.enableAddNameCounter = 0;
        }
        param_.snapShot.local.image.imageFilename = "snap";
        param_.vistrel.local.image.imageFilename = "live";
        ASSERT_TRUE(picture_.CreateBlank(32, 24));
        time_ = GetLocalTime();
    }
    void TearDown() override {
        SetDeliveryTargets({});
        RemoveDirectoryTree(dir_);
    }
    std::string LogText() {
        std::ifstream f(JoinPath(dir_, "log.txt"));
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    std::string dir_;
    CLogger log_;
    OcvParam param_;
    CDibImage picture_;
    LocalTime time_;
    uint32_t lc_ = 0, fc_ = 0, mc_ = 0;
};

}  // namespace

TEST_F(DeliverTest, SnapshotWithEveryTargetOffStillSavesLocally) {
    param_.snapShot.enableFtp = param_.snapShot.enableSmtp = 0;
    param_.snapShot.local.image.imageFileFormat = IMAGE_FORMAT_BMP;
    EXPECT_EQ(
        DeliverPicture(log_, param_, MODE_SNAPSHOT, picture_, time_, nullptr, dir_, lc_, fc_, mc_),
        1);
    EXPECT_TRUE(FileExists(JoinPath(dir_, "snap.bmp")));
    EXPECT_NE(LogText().find("[Snap] Saving to harddisk..."), std::string::npos);
    EXPECT_EQ(lc_, 1u);
    EXPECT_EQ(fc_, 0u);
}

TEST_F(DeliverTest, UnknownModeDoesNothing) {
    EXPECT_EQ(DeliverPicture(log_, param_, 3, picture_, time_, nullptr, dir_, lc_, fc_, mc_), 0);
    EXPECT_EQ(lc_, 0u);
    EXPECT_TRUE(LogText().empty());
}

TEST_F(DeliverTest, StopBeforeRemoteTargetsSkipsThemAfterTheLocalSave) {
    int ftpCalls = 0, mailCalls = 0;
    SetDeliveryTargets({[&](const FtpInfo&, TargetCall&, std::string&) { return ++ftpCalls; },
                        [&](const SmtpInfo&, TargetCall&, const std::string&, const std::string&) {
                            return ++mailCalls;
                        }});
    param_.vistrel.enableLocal = param_.vistrel.enableFtp = param_.vistrel.enableSmtp = 1;
    auto stop = NamedEvent::Create("");
    stop->Set();
    EXPECT_EQ(DeliverPicture(log_, param_, MODE_VISTREL, picture_, time_, stop.get(), dir_, lc_,
                             fc_, mc_),
              0);
    EXPECT_TRUE(FileExists(JoinPath(dir_, "live.jpg"))) << "the local save is never interrupted";
    EXPECT_EQ(ftpCalls, 0);
    EXPECT_EQ(mailCalls, 0);
    stop->Reset();
    EXPECT_EQ(DeliverPicture(log_, param_, MODE_VISTREL, picture_, time_, stop.get(), dir_, lc_,
                             fc_, mc_),
              1);
    EXPECT_EQ(ftpCalls, 1);
    EXPECT_EQ(mailCalls, 1);
}

TEST_F(DeliverTest, EachTargetGetsItsOwnCopyAndTheFileNamesOfTheOthers) {
    std::string seenLocal, seenFtp;
    int ftpWidth = 0, mailWidth = 0;
    SetDeliveryTargets(
        {[&](const FtpInfo&, TargetCall& c, std::string& name) {
             ftpWidth = c.picture.Width();
             c.picture.Rotate(90);  // must not leak into the mail's copy
             name = "remote.jpg";
             return 1;
         },
         [&](const SmtpInfo&, TargetCall& c, const std::string& local, const std::string& ftp) {
             mailWidth = c.picture.Width();
             seenLocal = local;
             seenFtp = ftp;
             return 1;
         }});
    param_.vistrel.enableFtp = param_.vistrel.enableSmtp = 1;
    param_.vistrel.local.image.rotate = 1;  // the local copy turns; the others must not
    ASSERT_EQ(
        DeliverPicture(log_, param_, MODE_VISTREL, picture_, time_, nullptr, dir_, lc_, fc_, mc_),
        1);
    EXPECT_EQ(ftpWidth, 32);
    EXPECT_EQ(mailWidth, 32);
    EXPECT_EQ(picture_.Width(), 32) << "the caller's picture is untouched";
    EXPECT_EQ(seenLocal, "live.jpg");
    EXPECT_EQ(seenFtp, "remote.jpg");
    CDibImage saved;
    ASSERT_TRUE(saved.LoadFromFile(JoinPath(dir_, "live.jpg")));
    EXPECT_EQ(saved.Width(), 24) << "the local copy was rotated";
}

TEST_F(DeliverTest, FailedEditAndSaveAreLoggedWithTheModeName) {
    param_.vistrel.local.saveDirectoryName = JoinPath(dir_, "missing");
    EXPECT_EQ(
        DeliverPicture(log_, param_, MODE_VISTREL, picture_, time_, nullptr, dir_, lc_, fc_, mc_),
        1);
    EXPECT_NE(LogText().find("[Live] Save image failed! ["), std::string::npos);
    param_.vistrel.local.saveDirectoryName = dir_;
    param_.vistrel.local.image.rotate = 5;  // no such quarter turn
    DeliverPicture(log_, param_, MODE_VISTREL, picture_, time_, nullptr, dir_, lc_, fc_, mc_);
    EXPECT_NE(LogText().find("[Live] Edit image failed! ["), std::string::npos);
}

TEST_F(DeliverTest, ANameWithTheCounterNeverReplacesAFileButAFixedNameDoes) {
    const struct {
        int counter;                        // "Enable Add Name Counter"
        std::vector<std::string> existing;  // left by an earlier run
        std::vector<std::string> written;   // the names three pictures get
        uint32_t counterAfter;
    } cases[] = {
        {1,
         {"live0000.jpg", "live0001.jpg", "live0003.jpg"},
         {"live0002.jpg", "live0004.jpg", "live0005.jpg"},
         6},
        {1, {}, {"live0000.jpg", "live0001.jpg", "live0002.jpg"}, 3},
        {0, {"live.jpg"}, {"live.jpg", "live.jpg", "live.jpg"}, 3},
    };
    for (const auto& c : cases) {
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            if (e.path().extension() == ".jpg") std::filesystem::remove(e.path());
        for (const std::string& name : c.existing)
            std::ofstream(JoinPath(dir_, name)) << "earlier run";
        LocalSetting local = param_.vistrel.local;
        local.image.enableAddNameCounter = c.counter;
        local.image.imageFileFormat = 1;
        uint32_t counter = 0;
        std::vector<std::string> names;
        for (int i = 0; i < 3; ++i) {
            CDibImage copy;
            ASSERT_TRUE(copy.CreateBlank(32, 24));
            std::string name;
            ASSERT_EQ(SaveToLocalDisk(copy, local, time_, counter, log_, "Live", "cam", name), 1);
            names.push_back(name);
        }
        EXPECT_EQ(names, c.written);
        EXPECT_EQ(counter, c.counterAfter);
        for (const std::string& name : c.existing) {
            bool replaced = std::find(c.written.begin(), c.written.end(), name) != c.written.end();
            std::ifstream f(JoinPath(dir_, name));
            std::string text((std::istreambuf_iterator<char>(f)), {});
            EXPECT_EQ(text == "earlier run", !replaced) << name;
        }
    }
}
