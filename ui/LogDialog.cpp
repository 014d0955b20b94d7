#include "ui/LogDialog.h"

#include <cstdio>

#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "foundation/Logger.h"
#include "ui/DialogUnits.h"
#include "ui/LogIcons.h"
#include "ui/UiText.h"

namespace ocv {
namespace {

// Column pixel widths in the order Type, Date, Time, Name, Log.
constexpr int kColumnWidths[5] = {100, 80, 80, 100, 300};

DateParts PartsOf(const LogEntry& e) { return e.status == 0 ? FromAutomationDate(e.time) : DateParts{}; }

}  // namespace

std::array<QString, 5> LogRowTexts(const LogEntry& entry) {
    const DateParts p = PartsOf(entry);
    return {QString::fromUtf8(LogWindowWord(entry.level)),
            QStringLiteral("%1/%2/%3").arg(p.year).arg(p.month).arg(p.day),
            QStringLiteral("%1:%2:%3").arg(p.hour).arg(p.minute).arg(p.second),
            QString::fromStdString(entry.name), QString::fromStdString(entry.text)};
}

CLogDialog::CLogDialog(QWidget* parent) : QDialog(parent), list_(new QTreeWidget(this)) {
    setWindowTitle(Tr(T::LogTitle));
    for (int level = 0; level < 4; ++level) icons_[level] = LogLevelIcon(level);

    list_->setObjectName(QStringLiteral("logList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setIconSize(QSize(16, 16));
    list_->setHeaderLabels({Tr(T::LogColType), Tr(T::LogColDate), Tr(T::LogColTime),
                            Tr(T::LogColName), Tr(T::LogColLog)});
    list_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->header()->setStretchLastSection(true);
    for (int c = 0; c < 5; ++c) list_->setColumnWidth(c, kColumnWidths[c]);

    auto* menu = new QMenuBar(this);
    QAction* close = menu->addAction(Tr(T::LogMenuClose));
    QAction* save = menu->addAction(Tr(T::LogMenuSaveAs));
    connect(close, &QAction::triggered, this, &QDialog::close);
    connect(save, &QAction::triggered, this, &CLogDialog::SaveAsDialog);

    // The window holds only the list, which fills it and follows every resize.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menu);
    layout->addWidget(list_);
    const QSize size = DialogUnitsToPixels(this, 381, 157);
    resize(size.boundedTo(QSize(800, 600)) + QSize(0, menu->sizeHint().height()));
}

void CLogDialog::Clear() {
    list_->clear();
    entries_.clear();
}

QTreeWidgetItem* CLogDialog::MakeRow(const LogEntry& entry) const {
    const auto texts = LogRowTexts(entry);
    auto* item = new QTreeWidgetItem(QStringList(texts.begin(), texts.end()));
    if (entry.level >= 0 && entry.level < 4) item->setIcon(0, icons_[entry.level]);
    return item;
}

void CLogDialog::LoadFile(const std::string& path) {
    Clear();
    path_ = path;
    closed_ = false;
    entries_ = ReadLogFile(path);
    // Rows go in as one batch: a long file would otherwise relayout the list per line.
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(entries_.size()));
    for (auto& e : entries_) {
        if (e.name.empty()) e.name = "-----";
        items.push_back(MakeRow(e));
    }
    list_->addTopLevelItems(items);
    list_->scrollToBottom();
}

void CLogDialog::AddEntry(LogEntry entry) {
    if (closed_) return;  // the window is closed: the file has the line, the window drops it
    if (entry.name.empty()) entry.name = "-----";
    entries_.push_back(std::move(entry));
    list_->addTopLevelItem(MakeRow(entries_.back()));
    list_->scrollToBottom();
}

bool CLogDialog::SaveAs(const QString& path) const {
    std::FILE* fp = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!fp) return false;
    bool ok = true;
    for (const auto& e : entries_) {
        const std::string line = FormatExportLine(e);
        if (std::fwrite(line.data(), 1, line.size(), fp) != line.size()) ok = false;
    }
    if (std::fclose(fp) != 0) ok = false;
    return ok;
}

int CLogDialog::RowCount() const { return list_->topLevelItemCount(); }

QString CLogDialog::CellText(int row, int column) const {
    const QTreeWidgetItem* item = list_->topLevelItem(row);
    return item && column >= 0 && column < 5 ? item->text(column) : QString();
}

void CLogDialog::SaveAsDialog() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters({Tr(T::LogSaveFilterText), Tr(T::LogSaveFilterAll)});
    dialog.selectFile(QStringLiteral("log"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().first();
    if (!SaveAs(path))
        QMessageBox::warning(this, windowTitle(), Tr(T::LogSaveFailed).arg(path));
}

void CLogDialog::done(int result) {
    Clear();
    closed_ = true;
    QDialog::done(result);
}

void CLogDialog::showEvent(QShowEvent* event) {
    if (closed_ && !path_.empty()) LoadFile(path_);
    closed_ = false;
    QDialog::showEvent(event);
}

}  // namespace ocv
