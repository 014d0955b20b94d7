// Bare dialogs with OK / Cancel until each dialog gets its own file.
#include <QDialogButtonBox>
#include <QFile>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/AboutDialog.h"
#include "ui/CameraListDialog.h"
#include "ui/CapSettingDialog.h"
#include "ui/ConditionSettingDialog.h"
#include "ui/LogDialog.h"
#include "ui/SystemSettingDialog.h"

namespace ocv {
namespace {
void AddButtons(QDialog* d) {
    auto* layout = new QVBoxLayout(d);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    layout->addWidget(box);
}
}  // namespace

CLogDialog::CLogDialog(QWidget* parent) : QDialog(parent), list_(new QTreeWidget(this)) {}
void CLogDialog::LoadFile(const std::string& path) { entries_ = ReadLogFile(path); }
void CLogDialog::AddEntry(LogEntry entry) { entries_.push_back(std::move(entry)); }
bool CLogDialog::SaveAs(const QString&) const { return false; }
int CLogDialog::RowCount() const { return static_cast<int>(entries_.size()); }

CCameraListDialog::CCameraListDialog(std::function<std::vector<const COcvCtrl*>()>, QWidget* parent)
    : QDialog(parent) { AddButtons(this); }
CSystemSettingDialog::CSystemSettingDialog(const SystemInfo& s, QWidget* parent)
    : QDialog(parent), system_(s) { AddButtons(this); }
CAboutDialog::CAboutDialog(const QString&, QWidget* parent) : QDialog(parent) { AddButtons(this); }
CConditionSettingDialog::CConditionSettingDialog(const ConditionSetting& c, QWidget* parent)
    : QDialog(parent), conditions_(c) { AddButtons(this); }
CCapSettingDialog::CCapSettingDialog(const OcvParam& p, QWidget* parent)
    : QDialog(parent), param_(p) { AddButtons(this); }

}  // namespace ocv
