#include "ui/SheetHooks.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "ui/SheetText.h"

namespace ocv {

SheetHooks& CurrentSheetHooks() {
    static SheetHooks hooks;
    return hooks;
}

void SheetMessage(QWidget* parent, const QString& text) {
    if (CurrentSheetHooks().message) return CurrentSheetHooks().message(parent, text);
    QMessageBox::warning(parent, parent ? parent->window()->windowTitle() : QString(), text);
}

QString SheetFile(QWidget* parent, bool save, const char* filter) {
    if (CurrentSheetHooks().file) return CurrentSheetHooks().file(parent, save, filter);
    const QString f = QtFilterOf(filter);
    return save ? QFileDialog::getSaveFileName(parent, QString(), QString(), f)
                : QFileDialog::getOpenFileName(parent, QString(), QString(), f);
}

QString SheetFolder(QWidget* parent, const QString& current) {
    if (CurrentSheetHooks().folder) return CurrentSheetHooks().folder(parent, current);
    return QFileDialog::getExistingDirectory(parent, Sh(st::kChooseFolder), current);
}

QString QtFilterOf(const char* filter) {
    // Pairs of description and pattern; only the descriptions carry the patterns Qt reads.
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList names;
    for (int i = 0; i < parts.size(); i += 2) names << parts[i];
    return names.join(QStringLiteral(";;"));
}

}  // namespace ocv
