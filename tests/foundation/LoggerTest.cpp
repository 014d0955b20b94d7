#include <gtest/gtest.h>

#include <regex>
#include <thread>
#include <vector>

#include "LogLines.h"
#include "TempDir.h"
#include "foundation/Logger.h"

using namespace ocv;

// The file line, what the echo sees of it, and a message cut at the formatting buffer.
TEST(Logger, FileLineFormatLevelWordsEchoAndLength) {
    TempDir dir;
    std::vector<std::string> echoed;
    CLogger::SetEcho([&](const std::string& l) { echoed.push_back(l); });
    CLogger log;
    log.SetName("カメラ1");
    log.SetPath(dir.File("log.txt"));
    EXPECT_EQ(log.Info("[Live] Vistrel start!"), 1);
    EXPECT_EQ(log.Warning("w %d", 7), 1);
    EXPECT_EQ(log.Error("e"), 1);
    log.Debug("not in debug mode");
    CLogger::SetEcho({});
    log.Info("%s", std::string(50000, 'x').c_str());
    std::string text = ReadAll(dir.File("log.txt"));
    auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 4u);
    std::regex re(
        R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\tカメラ1\t(INFORMATION|WARRNING|ERROR)\t.*)");
    for (auto& l : lines) EXPECT_TRUE(std::regex_match(l, re)) << l.substr(0, 80);
    EXPECT_NE(lines[0].find("\tINFORMATION\t[Live] Vistrel start!"), std::string::npos);
    EXPECT_NE(lines[1].find("\tWARRNING\tw 7"), std::string::npos);
    EXPECT_NE(lines[2].find("\tERROR\te"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(lines[3].size() - lines[3].rfind('\t') - 1, CLogger::kFormatBufferSize - 1);
    EXPECT_EQ(echoed, (std::vector<std::string>{lines[0], lines[1], lines[2]}));
}

TEST(Logger, LineBreaksBecomeSpacesInFileAndNoticeButNotInTheBox) {
    TempDir dir;
    auto sink = std::make_shared<RecordingSink>();
    CLogger log;
    log.SetPath(dir.File("log.txt"));
    log.SetNotifySink(sink);
    log.ErrorBox("first\r\nsecond\tthird");
    std::string line = Lines(ReadAll(dir.File("log.txt"))).at(0);
    EXPECT_NE(line.find("\t-----\tERROR\tfirst  second\tthird"), std::string::npos) << line;
    EXPECT_EQ(sink->notices, (std::vector<std::pair<std::string, int>>{
                                 {"first  second\tthird", LOG_ERROR}}));
    EXPECT_EQ(sink->boxes, std::vector<std::string>{"first\r\nsecond\tthird"});
}

TEST(Logger, TheSwitchesDecideWhereALineGoes) {
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
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        std::string path = row.path[0] == '/' || !row.path[0] ? row.path : dir.File(row.path);
        auto sink = std::make_shared<RecordingSink>();
        CLogger log;
        log.SetPath(path);
        log.SetNotifySink(sink);
        log.SetDebug(row.debug);
        log.SetMessageBox(row.box);
        log.SetNotify(row.notify);
        RecordingSink seen = *sink;
        if (row.sinkGone) sink.reset();
        int written = row.call == kInfo    ? log.Info("line %s", "x")
                      : row.call == kError ? log.Error("line %s", "x")
                      : row.call == kDebug ? log.Debug("line %s", "x")
                                           : log.ErrorBox("line %s", "x");
        if (sink) seen = *sink;
        EXPECT_EQ(written, row.written);
        auto lines = Lines(ReadAll(path));
        EXPECT_EQ(lines.size(), static_cast<size_t>(row.fileLines));
        const char* text = row.call == kDebug ? "\tDEBUG\tline x" : "\tline x";
        for (const std::string& l : lines) EXPECT_NE(l.find(text), std::string::npos) << l;
        EXPECT_EQ(seen.notices.size(), static_cast<size_t>(row.notices));
        EXPECT_EQ(seen.boxes.size(), static_cast<size_t>(row.boxes));
    }
}

TEST(Logger, EightThreadsWriteWholeLines) {
    TempDir dir;
    std::string path = dir.File("log.txt");
    constexpr int kThreads = 8, kPerThread = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // Each thread has its own logger on the same file, like separate cameras do.
            CLogger log;
            log.SetPath(path);
            std::string payload(200 + t * 37, static_cast<char>('a' + t));
            for (int i = 0; i < kPerThread; ++i) log.Info("%d %d %s", t, i, payload.c_str());
        });
    }
    for (auto& th : threads) th.join();
    auto messages = MessagesOf(path);
    ASSERT_EQ(messages.size(), static_cast<size_t>(kThreads * kPerThread));
    std::vector<int> next(kThreads, 0);
    for (const std::string& m : messages) {
        const int t = m.size() > 12 ? m[12] - '0' : 0;
        ASSERT_TRUE(t >= 0 && t < kThreads) << m.substr(0, 60);
        // Lines of one thread stay in order and whole.
        ASSERT_EQ(m, "INFORMATION " + std::to_string(t) + " " + std::to_string(next[t]++) + " " +
                         std::string(200 + t * 37, static_cast<char>('a' + t)));
    }
}
