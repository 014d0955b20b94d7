#include "ui/PropNamePage.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/ConfigFiles.h"
#include "controller/OcvCtrl.h"
#include "foundation/Logger.h"
#include "ui/FieldWidgets.h"
#include "ui/SheetHooks.h"
#include "ui/SheetText.h"

namespace ocv {
namespace {

// The camera's log channel, or a silent one when the sheet has no camera.
template <class Fn>
bool WithLog(COcvCtrl* camera, Fn fn) {
    if (camera) return fn(camera->Log());
    CLogger quiet;
    return fn(quiet);
}

}  // namespace

CPropNamePage::CPropNamePage(SheetContext& context, QWidget* parent)
    : CSheetPage(context, parent) {
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("cameraName"));
    auto* nameLabel = new QLabel(Sh(st::kCameraName), this);
    nameLabel->setBuddy(name_);
    // The image dialogs stamp the name being typed, so it reaches the record at once.
    connect(name_, &QLineEdit::textChanged, this, [this] { Store(); });

    auto* file = new QGroupBox(Sh(st::kCaptureFile), this);
    auto* open = Button(Sh(st::kOpen), "open");
    auto* save = Button(Sh(st::kSaveAs), "saveAs");
    open->setParent(file);
    save->setParent(file);
    auto* fl = new QHBoxLayout(file);
    fl->addWidget(open);
    fl->addWidget(save);
    fl->addStretch(1);

    auto* grid = new QGridLayout;
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(name_, 0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(file);
    layout->addStretch(1);

    connect(open, &QPushButton::clicked, this, &CPropNamePage::Open);
    connect(save, &QPushButton::clicked, this, &CPropNamePage::SaveAs);
    Load();
}

void CPropNamePage::Load() { SetupTextField(name_, Work().name, OcvParam::kNameCapacity); }

void CPropNamePage::Store() { Work().name = ToBoundedUtf8(name_->text(), OcvParam::kNameCapacity); }

void CPropNamePage::Open() {
    const QString path = SheetFile(this, false, kCaptureFileFilter);
    if (path.isEmpty()) return;
    emit StoreAllRequested();
    // Read into a copy so a failed read changes nothing. The file has no device part of its own:
    // the camera's device information stays with the record.
    OcvParam loaded = Work();
    const bool ok = WithLog(Camera(), [&](CLogger& log) {
        return LoadCaptureSettingFile(path.toStdString(), loaded, log);
    });
    if (!ok) {
        SheetMessage(this, Sh(st::kLoadFailed));
        return;
    }
    loaded.deviceInfo = Work().deviceInfo;
    Work() = loaded;
    emit Reloaded();
}

void CPropNamePage::SaveAs() {
    QString path = SheetFile(this, true, kCaptureFileFilter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + QLatin1String(kCaptureFileExtension);
    emit StoreAllRequested();
    const bool ok = WithLog(Camera(), [&](CLogger& log) {
        return SaveCaptureSettingFile(path.toStdString(), Work(), log);
    });
    if (!ok) SheetMessage(this, Sh(st::kSaveFailed));
}

}  // namespace ocv
