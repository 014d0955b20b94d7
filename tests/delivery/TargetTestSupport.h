#pragma once
// Shared pieces of the delivery tests: a scratch directory with a working directory and a log
// file, a picture with real content, and a reference encoding of it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "MailTestKit.h"
#include "delivery/FtpUpload.h"
#include "delivery/MailNotify.h"
#include "imaging/EditImage.h"
#include "platform/Files.h"

namespace ocv::test {

// Image settings that name pictures "<name>" + counter and draw no text on them.
inline ImageSettings PlainImage(const std::string& name, int format) {
    return {.imageFilename = name, .enableAddNameCounter = 1, .imageFileFormat = format,
            .enablePrintDate = 0, .enablePrintTime = 0, .enablePrintName = 0, .jpegQuality = 90};
}

// A picture with a colour gradient and a bright block (so encoders have something to keep).
inline CDibImage MakeTestPicture(int width = 96, int height = 64) {
    CDibImage p;
    p.CreateBlank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bool block = x > width / 4 && x < width / 2 && y > height / 3 && y < height / 2;
            uint8_t* px = p.GetBits() + static_cast<size_t>(y) * p.Stride() + 3 * x;
            px[0] = static_cast<uint8_t>(block ? 250 : x * 255 / width);
            px[1] = static_cast<uint8_t>(block ? 250 : y * 255 / height);
            px[2] = static_cast<uint8_t>(block ? 40 : (x + y) * 2);
        }
    return p;
}

// What a target stages for `picture`: the same edits and encoder, written to `path`.
inline std::string ReferenceEncoding(CDibImage picture, const ImageSettings& image,
                                     const std::string& cameraName, const LocalTime& time,
                                     const std::string& path) {
    std::string error;
    if (!EditImage(cameraName, picture, image, time, error)) return "edit failed: " + error;
    if (!SaveImage(picture, image, path)) return "save failed: " + picture.GetErrorText();
    return ReadWholeFile(path);
}

// Names of the entries of a directory (empty when it is missing).
inline std::vector<std::string> DirectoryEntries(const std::string& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        out.push_back(e.path().filename().string());
    return out;
}

// An FTP target on 127.0.0.1:`port` as camuser/s3cret into "/", one login attempt, passive mode,
// pictures named "<name>" + counter as JPEG.
inline FtpInfo LoopbackFtp(int port, const std::string& name) {
    return {.ftpServerAddress = "127.0.0.1", .ftpServerPort = port, .ftpUser = "camuser",
            .ftpPassword = "s3cret", .ftpLoginRetryCount = 1, .ftpPasvMode = 1,
            .image = PlainImage(name, IMAGE_FORMAT_JPEG)};
}

class TargetFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::permissions(dir_, std::filesystem::perms(0755));
        ASSERT_TRUE(CreateDirectoryOne(workDir_) && CreateDirectoryOne(refDir_));
        log_.SetName("cam");
        log_.SetMessageBox(0);
        log_.SetPath(JoinPath(dir_, "log.txt"));
    }
    std::string LogText() const { return ReadWholeFile(JoinPath(dir_, "log.txt")); }
    bool Logged(const std::string& line) const { return LoggedInOrder({line}); }
    // True when every line occurs, in this order.
    bool LoggedInOrder(const std::vector<std::string>& lines) const {
        std::string text = LogText();
        size_t pos = 0;
        for (const auto& l : lines) {
            if ((pos = text.find(l, pos)) == std::string::npos) return false;
            pos += l.size();
        }
        return true;
    }
    size_t LogCount(const std::string& line) const {
        std::string text = LogText();
        size_t n = 0;
        for (size_t p = text.find(line); p != std::string::npos; p = text.find(line, p + 1)) ++n;
        return n;
    }

    // A failure case: what to change from the fixture's settings, the lines it logs in this order
    // and the lines it must not log.
    struct FailureRow {
        const char* what;
        std::function<void()> setup;
        std::vector<std::string> logged, absent;
    };
    // Runs each row after `reset` with a new log, counter 0 and no stop: `target` fails, logs
    // as the row says and leaves the working directory empty.
    void RunFailureRows(const std::vector<FailureRow>& rows, const std::function<void()>& reset,
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

    // The targets on a copy of the fixture's picture.
    int Upload(const FtpInfo& ftp, std::string& name) {
        CDibImage copy(picture_);
        TargetCall call{copy, time_, counter_, workDir_, log_, "Live", camera_, stop_.get()};
        return UploadToFtp(ftp, call, name);
    }
    int Mail(const SmtpInfo& smtp, const std::string& local = "", const std::string& ftp = "") {
        CDibImage copy(picture_);
        TargetCall call{copy, time_, counter_, workDir_, log_, "Live", camera_, stop_.get()};
        return SendPictureMail(smtp, call, local, ftp);
    }

    TempDir scratch_;
    std::string dir_ = scratch_.Path();             // scratch directory, removed at the end
    std::string workDir_ = JoinPath(dir_, "work");  // the capture thread's working directory
    std::string refDir_ = JoinPath(dir_, "ref");    // reference encodings
    CLogger log_;
    LocalTime time_{2026, 3, 4, 5, 9, 7, 6, 0};
    uint32_t counter_ = 0;
    std::string camera_ = "Cam1";
    std::shared_ptr<NamedEvent> stop_ = NamedEvent::Create("");
    CDibImage picture_ = MakeTestPicture();
};

}  // namespace ocv::test
