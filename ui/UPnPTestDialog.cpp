#include "ui/UPnPTestDialog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/NamedEvent.h"
#include "ui/SheetText.h"

namespace ocv {

CUPnPTestDialog::CUPnPTestDialog(int port, std::string localAddress, UPnPSteps steps,
                                 QWidget* parent)
    : QDialog(parent),
      port_(port),
      localAddress_(std::move(localAddress)),
      steps_(std::move(steps)),
      stop_(NamedEvent::Create("")) {
    setWindowTitle(Sh(st::kUpnpTestTitle));
    box_ = new QPlainTextEdit(this);
    box_->setObjectName(QStringLiteral("upnpText"));
    box_->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(Sh(st::kClose));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box_);
    layout->addWidget(buttons);
    resize(520, 320);

    Append(kUPnPSearchingLine);
    // The first line is painted before the steps, which take seconds, begin.
    QTimer::singleShot(500, this, &CUPnPTestDialog::Start);
}

CUPnPTestDialog::~CUPnPTestDialog() {
    if (stop_) stop_->Set();
    if (worker_.joinable()) worker_.join();
}

void CUPnPTestDialog::Start() {
    if (started_) return;
    started_ = true;
    worker_ = std::thread([this] {
        RunUPnPTest(
            steps_, port_, localAddress_,
            [this](const std::string& line) {
                QMetaObject::invokeMethod(this, [this, line] { Append(line); },
                                          Qt::QueuedConnection);
            },
            stop_);
        QMetaObject::invokeMethod(this, [this] { finished_ = true; }, Qt::QueuedConnection);
    });
}

void CUPnPTestDialog::Append(const std::string& line) {
    text_ += line;
    QString shown = QString::fromStdString(text_);
    shown.remove(QLatin1Char('\r'));
    box_->setPlainText(shown);
    box_->moveCursor(QTextCursor::End);
}

}  // namespace ocv
