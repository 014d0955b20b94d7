#include <gtest/gtest.h>

#include "foundation/LogEntry.h"
#include "foundation/Logger.h"

using namespace ocv;

TEST(LogEntry, ParsesFileLinesAndWritesExportLines) {
    const struct {
        const char* line;
        int status, level;
        const char *name, *text, *exported;  // exported: "" when not checked
    } rows[] = {
        {"2007/03/05 09:04:03\tカメラ\tWARRNING\t[Motion] 動きを検知しました!\r\n", 0, LOG_WARNING,
         "カメラ", "[Motion] 動きを検知しました!",
         "2007/3/5 9:4:3\tカメラ\tWARNING\t[Motion] 動きを検知しました!\r\n"},
        // Only the file word WARRNING means a warning.
        {"2020/01/02 03:04:05\tn\tWARNING\tx", 0, LOG_INFORMATION, "n", "x", ""},
        {"2020/01/02 03:04:05\tn\tDEBUG\ta", 0, LOG_DEBUG, "n", "a", ""},
        // Empty fields are skipped, so an empty name shifts the following fields.
        {"2020/01/02 03:04:05\t\tERROR\tmsg", 0, LOG_INFORMATION, "ERROR", "", ""},
        {"2001/02/30 10:00:00\tn\tERROR\tt", 1, LOG_ERROR, "n", "t",
         "-1/-1/-1 -1:-1:-1\tn\tERROR\tt\r\n"},
        {"garbage", 1, -1, "", "", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        LogEntry e;
        ASSERT_TRUE(ParseLogLine(r.line, e));
        EXPECT_EQ(e.status, r.status);
        if (r.level < 0) continue;
        EXPECT_EQ(e.level, r.level);
        EXPECT_EQ(e.name, r.name);
        EXPECT_EQ(e.text, r.text);
        if (*r.exported) {
            EXPECT_EQ(FormatExportLine(e), r.exported);
        }
    }
    LogEntry e;
    EXPECT_FALSE(ParseLogLine("\r\n", e));
}
