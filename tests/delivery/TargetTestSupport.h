#pragma once
// Shared pieces of the FTP and e-mail target tests: a scratch directory with a working directory
// and a log file, a picture with real content, and a reference encoding of it.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "PeerProcess.h"
#include "ScriptServer.h"

#include "config/ImageSettings.h"
#include "delivery/Deliver.h"
#include "delivery/FtpUpload.h"
#include "foundation/Logger.h"
#include "imaging/DibImage.h"
#include "platform/NamedEvent.h"
#include "platform/Time.h"

namespace ocv::test {

// Image settings that name pictures "<name>" + counter and draw no text on them.
ImageSettings PlainImage(const std::string& name, int format);

// A picture with a colour gradient and a bright block (so encoders have something to keep).
CDibImage MakeTestPicture(int width = 96, int height = 64);

// What a target stages for `picture`: the same edits and encoder, written to `path`.
std::string ReferenceEncoding(const CDibImage& picture, const ImageSettings& image,
                              const std::string& cameraName, const LocalTime& time,
                              const std::string& path);

// Names of the entries of a directory (empty when it is missing).
std::vector<std::string> DirectoryEntries(const std::string& dir);

// An FTP target on 127.0.0.1:`port` as camuser/s3cret into "/", one login attempt, passive mode,
// pictures named "<name>" + counter as JPEG.
FtpInfo LoopbackFtp(int port, const std::string& name);

// Sets `stop` from another thread once `when` holds (looked at every 10 ms, for at most 15 s);
// without `when` it never sets it. Join() waits for the thread and gives the moment of the stop.
class StopWhen {
public:
    StopWhen(NamedEvent& stop, std::function<bool()> when);
    ~StopWhen() { Join(); }
    std::chrono::steady_clock::time_point Join() {
        if (thread_.joinable()) thread_.join();
        return at_;
    }

private:
    std::chrono::steady_clock::time_point at_{};
    std::thread thread_;
};

// True once `server` has received `text`; empty for an empty text.
std::function<bool()> ReceivedBy(ScriptServer& server, const char* text);

class TargetFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The text of the log file.
    std::string LogText() const;
    // Position of `line` in the log, npos when missing.
    bool Logged(const std::string& line) const {
        return LogText().find(line) != std::string::npos;
    }
    // True when every line occurs, in this order.
    bool LoggedInOrder(const std::vector<std::string>& lines) const;
    size_t LogCount(const std::string& line) const;

    // A failure case: what to change from the fixture's settings, the lines it logs in this order
    // and the lines it must not log.
    struct FailureRow {
        const char* what;
        std::function<void()> setup;
        std::vector<std::string> logged;
        std::vector<std::string> absent;
    };
    // Runs each row after `reset` with a new log, counter 0 and no stop: `target` fails, logs
    // as the row says and leaves the working directory empty.
    void RunFailureRows(const std::vector<FailureRow>& rows, const std::function<void()>& reset,
                        const std::function<int()>& target);

    TargetCall Call(CDibImage& picture) {
        return TargetCall{picture, time_, counter_, workDir_, log_, "Live", camera_, stop_.get()};
    }

    std::string dir_;      // scratch directory, removed at the end
    std::string workDir_;  // the capture thread's working directory
    std::string refDir_;   // reference encodings
    CLogger log_;
    LocalTime time_;
    uint32_t counter_ = 0;
    std::string camera_ = "Cam1";
    std::shared_ptr<NamedEvent> stop_;
    CDibImage picture_;
};

}  // namespace ocv::test
