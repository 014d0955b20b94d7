#pragma once
// The common frame of the pages of the capture-setting sheet: every page shows part of the sheet's
// working record and writes its fields back into it. Before a page opens a dialog on a slice of
// the record it stores its fields, and shows the record again afterwards, so the dialog and the
// page never overwrite each other.
#include <QWidget>

#include "config/OcvParam.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ocv {

class COcvCtrl;

// What the pages share: the working record and the camera (null when the sheet has none).
struct SheetContext {
    OcvParam work;
    COcvCtrl* camera = nullptr;
};

class CSheetPage : public QWidget {
    Q_OBJECT
public:
    CSheetPage(SheetContext& context, QWidget* parent);
    // Shows the working record.
    virtual void Load() = 0;
    // Writes the page's fields into the working record.
    virtual void Store() = 0;

protected:
    // Stores, runs `edit` on the working record, loads again.
    template <class Fn>
    void Edit(Fn edit) {
        Store();
        edit(context_.work);
        Load();
    }
    OcvParam& Work() { return context_.work; }
    COcvCtrl* Camera() const { return context_.camera; }

    // The dialog of a mode's target (0 hard disk, 1 FTP, 2 e-mail) or of its image settings; a
    // package setup chosen there is applied to the other modes.
    void EditTarget(int mode, int target, bool image);

    QPushButton* Button(const QString& text, const char* name);
    QCheckBox* Check(const QString& text, const char* name);

    SheetContext& context_;
};

// A save directory with "browse..." and the date-folder flag of a local target.
class CFolderRow : public QWidget {
    Q_OBJECT
public:
    explicit CFolderRow(QWidget* parent);
    void Load(const LocalSetting& local);
    void Store(LocalSetting& local) const;

private:
    QLineEdit* directory_ = nullptr;
    QCheckBox* dateFolder_ = nullptr;
};

// The delivery targets of one mode: per target its enable box, "settings..." and
// "image settings..."; the snapshot has no hard-disk row (its save directory is on its page).
class CTargetRows : public QWidget {
    Q_OBJECT
public:
    CTargetRows(int mode, QWidget* parent);
    void Load(OcvParam& work);
    void Store(OcvParam& work) const;

signals:
    // A button asks for an edit of the working record.
    void EditRequested(int target, bool image);

private:
    int mode_;
    QCheckBox* enable_[3] = {};
};

}  // namespace ocv
