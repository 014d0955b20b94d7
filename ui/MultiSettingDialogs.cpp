#include "ui/MultiSettingDialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {
namespace {

QString ModeName(int mode) {
    switch (mode) {
        case 0: return Lang("Live mode", "LIVEモード");
        case 1: return Lang("Motion mode", "MOTIONモード");
        default: return Lang("Snapshot", "スナップショット");
    }
}

QString TargetName(int target) {
    switch (target) {
        case 0: return Lang("harddisk", "ハードディスク");
        case 1: return Lang("FTP", "FTP");
        default: return Lang("e-mail", "メール");
    }
}

}  // namespace

CMultiSettingModesDialog::CMultiSettingModesDialog(const QString& title, const ModeChoice& choice,
                                                   QWidget* parent)
    : QDialog(parent), choice_(choice) {
    setWindowTitle(title);
    auto* group = new QGroupBox(Lang("apply to", "適用先"), this);
    auto* column = new QVBoxLayout(group);
    const bool values[3] = {choice.live, choice.motion, choice.snapshot};
    const char* names[3] = {"live", "motion", "snapshot"};
    for (int i = 0; i < 3; ++i) {
        boxes_[i] = FlagBox(group, names[i], ModeName(i), values[i]);
        column->addWidget(boxes_[i]);
    }
    auto* note = new QLabel(Lang("The setting information set up on this screen is applied to "
                                 "other modes.",
                                 "この画面で設定した設定情報を他のモードに適用します。"),
                            this);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(note);
    layout->addWidget(MakeOkCancel(this));
}

void CMultiSettingModesDialog::accept() {
    choice_ = {boxes_[0]->isChecked(), boxes_[1]->isChecked(), boxes_[2]->isChecked()};
    QDialog::accept();
}

CMultiSettingFtpDialog::CMultiSettingFtpDialog(const ModeChoice& choice, QWidget* parent)
    : CMultiSettingModesDialog(Lang("FTP package setup", "FTP一括設定"), choice, parent) {}

CMultiSettingSmtpDialog::CMultiSettingSmtpDialog(const ModeChoice& choice, QWidget* parent)
    : CMultiSettingModesDialog(Lang("E-mail package setup", "メール一括設定"), choice, parent) {}

CMultiSettingImageDialog::CMultiSettingImageDialog(const ImageChoice& choice, QWidget* parent)
    : QDialog(parent), choice_(choice) {
    setWindowTitle(Lang("Image package setup", "画像一括設定"));
    auto* group = new QGroupBox(Lang("apply to", "適用先"), this);
    auto* grid = new QGridLayout(group);
    for (int t = 0; t < 3; ++t) grid->addWidget(new QLabel(TargetName(t), group), 0, t + 1);
    for (int m = 0; m < 3; ++m) {
        grid->addWidget(new QLabel(ModeName(m), group), m + 1, 0);
        for (int t = 0; t < 3; ++t) {
            const QByteArray name = "m" + QByteArray::number(m) + "t" + QByteArray::number(t);
            boxes_[m][t] = FlagBox(group, name.constData(), QString(), choice[m][t]);
            boxes_[m][t]->setAccessibleName(ModeName(m) + QLatin1Char(' ') + TargetName(t));
            grid->addWidget(boxes_[m][t], m + 1, t + 1, Qt::AlignCenter);
        }
    }
    auto* note = new QLabel(Lang("The setting information set up on this screen is applied to "
                                 "other modes.",
                                 "この画面で設定した設定情報を他のモードに適用します。"),
                            this);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(note);
    layout->addWidget(MakeOkCancel(this));
}

void CMultiSettingImageDialog::accept() {
    for (int m = 0; m < 3; ++m)
        for (int t = 0; t < 3; ++t) choice_[m][t] = boxes_[m][t]->isChecked();
    QDialog::accept();
}

}  // namespace ocv
