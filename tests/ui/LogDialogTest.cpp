// The log window on a log file written by the logger, live entries and the text export.
#include <gtest/gtest.h>

#include <fstream>

#include <QtWidgets>

#include "../app/Process.h"
#include "foundation/Logger.h"
#include "tests/foundation/TempDir.h"
#include "ui/LogDialog.h"

namespace {

using namespace ocv;

void Append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

LogEntry Entry(DateParts when, const std::string& name, const std::string& text, int level) {
    LogEntry e;
    e.status = ToAutomationDate(when, e.time) ? 0 : 1;
    e.name = name, e.text = text, e.level = level;
    return e;
}

// The lines the logger wrote, in every column; opened, the columns fit; new entries scroll into
// view, closing drops the rows and showing again reads the file as on the first opening.
TEST(LogDialog, ShowsTheLinesTheLoggerWroteAndTheNewOnes) {
    TempDir dir;
    const std::string file = dir.File("log.txt");
    CLogger log;
    log.SetName("Door"), log.SetPath(file), log.SetMessageBox(0), log.SetDebug(1);
    log.Info("[Live] Vistrel start!"), log.Warning("forced %s", "stop"), log.Error("line\r\nbreak");
    log.Debug("detail"), log.Info("before\tafter the tab"), log.SetName(""), log.Info("no name");
    // Lines the logger cannot write: an impossible date and a fixed date to check the fields.
    Append(file, "2007/02/30 10:00:00\tcam\tERROR\tno such day\r\n"
                 "2007/03/05 09:04:03\tcam\tINFORMATION\tfixed\r\n");

    CLogDialog dlg;
    dlg.LoadFile(file);
    const char* rows[][3] = {
        // type, name, text
        {"INFORMATION", "Door", "[Live] Vistrel start!"}, {"WARNING", "Door", "forced stop"},
        {"ERROR", "Door", "line  break"}, {"DEBUG", "Door", "detail"},
        {"INFORMATION", "Door", "before"}, {"INFORMATION", "-----", "no name"},
        {"ERROR", "cam", "no such day"}, {"INFORMATION", "cam", "fixed"},
    };
    ASSERT_EQ(dlg.RowCount(), static_cast<int>(std::size(rows)));
    for (int i = 0; i < dlg.RowCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(dlg.CellText(i, 0).toStdString(), rows[i][0]);
        EXPECT_EQ(dlg.CellText(i, 3).toStdString(), rows[i][1]);
        EXPECT_EQ(dlg.CellText(i, 4).toStdString(), rows[i][2]);
    }
    // Logger lines carry a real date; the impossible one shows -1 everywhere.
    EXPECT_NE(dlg.CellText(0, 1), QStringLiteral("-1/-1/-1"));
    EXPECT_EQ(dlg.CellText(6, 1) + " " + dlg.CellText(6, 2), QStringLiteral("-1/-1/-1 -1:-1:-1"));
    EXPECT_EQ(dlg.CellText(7, 1) + " " + dlg.CellText(7, 2), QStringLiteral("2007/3/5 9:4:3"));
    // Each level has its picture; rows of the same level share it.
    auto* list = dlg.findChild<QTreeWidget*>();
    ASSERT_NE(list, nullptr);
    auto icon = [&](int row) { return list->topLevelItem(row)->icon(0).pixmap(16).toImage(); };
    EXPECT_FALSE(icon(0).isNull());
    EXPECT_EQ(icon(0), icon(5));
    EXPECT_NE(icon(0), icon(1));
    // Opened, the window shows the four narrow columns whole and room for twenty characters of
    // the log text after them.
    dlg.show();
    QApplication::processEvents();
    EXPECT_LT(list->header()->sectionPosition(4) + 20 * dlg.fontMetrics().averageCharWidth(),
              list->viewport()->width());

    for (int i = 0; i < 200; ++i) dlg.AddEntry(Entry({2020, 1, 1, 0, 0, i % 60}, "c", "row", 0));
    QApplication::processEvents();
    QScrollBar* bar = list->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(dlg.RowCount(), static_cast<int>(std::size(rows)) + 200);
    dlg.findChild<QMenuBar*>()->actions()[0]->trigger();  // "Close"
    EXPECT_FALSE(dlg.isVisible());
    dlg.AddEntry(Entry({2020, 1, 1, 0, 0, 0}, "c", "while closed", 0));
    EXPECT_EQ(dlg.RowCount(), 0);
    dlg.show();
    ASSERT_EQ(dlg.RowCount(), static_cast<int>(std::size(rows)));
    EXPECT_EQ(dlg.CellText(7, 4), QStringLiteral("fixed"));
    dlg.close();
    dlg.LoadFile(file);  // loading again replaces the rows; a missing file leaves none
    EXPECT_EQ(dlg.RowCount(), static_cast<int>(std::size(rows)));
    dlg.LoadFile(dir.File("missing.txt"));
    EXPECT_EQ(dlg.RowCount(), 0);
}

// "Save as..." asks for a text file and writes every row in window words, over what was there.
TEST(LogDialog, SaveAsWritesEveryRowInWindowWords) {
    TempDir dir;
    const std::string out = dir.File("mine.txt");
    CLogDialog dlg;
    dlg.AddEntry(Entry({2007, 3, 5, 9, 4, 3}, "Door", "[Motion] 動きを検知しました!", 1));
    dlg.AddEntry(Entry({2026, 12, 31, 23, 59, 59}, "", "main", 3));
    dlg.AddEntry(Entry({2007, 2, 30, 0, 0, 0}, "cam", "bad date", 2));
    dlg.AddEntry(Entry({2010, 10, 10, 10, 10, 10}, "x", "odd level", 7));
    const std::string expected =
        "2007/3/5 9:4:3\tDoor\tWARNING\t[Motion] 動きを検知しました!\r\n"
        "2026/12/31 23:59:59\t-----\tDEBUG\tmain\r\n"
        "-1/-1/-1 -1:-1:-1\tcam\tERROR\tbad date\r\n"
        "2010/10/10 10:10:10\tx\t\todd level\r\n";
    EXPECT_EQ(dlg.CellText(1, 3), QStringLiteral("-----"));
    EXPECT_EQ(dlg.CellText(3, 0), QString());
    // Answers the file dialog once it is up: a name without extension in the test's directory.
    QTimer::singleShot(0, [&] {
        auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(fd, nullptr);
        // "log" with the default extension.
        EXPECT_EQ(QFileInfo(fd->selectedFiles().value(0)).fileName(), QStringLiteral("log.txt"));
        EXPECT_EQ(fd->defaultSuffix(), QStringLiteral("txt"));
        EXPECT_EQ(fd->nameFilters(), (QStringList{QStringLiteral("Text Files (*.txt)"),
                                                  QStringLiteral("All Files (*.*)")}));
        EXPECT_EQ(fd->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(fd->testOption(QFileDialog::DontConfirmOverwrite));
        fd->selectFile(QString::fromStdString(dir.File("mine")));
        QMetaObject::invokeMethod(fd, "accept");
    });
    dlg.findChild<QMenuBar*>()->actions()[1]->trigger();  // "Save as..."
    EXPECT_EQ(ocvtest::Process::Read(out), expected);
    // Saved again over a longer file, nothing of the old content stays.
    Append(out, "old content that must go away\r\nand more\r\n");
    ASSERT_TRUE(dlg.SaveAs(QString::fromStdString(out)));
    EXPECT_EQ(ocvtest::Process::Read(out), expected);
    EXPECT_FALSE(dlg.SaveAs(QString::fromStdString(dir.File("no/such/dir/x.txt"))));
}

}  // namespace
