#pragma once
// The log window: the rows of "log.txt" when it opens, then every entry that arrives while it is
// open; "Save as..." exports the rows as text. Used on the user-interface thread only.
#include <array>
#include <string>
#include <vector>

#include <QDialog>
#include <QIcon>

#include "foundation/LogEntry.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace ocv {

// The five column texts of a row: level word, date "%d/%d/%d", time "%d:%d:%d", name, text.
std::array<QString, 5> LogRowTexts(const LogEntry& entry);

class CLogDialog : public QDialog {
    Q_OBJECT
public:
    explicit CLogDialog(QWidget* parent = nullptr);

    // Drops every row and reads the log file again (a missing file gives an empty window).
    void LoadFile(const std::string& path);
    // Appends one row at the end and scrolls to it (an empty name becomes "-----").
    void AddEntry(LogEntry entry);
    // Writes one export line per row into `path`, replacing any old file; false on failure.
    bool SaveAs(const QString& path) const;
    int RowCount() const;
    // The text shown in a cell; empty outside the rows and columns.
    QString CellText(int row, int column) const;

    // Closing discards the rows (the file keeps them); the window reads the file again when it
    // is shown after that, and entries that arrive while it is closed are dropped.
    void done(int result) override;

public slots:
    // The "Save as..." command: asks for a file and writes the export there.
    void SaveAsDialog();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Clear();
    QTreeWidgetItem* MakeRow(const LogEntry& entry) const;

    QTreeWidget* list_ = nullptr;
    std::vector<LogEntry> entries_;
    std::array<QIcon, 4> icons_;
    std::string path_;    // the file read last
    bool closed_ = false;  // closed since the file was read last
};

}  // namespace ocv
