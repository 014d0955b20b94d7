#pragma once
// The message boxes and file choosers of the capture-setting sheet go through these hooks, so a
// test can answer them without a modal window; empty hooks show the real ones.
#include <functional>
#include <memory>
#include <string>

#include <QString>

class QWidget;

namespace ocv {

class NamedEvent;

struct SheetHooks {
    // A warning with an OK button.
    std::function<void(QWidget* parent, const QString& text)> message;
    // A file to open (save false) or to write (save true) under a filter of the
    // "Text(*.x)|*.x|...||" form; an empty text when the user cancelled.
    std::function<QString(QWidget* parent, bool save, const char* filter)> file;
    // A folder, starting at `current`; empty when cancelled.
    std::function<QString(QWidget* parent, const QString& current)> folder;
    // The global address the web page shows; empty: asked of the gateway through UPnP.
    std::function<std::string(std::shared_ptr<NamedEvent> stop)> globalAddress;
};

SheetHooks& CurrentSheetHooks();

void SheetMessage(QWidget* parent, const QString& text);
QString SheetFile(QWidget* parent, bool save, const char* filter);
QString SheetFolder(QWidget* parent, const QString& current);
// "Text(*.x)|*.x|All(*.*)|*.*||" as the filter list of a Qt file dialog: "Text(*.x);;All(*.*)".
QString QtFilterOf(const char* filter);

}  // namespace ocv
