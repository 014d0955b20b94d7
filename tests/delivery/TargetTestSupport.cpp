#include "TargetTestSupport.h"

#include <cstdio>
#include <filesystem>

#include "imaging/EditImage.h"
#include "platform/Files.h"

namespace ocv::test {

ImageSettings PlainImage(const std::string& name, int format) {
    ImageSettings s;
    s.imageFilename = name;
    s.enableAddNameCounter = 1;
    s.enablePrintDate = s.enablePrintTime = s.enablePrintName = 0;
    s.imageFileFormat = format;
    s.jpegQuality = 90;
    return s;
}

CDibImage MakeTestPicture(int width, int height) {
    CDibImage p;
    p.CreateBlank(width, height);
    uint8_t* bits = p.GetBits();
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bits + static_cast<size_t>(y) * p.Stride();
        for (int x = 0; x < width; ++x) {
            bool block = x > width / 4 && x < width / 2 && y > height / 3 && y < height / 2;
            row[3 * x + 0] = static_cast<uint8_t>(block ? 250 : x * 255 / width);
            row[3 * x + 1] = static_cast<uint8_t>(block ? 250 : y * 255 / height);
            row[3 * x + 2] = static_cast<uint8_t>(block ? 40 : (x + y) * 2);
        }
    }
    return p;
}

std::string ReferenceEncoding(const CDibImage& picture, const ImageSettings& image,
                              const std::string& cameraName, const LocalTime& time,
                              const std::string& path) {
    CDibImage copy(picture);
    std::string error;
    if (!EditImage(cameraName, copy, image, time, error)) return "edit failed: " + error;
    if (!SaveImage(copy, image, path)) return "save failed: " + copy.GetErrorText();
    return ReadWholeFile(path);
}

std::vector<std::string> DirectoryEntries(const std::string& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        out.push_back(e.path().filename().string());
    return out;
}

FtpInfo LoopbackFtp(int port, const std::string& name) {
    FtpInfo ftp;
    ftp.ftpServerAddress = "127.0.0.1";
    ftp.ftpServerPort = port;
    ftp.ftpUser = "camuser";
    ftp.ftpPassword = "s3cret";
    ftp.ftpDirectory = "/";
    ftp.ftpLoginRetryCount = 1;
    ftp.ftpPasvMode = 1;
    ftp.image = PlainImage(name, IMAGE_FORMAT_JPEG);
    return ftp;
}

StopWhen::StopWhen(NamedEvent& stop, std::function<bool()> when) {
    if (!when) return;
    thread_ = std::thread([this, &stop, when = std::move(when)] {
        for (int i = 0; i < 1500 && !when(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        at_ = std::chrono::steady_clock::now();
        stop.Set();
    });
}

std::function<bool()> ReceivedBy(ScriptServer& server, const char* text) {
    if (*text == '\0') return {};
    return [&server, text] { return server.Received().find(text) != std::string::npos; };
}

void TargetFixture::SetUp() {
    char tmpl[] = "/tmp/ocv-delivery-XXXXXX";
    char* d = ::mkdtemp(tmpl);
    ASSERT_NE(d, nullptr);
    dir_ = d;
    std::filesystem::permissions(dir_, std::filesystem::perms(0755));
    workDir_ = JoinPath(dir_, "work");
    refDir_ = JoinPath(dir_, "ref");
    ASSERT_TRUE(CreateDirectoryOne(workDir_));
    ASSERT_TRUE(CreateDirectoryOne(refDir_));
    log_.SetName("cam");
    log_.SetMessageBox(0);
    log_.SetPath(JoinPath(dir_, "log.txt"));
    time_ = LocalTime{2026, 3, 4, 5, 9, 7, 6, 0};
    stop_ = NamedEvent::Create("");
    picture_ = MakeTestPicture();
}

void TargetFixture::TearDown() { RemoveDirectoryTree(dir_); }

std::string TargetFixture::LogText() const { return ReadWholeFile(JoinPath(dir_, "log.txt")); }

bool TargetFixture::LoggedInOrder(const std::vector<std::string>& lines) const {
    std::string text = LogText();
    size_t pos = 0;
    for (const auto& l : lines) {
        pos = text.find(l, pos);
        if (pos == std::string::npos) return false;
        pos += l.size();
    }
    return true;
}

size_t TargetFixture::LogCount(const std::string& line) const {
    std::string text = LogText();
    size_t n = 0;
    for (size_t p = text.find(line); p != std::string::npos; p = text.find(line, p + 1)) ++n;
    return n;
}

void TargetFixture::RunFailureRows(const std::vector<FailureRow>& rows,
                                   const std::function<void()>& reset,
                                   const std::function<int()>& target) {
    const std::string work = workDir_;
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.what);
        reset();
        workDir_ = work;
        counter_ = 0;
        stop_->Reset();
        std::remove(JoinPath(dir_, "log.txt").c_str());
        row.setup();
        EXPECT_EQ(target(), 0);
        EXPECT_TRUE(LoggedInOrder(row.logged)) << LogText();
        for (const std::string& line : row.absent) EXPECT_FALSE(Logged(line)) << line;
        EXPECT_TRUE(DirectoryEntries(work).empty());
    }
}

}  // namespace ocv::test
