#pragma once
// Helpers of the configuration tests: a temporary directory, a logger whose notices and message
// boxes are recorded, and file reading and writing.
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../foundation/LogLines.h"
#include "../foundation/TempDir.h"
#include "platform/Files.h"

namespace ocvtest {

// A logger writing into its own temporary directory and recording what it reports.
class CapturedLog {
public:
    CapturedLog() {
        log.SetPath(dir_.File("test.log"));
        log.SetNotifySink(sink_);
    }
    const std::vector<std::pair<std::string, int>>& Notices() const { return sink_->notices; }
    const std::vector<std::string>& Boxes() const { return sink_->boxes; }
    std::vector<std::string> Errors() const { return TextsAt(ocv::LOG_ERROR); }
    std::vector<std::string> Warnings() const { return TextsAt(ocv::LOG_WARNING); }
    void Clear() { *sink_ = {}; }
    ocv::CLogger log;

private:
    std::vector<std::string> TextsAt(int level) const {
        std::vector<std::string> out;
        for (const auto& n : sink_->notices)
            if (n.second == level) out.push_back(n.first);
        return out;
    }
    TempDir dir_;
    std::shared_ptr<RecordingSink> sink_ = std::make_shared<RecordingSink>();
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace ocvtest
