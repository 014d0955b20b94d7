#pragma once
// Helpers of the configuration tests: a temporary directory, a logger whose notices and message
// boxes are recorded, and small document builders.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Logger.h"
#include "platform/Files.h"

namespace ocvtest {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/ocvcfgXXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { ocv::RemoveDirectoryTree(path_); }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return ocv::JoinPath(path_, name); }

private:
    std::string path_;
};

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
    size_t Count(const std::string& text) const {
        return std::count_if(sink_->notices.begin(), sink_->notices.end(),
                             [&](const auto& n) { return n.first == text; });
    }
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

// Removes the line breaks and indentation written between elements of a literal document.
inline std::string Squeeze(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

inline std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
    for (size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size())
        s.replace(pos, from.size(), to);
    return s;
}

}  // namespace ocvtest
