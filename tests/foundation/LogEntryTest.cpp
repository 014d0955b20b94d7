#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"
#include "foundation/LogEntry.h"
#include "foundation/Logger.h"

using namespace ocv;

TEST(LogEntry, ParsesAFileLine) {
    LogEntry e;
    ASSERT_TRUE(
        ParseLogLine("2007/03/05 09:04:03\tカメラ\tWARRNING\t[Motion] 動きを検知しました!\r\n", e));
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.name, "カメラ");
    EXPECT_EQ(e.level, LOG_WARNING);
    EXPECT_EQ(e.text, "[Motion] 動きを検知しました!");
    DateParts p = FromAutomationDate(e.time);
    EXPECT_EQ(p.year, 2007);
    EXPECT_EQ(p.month, 3);
    EXPECT_EQ(p.day, 5);
    EXPECT_EQ(p.hour, 9);
    EXPECT_EQ(p.minute, 4);
    EXPECT_EQ(p.second, 3);
}

TEST(LogEntry, LevelWordsTabsAndEmptyFields) {
    LogEntry e;
    ASSERT_TRUE(ParseLogLine("2020/01/02 03:04:05\tn\tWARNING\tx", e));
    EXPECT_EQ(e.level, 0) << "only the file word WARRNING means a warning";
    ASSERT_TRUE(ParseLogLine("2020/01/02 03:04:05\tn\tDEBUG\ta\tb", e));
    EXPECT_EQ(e.level, LOG_DEBUG);
    EXPECT_EQ(e.text, "a") << "a text with a tab is cut there";
    // Empty fields are skipped, so an empty name shifts the following fields.
    ASSERT_TRUE(ParseLogLine("2020/01/02 03:04:05\t\tERROR\tmsg", e));
    EXPECT_EQ(e.name, "ERROR");
    EXPECT_EQ(e.level, 0);
    EXPECT_FALSE(ParseLogLine("\r\n", e));
    ASSERT_TRUE(ParseLogLine("garbage", e));
    EXPECT_EQ(e.status, 1);
}

TEST(LogEntry, AutomationDatesAndImpossibleDates) {
    double v = 0;
    ASSERT_TRUE(ToAutomationDate({1899, 12, 30, 0, 0, 0}, v));
    EXPECT_EQ(v, 0.0);
    ASSERT_TRUE(ToAutomationDate({1900, 1, 1, 12, 0, 0}, v));
    EXPECT_DOUBLE_EQ(v, 2.5);
    ASSERT_TRUE(ToAutomationDate({2000, 2, 29, 0, 0, 0}, v));
    EXPECT_DOUBLE_EQ(v, 36585.0);
    EXPECT_FALSE(ToAutomationDate({2001, 2, 29, 0, 0, 0}, v));
    EXPECT_FALSE(ToAutomationDate({2001, 13, 1, 0, 0, 0}, v));
    EXPECT_FALSE(ToAutomationDate({2001, 1, 1, 24, 0, 0}, v));
    LogEntry e;
    ASSERT_TRUE(ParseLogLine("2001/02/30 10:00:00\tn\tERROR\tt", e));
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(FormatExportLine(e), "-1/-1/-1 -1:-1:-1\tn\tERROR\tt\r\n");
}

TEST(LogEntry, ExportLineUsesWindowWordsAndUnpaddedDates) {
    LogEntry e;
    ASSERT_TRUE(ParseLogLine("2007/03/05 09:04:03\tcam\tWARRNING\thello", e));
    EXPECT_EQ(FormatExportLine(e), "2007/3/5 9:4:3\tcam\tWARNING\thello\r\n");
    e.level = 9;
    EXPECT_EQ(FormatExportLine(e), "2007/3/5 9:4:3\tcam\t\thello\r\n");
}

TEST(LogEntry, ReadsBackWhatTheLoggerWrote) {
    TempDir dir;
    CLogger log;
    log.SetName("cam");
    log.SetPath(dir.File("log.txt"));
    log.Info("one");
    log.Warning("two");
    log.Error("three\r\nlines");
    log.SetDebug(1);
    log.Debug("four");
    auto entries = ReadLogFile(dir.File("log.txt"));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].text, "one");
    EXPECT_EQ(entries[1].level, LOG_WARNING);
    EXPECT_EQ(entries[2].text, "three  lines");
    EXPECT_EQ(entries[3].level, LOG_DEBUG);
    for (auto& e : entries) {
        EXPECT_EQ(e.status, 0);
        EXPECT_EQ(e.name, "cam");
    }
    EXPECT_TRUE(ReadLogFile(dir.File("missing.txt")).empty());
}

TEST(LogEntry, OverlongLinesAreCutWithoutLosingTheNextLine) {
    TempDir dir;
    {
        std::ofstream f(dir.File("log.txt"), std::ios::binary);
        f << "2020/01/01 00:00:01\tn\tINFORMATION\t" << std::string(5000, 'x') << "\r\n";
        f << "2020/01/01 00:00:02\tn\tERROR\tafter\r\n";
        f << "2020/01/01 00:00:03\tn\tINFORMATION\tno newline at end";
    }
    auto entries = ReadLogFile(dir.File("log.txt"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_LT(entries[0].text.size(), 1024u);
    EXPECT_EQ(entries[0].text.find_first_not_of('x'), std::string::npos);
    EXPECT_EQ(entries[1].text, "after");
    EXPECT_EQ(entries[1].level, LOG_ERROR);
    EXPECT_EQ(entries[2].text, "no newline at end");
}
