#include "app/desktop/MenuDialog.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "controller/StateFlags.h"

namespace ocv {

CMenuDialog::CMenuDialog(QWidget* parent) : QWidget(parent, Qt::Popup) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    auto add = [&](const char* text, int id) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setFlat(true);
        layout->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, id] {
            hide();
            emit command(id);
        });
        return b;
    };
    cameraSetup_ = add("camera setup", kCameraSetup);
    captureSetup_ = add("capture setup", kCaptureSetup);
    startUpOptions_ = add("start up options", kStartUpOptions);
}

void CMenuDialog::SetState(uint32_t flags) {
    bool idle = !IsMonitoring(flags);
    cameraSetup_->setEnabled(idle);
    captureSetup_->setEnabled(idle);
    startUpOptions_->setEnabled(true);
}

QPushButton* CMenuDialog::Button(int command) const {
    switch (command) {
        case kCameraSetup: return cameraSetup_;
        case kCaptureSetup: return captureSetup_;
        case kStartUpOptions: return startUpOptions_;
        default: return nullptr;
    }
}

void CMenuDialog::Popup(const QPoint& globalPos) {
    adjustSize();
    move(globalPos.x(), globalPos.y() - height());
    show();
    raise();
}

}  // namespace ocv
