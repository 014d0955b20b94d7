// Capture file names, the date folder and the working directory; the mail text and the FTP URL;
// the delivery routine with its remote targets replaced: which targets run, what each gets, where
// a stop ends it; the pause that a stop cuts short; cameras saving into one folder at once.
#include <algorithm>
#include <set>
#include <thread>

#include "TargetTestSupport.h"
#include "delivery/CaptureNaming.h"
#include "delivery/FtpSession.h"
#include "delivery/LocalSave.h"
#include "delivery/MailBody.h"
#include "delivery/StopWait.h"

namespace ocv::test {
namespace {

const LocalTime kDec5{2026, 12, 0, 5, 13, 45, 7, 0};

TEST(CaptureNaming, NamePartsCounterAndExtension) {
    struct Row {
        const char* name;
        int date, time, counter, format;
        uint32_t counterBefore;
        const char* expected;
    } rows[] = {
        {"cam", 1, 1, 1, IMAGE_FORMAT_JPEG, 7, "cam202612051345070007.jpg"},
        {"", 1, 1, 1, IMAGE_FORMAT_PNG, 8, "202612051345070008.png"},
        {"", 0, 0, 1, IMAGE_FORMAT_GIF, 12345, "12345.gif"},  // past 9999 it simply grows
        {"x", 0, 0, 0, IMAGE_FORMAT_BMP, 0, "x.bmp"},         // the counter still advances
        {"", 0, 0, 0, IMAGE_FORMAT_BMP, 0, ".bmp"},
    };
    for (const Row& row : rows) {
        ImageSettings im{.imageFilename = row.name, .enableAddNameCounter = row.counter,
                         .enableAddNameDate = row.date, .enableAddNameTime = row.time,
                         .imageFileFormat = row.format};
        uint32_t counter = row.counterBefore;
        EXPECT_EQ(MakeCaptureFileName(im, kDec5, counter), row.expected);
        EXPECT_EQ(counter, row.counterBefore + 1) << row.expected;
    }
}

TEST(CaptureNaming, DateDirectoryIsMadeOneLevelWithOrWithoutTrailingSeparator) {
    TempDir dir;
    const std::string root = dir.Path();
    std::string a = MakeDateDirectory(root, kDec5);
    EXPECT_EQ(a, root + "/20261205");
    EXPECT_EQ(MakeDateDirectory(root + "/", kDec5), a);
    EXPECT_TRUE(DirectoryExists(a));
    // Only one level is made: under a missing directory nothing is created.
    MakeDateDirectory(root + "/nope", kDec5);
    EXPECT_FALSE(DirectoryExists(root + "/nope"));
}

TEST(CaptureNaming, WorkDirectoryBelongsToTheThread) {
    std::string mine = MakeWorkDirectory();
    EXPECT_TRUE(DirectoryExists(mine));
    std::string other;
    std::thread([&] { other = MakeWorkDirectory(); }).join();
    EXPECT_NE(mine, other);
    RemoveDirectoryTree(mine);
    RemoveDirectoryTree(other);
}

TEST(MailBodyTest, PlaceholdersAreFilledEverywhereInTheirOrder) {
    LocalTime t{2026, 3, 4, 5, 9, 7, 6, 0};
    EXPECT_EQ(ExpandMailBody("_$DATE$_ _$TIME$_ / _$DATE$_", "", "", "", t),
              "2026年3月5日 9時7分6秒 / 2026年3月5日");
    EXPECT_EQ(ExpandMailBody("[_$LOCALFILENAME$_][_$FTPFILENAME$_][_$MAILFILENAME$_]", "a.bmp",
                             "b.jpg", "c.png", t),
              "[a.bmp][b.jpg][c.png]");
    // A later placeholder inside an earlier replacement is filled in as well (fixed order).
    EXPECT_EQ(ExpandMailBody("_$LOCALFILENAME$_", "x_$TIME$_", "", "", t), "x9時7分6秒");
    EXPECT_EQ(ExpandMailBody("_$DATE_ _$_ $DATE$_", "", "", "", t), "_$DATE_ _$_ $DATE$_");
    // Line ends become CR LF.
    EXPECT_EQ(ToCrLf("a\nb\r\nc\rd\n\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
}

TEST(FtpUrlTest, DirectoriesAndNamesAreWrittenSafely) {
    const std::string ex = "ftp://ftp.example.org:";
    struct Row {
        const char* host;
        int port;
        const char* dir;
        const char* name;
        std::string url;  // "" when the parts cannot be used
    } rows[] = {
        {"ftp.example.org", 2121, "/pics/cam1//", "a.jpg", ex + "2121/%2Fpics/cam1/a.jpg"},
        {"ftp.example.org", 2121, "pics", "", ex + "2121/pics/"},
        {"ftp.example.org", 2121, "/", "a.jpg", ex + "2121/%2F/a.jpg"},
        {"ftp.example.org", 2121, "", "a.jpg", ex + "2121/a.jpg"},
        {"ftp.example.org", 2121, "a@b:c", "d@e:f.jpg", ex + "2121/a%40b%3Ac/d%40e%3Af.jpg"},
        {"ftp.example.org", 2121, "/カメラ 1", "#1?.jpg",
         ex + "2121/%2F%E3%82%AB%E3%83%A1%E3%83%A9%201/%231%3F.jpg"},
        {"ftp.example.org", 0, "", "", ex + "21/"},
        {"ftp.example.org", 65536 + 21, "", "", ex + "21/"},  // used as 16 bits
        {"::1", 21, "", "", "ftp://[::1]:21/"},
        {"", 21, "", "a.jpg", ""},
        {"user@host", 21, "", "a.jpg", ""},
        {"evil\r\nhost", 21, "", "a.jpg", ""},
        {"127.0.0.1", 21, "pics\r\nDELE x", "a.jpg", ""},
        {"127.0.0.1", 21, "pics", "sub/a.jpg", ""},
    };
    for (const Row& r : rows) {
        FtpEndpoint e{.host = r.host, .port = r.port};
        EXPECT_EQ(CFtpSession::MakeUrl(e, r.dir, r.name), r.url) << r.host << " " << r.dir;
    }
}

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

// A stop before the remote targets skips them, after the local save. Each target edits its own
// copy; the mail gets the local and the FTP file names, the FTP name even when the upload failed.
TEST_F(DeliverTest, StopSkipsTheRemoteTargetsEachGetsItsOwnCopyAndTheOthersNames) {
    std::string seen;
    int ftpWidth = 0, mailWidth = 0;
    SetDeliveryTargets(
        {[&](const FtpInfo&, TargetCall& c, std::string& name) {
             ftpWidth = c.picture.Width();
             c.picture.Rotate(90);  // must not leak into the mail's copy
             name = "remote.jpg";
             return 0;
         },
         [&](const SmtpInfo&, TargetCall& c, const std::string& local, const std::string& ftp) {
             mailWidth = c.picture.Width();
             seen = local + " " + ftp;
             return 1;
         }});
    param_.vistrel.enableFtp = param_.vistrel.enableSmtp = 1;
    param_.vistrel.local.image.rotate = 1;  // the local copy turns; the others must not
    stop_->Set();
    EXPECT_EQ(Deliver(MODE_VISTREL, stop_.get()), 0);
    EXPECT_TRUE(FileExists(JoinPath(dir_, "live.jpg"))) << "the local save is never interrupted";
    EXPECT_EQ(ftpWidth + mailWidth, 0) << "neither remote target ran";
    stop_->Reset();
    ASSERT_EQ(Deliver(MODE_VISTREL, stop_.get()), 1);
    EXPECT_EQ(ftpWidth, 96);
    EXPECT_EQ(mailWidth, 96);
    EXPECT_EQ(picture_.Width(), 96) << "the caller's picture is untouched";
    EXPECT_EQ(seen, "live.jpg remote.jpg");
    CDibImage saved;
    ASSERT_TRUE(saved.LoadFromFile(JoinPath(dir_, "live.jpg")));
    EXPECT_EQ(saved.Width(), 64) << "the local copy was rotated";
}

TEST_F(DeliverTest, PauseEndsEarlyOnlyForAStop) {
    EXPECT_FALSE(PauseUnlessStopped(nullptr, 0));
    EXPECT_FALSE(PauseUnlessStopped(stop_.get(), 0));
    EXPECT_FALSE(PauseUnlessStopped(stop_.get(), 20));
    stop_->Set();
    for (int ms : {0, 20, -1}) EXPECT_TRUE(PauseUnlessStopped(stop_.get(), ms)) << ms;
}

// Cameras that save into one folder under one name at the same moments: with the counter in
// the name every picture keeps a file of its own (each camera's counter starts at 0, so a name
// with the counter never replaces a file), a fixed name always holds one whole picture.
TEST_F(DeliverTest, CamerasSavingAtOnceNeverWriteIntoOneFile) {
    constexpr int kCameras = 6, kPictures = 15;
    for (int counted : {1, 0}) {
        SCOPED_TRACE(counted ? "counter in the name" : "fixed name");
        const std::string dir = JoinPath(dir_, std::to_string(counted));
        ASSERT_TRUE(CreateDirectoryOne(dir));
        LocalSetting local{.saveDirectoryName = dir,
                           .image = PlainImage("live", IMAGE_FORMAT_JPEG)};
        local.image.enableAddNameCounter = counted;
        std::set<std::string> encodings;
        std::vector<std::thread> cameras;
        std::vector<int> saved(kCameras, 0);
        for (int c = 0; c < kCameras; ++c) {
            // Each camera's picture has its own size: every encoding is told apart by its bytes.
            encodings.insert(ReferenceEncoding(MakeTestPicture(64 + 8 * c, 48), local.image,
                                               camera_, time_, JoinPath(refDir_, "ref.jpg")));
            cameras.emplace_back([&, c] {
                uint32_t counter = 0;  // every camera's counter starts at 0, as after a start
                for (int i = 0; i < kPictures; ++i) {
                    CDibImage picture = MakeTestPicture(64 + 8 * c, 48);
                    std::string name;
                    saved[c] += SaveToLocalDisk(picture, local, time_, counter, log_, "Live",
                                                camera_, name);
                }
            });
        }
        for (std::thread& t : cameras) t.join();
        EXPECT_EQ(std::count(saved.begin(), saved.end(), kPictures), kCameras) << LogText();
        std::vector<std::string> files = DirectoryEntries(dir);
        EXPECT_EQ(files.size(), counted ? size_t{kCameras * kPictures} : 1u)
            << "no picture lost, no temporary left";
        for (const std::string& f : files)
            EXPECT_EQ(encodings.count(ReadWholeFile(JoinPath(dir, f))), 1u) << f << " is whole";
    }
}

}  // namespace
}  // namespace ocv::test
