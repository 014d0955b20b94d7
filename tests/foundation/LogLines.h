#pragma once
// Reading back what a logger wrote, and a notice sink that records what it is given.
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Logger.h"

inline std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// The lines of a text, split at CR LF.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find("\r\n", pos);
        out.push_back(text.substr(pos, end == std::string::npos ? end : end - pos));
        pos = end == std::string::npos ? text.size() : end + 2;
    }
    return out;
}

// "LEVEL text" of each line of a log file (date and name left out).
inline std::vector<std::string> MessagesOf(const std::string& path) {
    std::vector<std::string> out;
    for (const std::string& line : Lines(ReadAll(path))) {
        size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1), t3 = line.find('\t', t2 + 1);
        out.push_back(line.substr(t2 + 1, t3 - t2 - 1) + " " + line.substr(t3 + 1));
    }
    return out;
}

struct RecordingSink : ocv::ILogNotifySink {
    std::vector<std::pair<std::string, int>> notices;
    std::vector<std::string> boxes;
    void Notify(const std::string& text, int level) override { notices.emplace_back(text, level); }
    void ShowMessageBox(const std::string& text) override { boxes.push_back(text); }
};
