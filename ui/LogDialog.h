#pragma once
// The log window: the rows of "log.txt" when it opens, then every entry that arrives while it is
// open; "Save as..." exports the rows as text.
#include <string>
#include <vector>

#include <QDialog>

#include "foundation/LogEntry.h"

class QTreeWidget;

namespace ocv {

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

private:
    QTreeWidget* list_ = nullptr;
    std::vector<LogEntry> entries_;
};

}  // namespace ocv
