#include "ui/FtpBrowserDialog.h"

#include <chrono>
#include <future>
#include <tuple>
#include <vector>

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "delivery/FtpListing.h"
#include "ui/SheetButtons.h"
#include "ui/TargetText.h"

namespace ocv {

QString FtpLoginFailedText() {
    return QString::fromUtf8(
        "FTPサーバにログインできません！\n入力したアドレス/ユーザID/パスワードに間違いがないか確認"
        "してください");
}

CFtpBrowserDialog::CFtpBrowserDialog(const FtpEndpoint& endpoint, const std::string& directory,
                                     QWidget* parent)
    : QDialog(parent), endpoint_(endpoint) {
    setWindowTitle(Lang("FTP folder", "FTPフォルダ"));
    path_ = new QLabel(this);
    path_->setObjectName(QStringLiteral("path"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("folders"));
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const std::string name = item->text().toStdString();
        Open(name == ".." ? FtpParentDirectory(directory_) : FtpChildDirectory(directory_, name));
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(path_);
    layout->addWidget(list_, 1);
    layout->addWidget(MakeOkCancel(this));
    resize(360, 380);
    std::string start = directory.empty() ? "/" : directory;
    if (start[0] != '/') start = "/" + start;
    // A start folder that is gone falls back to the top; a refused login asks nothing more.
    if (!Open(start) && !loginFailed_ && start != "/") Open("/");
}

bool CFtpBrowserDialog::Open(const std::string& directory) {
    // The listing runs on a thread of its own so the window keeps painting; input waits.
    std::vector<std::string> folders;
    FtpResult result;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    auto listing = std::async(std::launch::async, [endpoint = endpoint_, directory] {
        std::vector<std::string> found;
        FtpResult r = ListFtpFolders(endpoint, directory, found);
        return std::make_pair(r, found);
    });
    while (listing.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    QApplication::restoreOverrideCursor();
    std::tie(result, folders) = listing.get();
    if (!result.Ok()) {
        // A folder that cannot be entered after a good login keeps the listing shown; anything
        // else is the login failing.
        if (!result.loggedIn) {
            loginFailed_ = true;
            TargetMessage(this, FtpLoginFailedText());
        }
        return false;
    }
    loggedIn_ = true;
    directory_ = directory;
    path_->setText(QString::fromStdString(directory_));
    list_->clear();
    if (directory_ != "/") list_->addItem(QStringLiteral(".."));
    for (const std::string& name : folders) list_->addItem(QString::fromStdString(name));
    if (list_->count() > 0) list_->setCurrentRow(0);
    return true;
}

}  // namespace ocv
