#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <thread>
#include <vector>

#include "LogLines.h"
#include "TempDir.h"
#include "foundation/LogEntry.h"
#include "foundation/Logger.h"

using namespace ocv;

// The file line with its level word, what the echo sees of it, a message cut at the formatting
// buffer; read back, each line has its level, an overlong one is cut and the last needs no end.
TEST(Logger, FileLineFormatLevelWordsEchoLengthAndReadingBack) {
    TempDir dir;
    std::vector<std::string> echoed;
    CLogger::SetEcho([&](const std::string& l) { echoed.push_back(l); });
    CLogger log;
    log.SetName("カメラ1");
    log.SetPath(dir.File("log.txt"));
    EXPECT_EQ(log.Info("[Live] Vistrel start!") + log.Warning("w %d", 7) + log.Error("e"), 3);
    log.Debug("not in debug mode");
    CLogger::SetEcho({});
    log.Info("%s", std::string(50000, 'x').c_str());
    const std::string text = ReadAll(dir.File("log.txt"));
    EXPECT_TRUE(text.ends_with("\r\n"));
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 4u);
    const std::regex stamp(R"(^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\tカメラ1\t)");
    const std::string ends[] = {"INFORMATION\t[Live] Vistrel start!", "WARRNING\tw 7", "ERROR\te",
                                "INFORMATION\t" + std::string(CLogger::kFormatBufferSize - 1, 'x')};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(std::regex_search(lines[i], stamp)) << lines[i].substr(0, 80);
        EXPECT_TRUE(lines[i].ends_with("\t" + ends[i])) << lines[i].substr(0, 80);
    }
    EXPECT_EQ(echoed, (std::vector<std::string>{lines[0], lines[1], lines[2]}));
    std::ofstream(dir.File("log.txt"), std::ios::app) << "2020/01/01 00:00:03\tcam\tERROR\tno end";
    const auto entries = ReadLogFile(dir.File("log.txt"));
    std::vector<int> levels;
    for (const LogEntry& e : entries) levels.push_back(e.level);
    ASSERT_EQ(levels, (std::vector<int>{LOG_INFORMATION, LOG_WARNING, LOG_ERROR, LOG_INFORMATION, LOG_ERROR}));
    EXPECT_EQ(entries[0].text, "[Live] Vistrel start!");
    EXPECT_TRUE(entries[3].text.size() < 1024 && entries[3].text.find_first_not_of('x') == std::string::npos);
    EXPECT_EQ(entries[4].text, "no end");
}

// Where a line goes by the switches. A line break becomes a space in the file (no forged lines)
// and in the notice, but not in the box.
TEST(Logger, TheSwitchesDecideWhereALineGoesAndLineBreaksBecomeSpaces) {
    enum Call { kInfo, kError, kErrorBox, kDebug };
    const struct {
        const char* name;
        const char* path;  // in the test's directory unless absolute; empty: no log file
        int box, notify, debug;
        bool sinkGone;
        Call call;
        int written, fileLines, notices, boxes;
    } rows[] = {
        {"a plain error shows no box", "log.txt", 1, 1, 1, false, kError, 1, 1, 1, 0},
        {"an error box", "log.txt", 1, 1, 1, false, kErrorBox, 1, 1, 1, 1},
        {"boxes switched off", "log.txt", 0, 1, 1, false, kErrorBox, 1, 1, 1, 0},
        {"notices switched off", "log.txt", 1, 0, 1, false, kInfo, 1, 1, 0, 0},
        {"no path switches everything off", "", 1, 1, 1, false, kErrorBox, 0, 0, 0, 0},
        {"a debug line in debug mode", "log.txt", 1, 1, 1, false, kDebug, 1, 1, 1, 0},
        {"a debug line outside debug mode", "log.txt", 1, 1, 0, false, kDebug, 0, 0, 0, 0},
        {"an unopenable file loses the line only", "/nonexistent-dir-ocv/log.txt", 1, 1, 1, false,
         kErrorBox, 1, 0, 1, 1},
        {"a gone sink is skipped", "log.txt", 1, 1, 1, true, kErrorBox, 1, 1, 0, 0},
    };
    const char* message = "first\r\nsecond\tthird";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        std::string path = row.path[0] == '/' || !row.path[0] ? row.path : dir.File(row.path);
        auto sink = std::make_shared<RecordingSink>();
        CLogger log;
        log.SetPath(path), log.SetNotifySink(sink), log.SetDebug(row.debug);
        log.SetMessageBox(row.box), log.SetNotify(row.notify);
        RecordingSink seen = *sink;
        if (row.sinkGone) sink.reset();
        const int written = row.call == kInfo    ? log.Info("%s", message)
                            : row.call == kError ? log.Error("%s", message)
                            : row.call == kDebug ? log.Debug("%s", message)
                                                 : log.ErrorBox("%s", message);
        if (sink) seen = *sink;
        EXPECT_EQ(written, row.written);
        const int level = row.call == kInfo ? LOG_INFORMATION : row.call == kDebug ? LOG_DEBUG : LOG_ERROR;
        const std::string word = level == LOG_INFORMATION ? "INFORMATION"
                                 : level == LOG_DEBUG     ? "DEBUG"
                                                          : "ERROR";
        const auto lines = Lines(ReadAll(path));
        EXPECT_EQ(lines.size(), static_cast<size_t>(row.fileLines));
        for (const std::string& l : lines)
            EXPECT_TRUE(l.ends_with("\t-----\t" + word + "\tfirst  second\tthird")) << l;
        EXPECT_EQ(seen.notices, std::vector(row.notices, std::pair<std::string, int>{
                                                             "first  second\tthird", level}));
        EXPECT_EQ(seen.boxes, std::vector<std::string>(row.boxes, message));
    }
}

// Each thread has its own logger on the same file, like separate cameras do; the lines of one
// thread stay in order and whole.
TEST(Logger, EightThreadsWriteWholeLines) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    constexpr int kThreads = 8, kPerThread = 400;
    auto payload = [](int t) { return std::string(200 + t * 37, static_cast<char>('a' + t)); };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            CLogger log;
            log.SetPath(path);
            for (int i = 0; i < kPerThread; ++i) log.Info("%d %d %s", t, i, payload(t).c_str());
        });
    for (auto& th : threads) th.join();
    const auto messages = MessagesOf(path);
    ASSERT_EQ(messages.size(), static_cast<size_t>(kThreads * kPerThread));
    std::vector<int> next(kThreads, 0);
    for (const std::string& m : messages) {
        const int t = m.size() > 12 ? m[12] - '0' : 0;
        ASSERT_TRUE(t >= 0 && t < kThreads) << m.substr(0, 60);
        ASSERT_EQ(m, "INFORMATION " + std::to_string(t) + " " + std::to_string(next[t]++) + " " +
                         payload(t));
    }
}
