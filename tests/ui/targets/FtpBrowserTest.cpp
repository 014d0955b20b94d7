// The FTP folder browser against pyftpdlib on loopback: the folders it lists, going down and up,
// the directory it hands back to the FTP dialog, and the message of a refused login. Also the
// listing parser on the line forms servers send.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DeliveryPeers.h"
#include "TargetTestHooks.h"
#include "delivery/FtpListing.h"
#include "ui/FtpBrowserDialog.h"
#include "ui/FtpDialog.h"

namespace ocv::test {
namespace {

namespace fs = std::filesystem;

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// Opened from the FTP dialog with its server and login, the browser walks the folders and hands
// the one it ends in back to the dialog; a refused login is reported once.
TEST(FtpBrowser, ListsFoldersGoesDownAndUpForTheFtpDialog) {
    FtpServer server;
    ASSERT_TRUE(server.Ready()) << server.Log();
    for (const char* dir : {"alpha", "beta/inner", "with space"})
        fs::create_directories(fs::path(server.Root()) / dir);
    std::ofstream(fs::path(server.Root()) / "file.txt") << "x";
    MessageRecorder messages;
    FtpInfo ftp;
    ftp.ftpServerAddress = "127.0.0.1", ftp.ftpServerPort = server.Port(), ftp.ftpPasvMode = 1;
    ftp.ftpUser = "camuser", ftp.ftpPassword = "s3cret";
    ftp.ftpDirectory = "/gone/away";  // a start folder the server lacks falls back to the top
    CFTPDialog dialog(ftp, nullptr);
    const QStringList top{"alpha", "beta", "readonly", "with space"};
    const std::tuple<const char*, std::string, QStringList> steps[] = {  // open, folder, items
        {nullptr, "/", top}, {"beta", "/beta", {"..", "inner"}}, {"inner", "/beta/inner", {".."}},
        {"..", "/beta", {"..", "inner"}}, {"..", "/", top}, {"with space", "/with space", {".."}}};
    WithModal(
        [&](QDialog* d) {
            auto* browser = dynamic_cast<CFtpBrowserDialog*>(d);
            EXPECT_TRUE(browser && browser->LoggedIn()) << server.Log();
            auto* list = d->findChild<QListWidget*>(QStringLiteral("folders"));
            for (const auto& [open, folder, items] : steps) {
                SCOPED_TRACE(folder);
                if (open) {
                    const auto found = list->findItems(QString::fromUtf8(open), Qt::MatchExactly);
                    if (found.size() == 1) emit list->itemActivated(found[0]);
                }
                EXPECT_EQ(browser->Directory(), folder);
                EXPECT_EQ(Items(list), items);
            }
            d->accept();
        },
        [&] { return Child<QPushButton>(&dialog, "browse")->click(), true; });
    dialog.accept();
    EXPECT_EQ(dialog.Value().ftpDirectory, "/with space");
    EXPECT_TRUE(messages.texts.empty());

    CFtpBrowserDialog refused({"127.0.0.1", server.Port(), "camuser", "wrong"}, "/alpha", nullptr);
    EXPECT_FALSE(refused.LoggedIn());
    EXPECT_EQ(messages.texts, std::vector{QString::fromUtf8(
                                  "FTPサーバにログインできません！\n入力したアドレス/ユーザID/"
                                  "パスワードに間違いがないか確認してください")});
}

TEST(FtpListing, FoldersOfTheLineFormsTheirParentAndChild) {
    const std::tuple<const char*, const char*, std::vector<std::string>> rows[] = {
        {"unix",
         "drwxr-xr-x   2 owner    group        4096 Dec 08 04:00 alpha\r\n"
         "-rw-r--r--   1 owner    group           1 Dec 08 04:00 file.txt\r\n"
         "drwxr-xr-x   2 owner    group        4096 Jan  1  2025 two  words\r\n"
         "lrwxrwxrwx   1 owner    group           5 Dec 08 04:00 link -> alpha\r\n",
         {"alpha", "two  words"}},
        {"dots and duplicates",
         "drwxr-xr-x 2 o g 0 Dec 8 04:00 .\ndrwxr-xr-x 2 o g 0 Dec 8 04:00 ..\n"
         "drwxr-xr-x 2 o g 0 Dec 8 04:00 b\ndrwxr-xr-x 2 o g 0 Dec 8 04:00 b\n",
         {"b"}},
        {"ms-dos",
         "12-08-26  04:00AM       <DIR>          Pictures\r\n"
         "12-08-26  04:00AM                 1234 readme.txt\r\n",
         {"Pictures"}},
        {"short and odd lines", "d\ndrwx 2 o\n\n\r\ntotal 8\n<DIR>\n12-08-26 <DIR>\n", {}},
        {"control character or slash in a name",
         "drwxr-xr-x 2 o g 0 Dec 8 04:00 a\x01z\ndrwxr-xr-x 2 o g 0 Dec 8 04:00 a/b\n",
         {}},
    };
    for (const auto& [name, listing, folders] : rows)
        EXPECT_EQ(ParseFtpFolders(listing), folders) << name;
    // The folders above and below one.
    const char* parents[][2] = {{"/", "/"}, {"/a", "/"}, {"/a/b", "/a"}, {"/a/b/", "/a"}, {"", "/"}};
    for (const auto& [dir, parent] : parents) EXPECT_EQ(FtpParentDirectory(dir), parent) << dir;
    EXPECT_TRUE(FtpChildDirectory("/a", "b c") == "/a/b c" && FtpChildDirectory("", "a") == "/a");
}

}  // namespace
}  // namespace ocv::test
