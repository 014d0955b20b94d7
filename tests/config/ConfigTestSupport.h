#pragma once
// Helpers of the configuration tests: a temporary directory, a logger whose notices and message
// boxes are recorded, and file reading and writing.
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Logger.h"
#include "platform/Files.h"
#include "../foundation/TempDir.h"

namespace ocvtest {

using ::TempDir;

struct RecordingSink : ocv::ILogNotifySink {
    std::vector<std::pair<std::string, int>> notices;
    std::vector<std::string> boxes;
    void Notify(const std::string& text, int level) override { notices.emplace_back(text, level); }
    void ShowMessageBox(const std::string& text) override { boxes.push_back(text); }
};

// A logger writing into its own temporary directory and recording what it reports.
class CapturedLog {
public:
    CapturedLog() : sink_(std::make_shared<RecordingSink>()) {
        log.SetPath(dir_.File("test.log"));
        log.SetNotifySink(sink_);
    }
    const std::vector<std::pair<std::string, int>>& Notices() const { return sink_->notices; }
    const std::vector<std::string>& Boxes() const { return sink_->boxes; }
    // Texts reported at level Error, in order.
    std::vector<std::string> Errors() const { return TextsAt(ocv::LOG_ERROR); }
    std::vector<std::string> Warnings() const { return TextsAt(ocv::LOG_WARNING); }
    void Clear() {
        sink_->notices.clear();
        sink_->boxes.clear();
    }

    ocv::CLogger log;

private:
    std::vector<std::string> TextsAt(int level) const {
        std::vector<std::string> out;
        for (const auto& n : sink_->notices)
            if (n.second == level) out.push_back(n.first);
        return out;
    }
    TempDir dir_;
    std::shared_ptr<RecordingSink> sink_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace ocvtest
